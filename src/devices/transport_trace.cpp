#include "devices/transport_trace.h"

#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"

namespace trace_detail {

int state = -1;

namespace {
FILE* file = nullptr;
uint32_t startMs = 0;
}  // namespace

static bool Open(const std::string& path) {
    if (file) {
        std::fclose(file);
        file = nullptr;
    }
    if (path.empty()) {
        state = 0;
        return false;
    }
    file = std::fopen(path.c_str(), "w");
    state = file ? 1 : 0;
    startMs = NowMs();
    if (!file) std::fprintf(stderr, "VELMORA_TRACE: cannot create %s\n", path.c_str());
    return file != nullptr;
}

bool Decide() {
    const char* path = std::getenv("VELMORA_TRACE");
    return Open(path ? path : "");
}

void Write(char direction, const char* channel, const uint8_t* bytes, size_t count) {
    if (!file) return;
    const std::string line = TraceLine(NowMs() - startMs, direction, channel, bytes, count);
    std::fputs(line.c_str(), file);
    std::fflush(file);
}

}  // namespace trace_detail

bool StartTrace(const std::string& path) { return trace_detail::Open(path); }

std::string TraceLine(uint32_t ms, char direction, const char* channel, const uint8_t* bytes, size_t count) {
    static const char kHex[] = "0123456789abcdef";
    char head[64];
    std::snprintf(head, sizeof head, "%u.000 %c %s", unsigned(ms), direction, channel);
    std::string line = head;
    line.reserve(line.size() + 3 * count + 1);
    for (size_t i = 0; i < count; ++i) {
        line += ' ';
        line += kHex[bytes[i] >> 4];
        line += kHex[bytes[i] & 15];
    }
    line += '\n';
    return line;
}
