#include "support/RecordingKeyOutput.h"

namespace pw::test {

void RecordingKeyOutput::keyDown(std::uint8_t virtualKey, std::uint8_t scanCode) {
    log_.add("down " + std::to_string(virtualKey) + " " + std::to_string(scanCode));
}

void RecordingKeyOutput::keyUp(std::uint8_t virtualKey, std::uint8_t scanCode) {
    log_.add("up " + std::to_string(virtualKey) + " " + std::to_string(scanCode));
}

void RecordingKeyOutput::beep(int value) {
    log_.add("beep " + std::to_string(value));
}

void RecordingPauser::pause(std::int32_t units) {
    log_.add("pause " + std::to_string(units));
}

}  // namespace pw::test
