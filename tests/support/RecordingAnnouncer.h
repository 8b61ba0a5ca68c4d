#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "controllers/ControllerRegistry.h"

namespace pw::test {

// Notes each announcement as "inform: text" or "timed: caption: text".
class RecordingAnnouncer final : public Announcer {
public:
    void inform(std::string_view message) override { shown.push_back("inform: " + std::string(message)); }
    void timedInfo(std::string_view caption, std::string_view message) override {
        shown.push_back("timed: " + std::string(caption) + ": " + std::string(message));
    }
    std::vector<std::string> shown;
};

}  // namespace pw::test
