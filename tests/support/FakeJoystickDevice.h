#pragma once

#include "input/JoystickDevice.h"

namespace pw::test {

// A device whose caps and readings a test sets directly. Only for what a real SDL device cannot
// show: a hat reading 65535, a button beyond the device's count, a read that fails.
class FakeJoystickDevice final : public JoystickDevice {
public:
    bool open(int id, JoystickCaps& out) override {
        ++opens;
        lastOpenedId = id;
        if (!present || id != 0) {
            return false;
        }
        out = caps;
        isOpen = true;
        return true;
    }
    void close() override { isOpen = false; }
    bool read(RawJoystickSample& sample) override {
        if (!readSucceeds) {
            return false;
        }
        sample = raw;
        return true;
    }

    bool present = true;
    bool readSucceeds = true;
    bool isOpen = false;
    int opens = 0;
    int lastOpenedId = -1;
    JoystickCaps caps{12, 1, 4, {0, 0, 0, 0}, {65535, 65535, 65535, 65535}};
    RawJoystickSample raw{{32767, 32767, 32767, 32767}, 0xFFFFFFFFu, 0};
};

}  // namespace pw::test
