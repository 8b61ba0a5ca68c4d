#pragma once

#include <chrono>
#include <cstdint>

#include "input/KeyOutput.h"
#include "input/Pause.h"
#include "input/PollingLoop.h"

namespace pw::bench {

// Processor time of this process (user + system) in seconds.
double processorSeconds();

// Counts events and sends nothing.
class CountingOutput final : public KeyOutput, public Pauser {
public:
    void keyDown(std::uint8_t, std::uint8_t) override { ++events; }
    void keyUp(std::uint8_t, std::uint8_t) override { ++events; }
    void beep(int) override { ++events; }
    void pause(std::int32_t) override { ++events; }
    std::uint64_t events = 0;
};

// All 28 actions assigned, as in a game with a full Profile.
void assignAll(MappingState& state);

}  // namespace pw::bench
