#include "input/SimulationScript.h"

#include <charconv>

namespace pw {

const std::vector<std::string_view> kHatDirectionNames{
    "centered", "up", "upright", "right", "downright", "down", "downleft", "left", "upleft"};

namespace {

constexpr int kMaxAxes = 8;
constexpr int kMaxButtons = 32;
constexpr int kMaxHats = 4;
constexpr long long kMaxTicks = 100'000'000;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) {
        s.remove_suffix(1);
    }
    return s;
}

// Splits off the first blank-separated word.
std::string_view nextWord(std::string_view& rest) {
    rest = trim(rest);
    std::size_t end = 0;
    while (end < rest.size() && rest[end] != ' ' && rest[end] != '\t') {
        ++end;
    }
    const std::string_view word = rest.substr(0, end);
    rest = trim(rest.substr(end));
    return word;
}

std::optional<long long> toInteger(std::string_view s) {
    long long v = 0;
    const auto* begin = s.data();
    const auto* end = s.data() + s.size();
    if (!s.empty() && s.front() == '+') {
        ++begin;
    }
    const auto [ptr, ec] = std::from_chars(begin, end, v);
    if (s.empty() || ec != std::errc() || ptr != end) {
        return std::nullopt;
    }
    return v;
}

class Parser {
public:
    SimParseResult run(std::string_view text) {
        int lineNo = 0;
        std::size_t pos = 0;
        while (pos < text.size()) {
            ++lineNo;
            const auto nl = text.find('\n', pos);
            std::string_view line =
                text.substr(pos, nl == std::string_view::npos ? std::string_view::npos : nl - pos);
            pos = nl == std::string_view::npos ? text.size() : nl + 1;
            if (const auto hash = line.find('#'); hash != std::string_view::npos) {
                line = line.substr(0, hash);
            }
            line = trim(line);
            if (!line.empty() && !statement(lineNo, line)) {
                return {std::nullopt, error_};
            }
        }
        if (!checkAgainstDevice()) {
            return {std::nullopt, error_};
        }
        return {std::move(script_), {}};
    }

private:
    bool fail(int line, std::string message) {
        error_ = {line, std::move(message)};
        return false;
    }

    std::optional<long long> number(int line, std::string_view word, std::string_view what, long long lo,
                                    long long hi) {
        const auto v = toInteger(word);
        if (!v || *v < lo || *v > hi) {
            fail(line, std::string(what) + " must be a whole number from " + std::to_string(lo) + " to " +
                           std::to_string(hi) + ", not '" + std::string(word) + "'");
            return std::nullopt;
        }
        return v;
    }

    bool expectEnd(int line, std::string_view rest, std::string_view statementName) {
        if (!rest.empty()) {
            return fail(line, "unexpected '" + std::string(rest) + "' after " + std::string(statementName));
        }
        return true;
    }

    bool statement(int line, std::string_view text) {
        std::string_view rest = text;
        const std::string_view word = nextWord(rest);
        SimStatement s;
        s.line = line;
        if (word == "device") {
            if (sawTick_) {
                return fail(line, "device must come before the first tick");
            }
            const auto axes = number(line, nextWord(rest), "AXES", 0, kMaxAxes);
            if (!axes)
                return false;
            const auto buttons = number(line, nextWord(rest), "BUTTONS", 0, kMaxButtons);
            if (!buttons)
                return false;
            const auto hats = number(line, nextWord(rest), "HATS", 0, kMaxHats);
            if (!hats)
                return false;
            script_.axes = static_cast<int>(*axes);
            script_.buttons = static_cast<int>(*buttons);
            script_.hats = static_cast<int>(*hats);
            return expectEnd(line, rest, "device AXES BUTTONS HATS");
        }
        if (word == "assign") {
            const std::string_view tok = nextWord(rest);
            const auto action = actionFromToken(tok);
            if (!action) {
                return fail(line, "unknown action '" + std::string(tok) +
                                      "' (expected a token such as [isbutton1], [isup] or [iscoolupright])");
            }
            s.kind = SimStatement::Kind::Assign;
            s.action = *action;
            s.keySequence = std::string(rest);
        } else if (word == "press" || word == "release") {
            const auto n = number(line, nextWord(rest), "the button number", 1, kMaxButtons);
            if (!n)
                return false;
            s.kind = word == "press" ? SimStatement::Kind::Press : SimStatement::Kind::Release;
            s.number = static_cast<int>(*n);
            if (!expectEnd(line, rest, word))
                return false;
        } else if (word == "axis") {
            const std::string_view name = nextWord(rest);
            static constexpr std::string_view kNames[] = {"x", "y", "z", "r"};
            int axis = -1;
            for (int i = 0; i < 4; ++i) {
                if (name == kNames[i])
                    axis = i;
            }
            if (axis < 0) {
                return fail(line, "unknown axis '" + std::string(name) + "' (expected x, y, z or r)");
            }
            const auto v = number(line, nextWord(rest), "the axis value", -32768, 32767);
            if (!v)
                return false;
            s.kind = SimStatement::Kind::Axis;
            s.number = axis;
            s.value = static_cast<std::int32_t>(*v);
            if (!expectEnd(line, rest, "axis"))
                return false;
        } else if (word == "hat") {
            const std::string_view dir = nextWord(rest);
            int found = -1;
            for (std::size_t i = 0; i < kHatDirectionNames.size(); ++i) {
                if (dir == kHatDirectionNames[i])
                    found = static_cast<int>(i);
            }
            if (found < 0) {
                return fail(line, "unknown hat direction '" + std::string(dir) +
                                      "' (expected centered, up, upright, right, downright, down, downleft, "
                                      "left or upleft)");
            }
            s.kind = SimStatement::Kind::Hat;
            s.value = found;
            if (!expectEnd(line, rest, "hat"))
                return false;
        } else if (word == "game") {
            const auto slash = rest.find('\\');
            if (rest.empty() || slash == std::string_view::npos || slash == 0 || slash + 1 == rest.size()) {
                return fail(line, "game needs GROUP\\GAME, not '" + std::string(rest) + "'");
            }
            s.kind = SimStatement::Kind::Game;
            s.keySequence = std::string(rest.substr(0, slash));
            s.game = std::string(rest.substr(slash + 1));
        } else if (word == "tick") {
            s.kind = SimStatement::Kind::Tick;
            s.number = 1;
            if (!rest.empty()) {
                const auto n = number(line, nextWord(rest), "the tick count", 1, kMaxTicks);
                if (!n)
                    return false;
                s.number = static_cast<int>(*n);
                if (!expectEnd(line, rest, "tick COUNT"))
                    return false;
            }
            sawTick_ = true;
        } else {
            return fail(line, "unknown statement '" + std::string(word) +
                                  "' (expected device, assign, press, release, axis, hat, tick or game)");
        }
        script_.statements.push_back(std::move(s));
        return true;
    }

    // The device statement may come after statements that use it, so the shape is checked last.
    bool checkAgainstDevice() {
        for (const SimStatement& s : script_.statements) {
            using K = SimStatement::Kind;
            if ((s.kind == K::Press || s.kind == K::Release) && s.number > script_.buttons) {
                return fail(s.line, "button " + std::to_string(s.number) +
                                        " does not exist: the device has " + std::to_string(script_.buttons) +
                                        " buttons");
            }
            if (s.kind == K::Axis && s.number >= script_.axes) {
                return fail(s.line, "axis " + std::string(1, "xyzr"[s.number]) +
                                        " does not exist: the device has " + std::to_string(script_.axes) +
                                        " axes");
            }
            if (s.kind == K::Hat && script_.hats == 0) {
                return fail(s.line, "the device has no hat");
            }
        }
        return true;
    }

    SimScript script_;
    SimParseError error_;
    bool sawTick_ = false;
};

}  // namespace

SimParseResult parseSimulationScript(std::string_view text) {
    return Parser().run(text);
}

}  // namespace pw
