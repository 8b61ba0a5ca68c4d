#pragma once

#include <functional>
#include <memory>
#include <string>

#include "input/KeyOutput.h"
#include "input/uinput/UinputKeyOutput.h"

namespace pw {

struct KeyOutputChoice {
    std::unique_ptr<KeyOutput> output;  // nullptr: no way to send keys
    std::string backendName;            // "uinput", "xtest", or empty
    // One line for the log: which backend sends the keys and why; without an output, why no keys
    // can be sent and how to fix that.
    std::string message;
};

// Picks how keys are sent: a uinput virtual keyboard when `uinputPath` can be opened (it reaches
// every program, X, Wayland and console alike), else XTEST on `displayName` (nullptr: $DISPLAY)
// when that display answers.
KeyOutputChoice chooseKeyOutput(std::function<void(int)> beeper,
                                const std::string& uinputPath = kDefaultUinputPath,
                                const char* displayName = nullptr);

}  // namespace pw
