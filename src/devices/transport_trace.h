// The transport trace. With VELMORA_TRACE=FILE set, every block that goes to
// or comes from a device is written to FILE as one line:
//   <ms since the trace began, three decimals> <'>' to / '<' from> <channel> <hex bytes>
// e.g. "125.000 > cam-serial0 23 3a 52 47 23". Channels: "usb" (camera
// requests and replies), "hid" (filter wheel reports), "cam-serial0",
// "cam-serial1" (the camera's serial ports), "com1", "com2", ... (PC ports).
// The time is the platform clock. When the variable is not set the only cost
// is one test of a flag.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace trace_detail {
// 1 = on, 0 = off, -1 = not yet decided (the environment is read once).
extern int state;
bool Decide();
void Write(char direction, const char* channel, const uint8_t* bytes, size_t count);
}  // namespace trace_detail

inline bool TraceOn() { return trace_detail::state > 0 || (trace_detail::state < 0 && trace_detail::Decide()); }

// One line for a block; direction '>' to the device, '<' from it.
inline void TraceBlock(char direction, const char* channel, const uint8_t* bytes, size_t count) {
    if (TraceOn()) trace_detail::Write(direction, channel, bytes, count);
}

// Tests and tools: starts tracing into `path` now (the time origin is the
// clock at this call); an empty path stops tracing. Returns false when the
// file cannot be created.
bool StartTrace(const std::string& path);
// The line format of one block at `ms` since the start (exposed for tests).
std::string TraceLine(uint32_t ms, char direction, const char* channel, const uint8_t* bytes, size_t count);
