#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <string>

#include "input/SimulationScript.h"

namespace pw {

// Plays a script on an SDL virtual controller through the real polling loop and emitter, as if a
// library game were running, and prints every key event, beep and pause as a line
// "TICK down VK SCAN", "TICK up VK SCAN", "TICK beep VALUE" or "TICK pause UNITS". Pauses are
// printed, not waited. Keys still held at the end are released as at program exit and printed
// with the number of the last tick. False, with the reason in error, when SDL cannot provide the
// virtual controller. When stop becomes true (the program was asked to end), the run ends after
// the current tick and releases held keys as at any exit.
// A "game" statement runs activateGame with the group and the game, the live state and the
// joystick (activation may re-open it); without one, a script that names a game fails.
struct MappingState;
class Joystick;
class SdlVirtualJoystick;

// Applies a controller statement (press, release, axis, hat) to the virtual controller; false for
// any other statement.
bool applyToPad(const SimStatement& statement, SdlVirtualJoystick& pad);

using GameActivator = std::function<void(const std::string& group, const std::string& game,
                                         MappingState& state, Joystick& joystick)>;

bool runSimulation(const SimScript& script, std::ostream& out, std::string& error,
                   const std::atomic<bool>* stop = nullptr, const GameActivator& activateGame = {});

}  // namespace pw
