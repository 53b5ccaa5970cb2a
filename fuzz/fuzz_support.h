// What every file-reader fuzz target shares: a private data folder, a quiet
// platform (messages are counted, not shown), and a small image geometry so
// that whole images of the program's own formats are only a few kilobytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace fuzz {

// Simulated time: every wait costs nothing, and a wait of 0 ms still moves
// the clock on, so no polling loop can hang a run.
class StepClock : public Clock {
public:
    uint32_t Milliseconds() override { return now; }
    void WaitMs(uint32_t ms) override { now += ms ? ms : 1; }
    int64_t UnixSeconds() override { return 1'700'000'000 + now / 1000; }
    uint32_t now = 1'000'000;
};

inline constexpr int kWidth = 120;
inline constexpr int kHeight = 80;
inline constexpr int kBlocks = 4;

// Once per process: the data folder, the platform and the image buffers.
void Start();
// Before each input: the small geometry, fresh file state and FITS details.
void Reset();
// Writes the input to a file of that name in the data folder; its host path.
std::string WriteInput(const std::string& name, const uint8_t* data, size_t size);
// Host path of a program path under the data folder.
std::string Home();

}  // namespace fuzz
