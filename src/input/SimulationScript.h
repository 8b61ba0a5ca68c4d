#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/ControllerAction.h"

namespace pw {

// One statement of a --simulate script.
struct SimStatement {
    enum class Kind { Assign, Press, Release, Axis, Hat, Tick, Game };
    Kind kind = Kind::Tick;
    int line = 0;
    ControllerAction action = ControllerAction::Up;  // Assign
    std::string keySequence;  // Assign; Game: the group
    std::string game;         // Game: the name of the game
    int number = 0;          // Press/Release: button from 1; Axis: SDL axis index; Tick: count
    std::int32_t value = 0;  // Axis: raw value; Hat: direction index (0 = centered, 1 = up, clockwise)
};

// A parsed script: the shape of the virtual controller and what happens to it.
struct SimScript {
    int axes = 4;
    int buttons = 12;
    int hats = 1;
    std::vector<SimStatement> statements;
};

struct SimParseError {
    int line = 0;
    std::string message;
};

// Reads a whole script. Statements, one per line ("#" starts a comment, blank lines are ignored):
//   device AXES BUTTONS HATS   assign TOKEN SEQUENCE   press N   release N
//   axis x|y|z|r VALUE         hat DIRECTION           tick [COUNT]
//   game GROUP\GAME            (activates a game of the library, as its start would)
// The first fault found stops the reading; nothing of the script runs then.
struct SimParseResult {
    std::optional<SimScript> script;
    SimParseError error;
};
SimParseResult parseSimulationScript(std::string_view text);

// The hat directions a script can name, in the order of SimStatement::value.
extern const std::vector<std::string_view> kHatDirectionNames;

}  // namespace pw
