// velmora-cli calibration show | clear: the kept guider calibration of the
// guiding file, printed as the file holds it or forgotten.
#include <algorithm>
#include <cstdio>
#include <string>

#include "core/cli.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "platform/platform.h"

namespace {

const char* kUsage =
    "usage: velmora-cli calibration show    print the kept calibration and guiding settings,\n"
    "                                       one key=value line each, then age_s= (seconds since\n"
    "                                       the training, -1 when never trained)\n"
    "       velmora-cli calibration clear   forget the kept guider calibration\n";

// --help prints the usage (0); any other argument is refused (2).
bool CheckArgs(const CliArgs& args, int& status) {
    if (args.empty()) return true;
    const bool help = args.size() == 1 && (args[0] == "--help" || args[0] == "-h");
    if (!help) std::fprintf(stderr, "unknown argument %s\n", args[0].c_str());
    std::fprintf(help ? stdout : stderr, "%s", kUsage);
    status = help ? 0 : 2;
    return false;
}

int RunShow(const CliArgs& args) {
    int status = 0;
    if (!CheckArgs(args, status)) return status;
    const bool read = LoadGuidingFile();
    const std::string text = GuidingFileText();
    std::fputs(text.c_str() + text.find('\n') + 1, stdout);
    const GuiderState& g = Guider();
    // A simulated night runs ahead of the wall clock: never a negative age.
    const long long age = g.trained && g.trainedAtS > 0 ? std::max(0LL, Sys().clock->UnixSeconds() - g.trainedAtS) : -1;
    std::printf("age_s=%lld\n", age);
    return read ? 0 : 1;
}

int RunClear(const CliArgs& args) {
    int status = 0;
    if (!CheckArgs(args, status)) return status;
    LoadGuidingFile();  // the other kept settings stay as they are
    return ClearGuidingCalibration() ? 0 : 1;
}

const bool registered = RegisterCliCommand({"calibration show", "[--help]", RunShow}) &&
                        RegisterCliCommand({"calibration clear", "[--help]", RunClear});

}  // namespace
