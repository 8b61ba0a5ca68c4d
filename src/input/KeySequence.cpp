#include "input/KeySequence.h"

#include <limits>

namespace pw {

KeySequence::KeySequence(std::string text) : text_(std::move(text)) {
    timed_ = text_.find('(') != std::string::npos;
    if (timed_) {
        play_ = text_;
        if (play_.back() != '(') {
            play_ += '(';
        }
        play_ += "0)";
    }
}

std::int32_t parseKeyNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return 0;
    }
    std::int64_t value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') {
            return 0;
        }
        value = value * 10 + (c - '0');
        if (value > std::numeric_limits<std::int32_t>::max() + std::int64_t{1}) {
            return 0;
        }
    }
    value = negative ? -value : value;
    if (value > std::numeric_limits<std::int32_t>::max() ||
        value < std::numeric_limits<std::int32_t>::min()) {
        return 0;
    }
    return static_cast<std::int32_t>(value);
}

StepKeys splitStep(std::string_view step) {
    const auto underscore = step.find('_');
    if (underscore == std::string_view::npos) {
        return {parseKeyNumber(step), 0};
    }
    return {parseKeyNumber(step.substr(0, underscore)), parseKeyNumber(step.substr(underscore + 1))};
}

}  // namespace pw
