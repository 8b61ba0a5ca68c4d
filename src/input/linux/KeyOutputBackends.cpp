#include "input/linux/KeyOutputBackends.h"

#include <utility>

#include "input/uinput/LayoutKeyMap.h"
#include "input/uinput/UinputKeyOutput.h"
#include "input/xtest/XTestKeyOutput.h"

namespace pw {

KeyOutputChoice chooseKeyOutput(std::function<void(int)> beeper, const std::string& uinputPath,
                                const char* displayName) {
    LayoutKeyMap::SessionSources sources;
    sources.displayName = displayName;
    UinputError uinputError;
    if (auto uinput =
            UinputKeyOutput::create(LayoutKeyMap::fromSession(sources), beeper, uinputError, uinputPath)) {
        std::string message = "padwarden: keys are sent through a virtual keyboard on " + uinputPath +
                              ", keyboard layout " + uinput->keyMap().describe();
        return {std::move(uinput), "uinput", std::move(message)};
    }

    std::string xError;
    if (auto xtest = XTestKeyOutput::create(displayName, std::move(beeper), xError)) {
        std::string message = "padwarden: keys are sent through XTEST to the X display " +
                              xtest->displayName() + ", so only X programs receive them, because " +
                              uinputError.reason + " (to fix: " + uinputError.fix + ")";
        return {std::move(xtest), "xtest", std::move(message)};
    }

    return {nullptr, "",
            "padwarden: no keys can be sent: " + uinputError.reason + " and " + xError + "; " +
                uinputError.fix + ", or run inside an X session"};
}

}  // namespace pw
