#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "core/state.h"
#include "files/file_state.h"
#include "platform/platform.h"

namespace fuzz {
namespace {

class QuietMessages : public MessageSink {
public:
    int Show(const std::string&, const std::string&, MessageIcon) override { return kButtonOk; }
};

std::string home;

}  // namespace

void Start() {
    if (!home.empty()) return;
    char pattern[] = "/tmp/velmora-fuzz-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    home = made;
    setenv("VELMORA_HOME", home.c_str(), 1);
    setenv("TZ", "UTC", 1);
    static QuietMessages messages;
    Platform p = Sys();
    p.messages = &messages;
    InstallPlatform(p);
    ResetState();
    std::atexit([] {
        std::error_code ec;
        std::filesystem::remove_all(home, ec);
    });
}

void Reset() {
    ImageGeometry& g = State().geometry;
    g.modelCode = 3;  // no model row: the geometry below stays
    g.sensorWidth = kWidth;
    g.sensorHeight = kHeight;
    g.readBlocks = kBlocks;
    g.binned = false;
    RecomputeGeometry();
    ResetFileState();
    State().fits = FitsDetails{};
    State().history = {};
    State().hotPixels = HotPixelList{};
}

std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = home + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

std::string Home() { return home; }

}  // namespace fuzz
