// velmora-cli process IN OUT [--model CODE] [--tiff16] OP...
// Opens IN as "&Open..." does, applies the operations in order to the current
// image and writes OUT by its extension (FITS carries the history cards).
#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <limits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/camera_models.h"
#include "core/cli.h"
#include "core/messages.h"
#include "settings/cli_support.h"
#include "core/state.h"
#include "display/display_state.h"
#include "display/render.h"
#include "display/view_options.h"
#include "files/cli_image_io.h"
#include "files/fits.h"
#include "files/hot_pixels.h"
#include "files/file_commands.h"
#include "files/file_state.h"
#include "files/raw_files.h"
#include "platform/paths.h"
#include "processing/calibration.h"
#include "processing/filters.h"
#include "core/history.h"
#include "processing/label.h"
#include "processing/stretches.h"

namespace {

std::vector<std::string> SplitOperation(const std::string& op, size_t maxParts) {
    // "label:TEXT" keeps any ':' inside TEXT: only the first maxParts - 1
    // colons split.
    std::vector<std::string> parts;
    size_t start = 0;
    while (parts.size() + 1 < maxParts) {
        const size_t colon = op.find(':', start);
        if (colon == std::string::npos) break;
        parts.push_back(op.substr(start, colon - start));
        start = colon + 1;
    }
    parts.push_back(op.substr(start));
    return parts;
}

// A whole number. A value beyond the range of int is held at INT_MIN or
// INT_MAX, never wrapped, so the operation's own range check refuses it with
// its message (code 50) and the image is left as it was.
bool ParseInt(const std::string& text, int& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0') return false;
    value = int(std::clamp<long long>(parsed, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
    return true;
}

// A double turned into an int the same way (held, never undefined).
int HeldInt(double v) {
    if (!(v == v)) return std::numeric_limits<int>::min();
    return int(std::clamp(v, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

// A number; a value too large for a double comes as infinity, which the
// operation's range check refuses.
bool ParseDouble(const std::string& text, double& value) {
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

// Returns false (after printing why) for a malformed operation; the
// operation's own refusals come as shown messages.
bool RunOperation(const std::string& op, const std::vector<uint32_t>& hotPixelsOfInput) {
    const std::string name = op.substr(0, op.find(':'));
    const bool hasArgs = op.find(':') != std::string::npos;
    auto bad = [&op] {
        std::fprintf(stderr, "bad operation: %s\n", op.c_str());
        return false;
    };
    auto noArgs = [&](auto&& run) {
        if (hasArgs) return bad();
        run();
        return true;
    };
    AppState& s = State();
    if (name == "normal-stretch") {
        const auto p = SplitOperation(op, 3);
        int black, white;
        if (p.size() != 3 || !ParseInt(p[1], black) || !ParseInt(p[2], white)) return bad();
        NormalStretch(black, white);
        return true;
    }
    if (name == "power-stretch") {
        const auto p = SplitOperation(op, 2);
        double power;
        if (p.size() != 2 || !ParseDouble(p[1], power)) return bad();
        PowerStretch(power);
        return true;
    }
    if (name == "sine-stretch") return noArgs(SineStretch);
    if (name == "log-stretch") return noArgs(LogStretch);
    if (name == "antilog-stretch") return noArgs(AntilogStretch);
    if (name == "invert") return noArgs(InvertStretch);
    if (name == "remove-background") {
        int m;
        if (!hasArgs) {
            // The menu's black point: what the display finds at the end of a
            // paint of the current image (the background estimate).
            std::array<uint16_t, 257> counters{};
            m = BackgroundEstimate(s.imageA, s.geometry.width, s.geometry.height, counters);
            BlackPoint() = m;
        } else if (const auto p = SplitOperation(op, 2); p.size() != 2 || !ParseInt(p[1], m)) {
            return bad();
        }
        RemoveBackground(m, false);
        return true;
    }
    if (name == "non-linear") {
        const auto p = SplitOperation(op, 2);
        int c;
        if (p.size() != 2 || !ParseInt(p[1], c)) return bad();
        NonLinearStretch(c, false);
        return true;
    }
    if (name == "unsharp") {
        const auto p = SplitOperation(op, 3);
        int r, k;
        if (p.size() != 3 || !ParseInt(p[1], r) || !ParseInt(p[2], k)) return bad();
        Unsharp(r, k, false);
        return true;
    }
    if (name == "hp-low") return noArgs([] { HighPassLowPower(false); });
    if (name == "hp-high") return noArgs(HighPassHighPower);
    if (name == "smoother-sharper") return noArgs(SmootherSharper);
    if (name == "gaussian") return noArgs(GaussianFilter);
    if (name == "lowpass") return noArgs(LowpassFilter);
    if (name == "bas-relief") return noArgs(BasRelief);
    if (name == "gradient") return noArgs([] { RemoveGradient(); });
    if (name == "median") {
        // median:R:P with the power as shown by the dialog, 0.1 .. 1.0.
        const auto p = SplitOperation(op, 3);
        int r;
        double power;
        if (p.size() != 3 || !ParseInt(p[1], r) || !ParseDouble(p[2], power)) return bad();
        ConditionalMedian(r, HeldInt(power * 10 + 0.5));
        return true;
    }
    if (name == "dark" || name == "flat") {
        const auto p = SplitOperation(op, 2);
        if (p.size() != 2 || p[1].empty()) return bad();
        if (name == "dark") SubtractDarkFile(p[1], false);
        else ApplyFlatFile(p[1], false);
        return true;
    }
    if (name == "hot-pixels") {
        // The map was found on IN before any operation ran; apply it here.
        State().hotPixels.indices = hotPixelsOfInput;
        State().hotPixels.loaded = true;
        ApplyHotPixelMapCommand();
        return true;
    }
    if (name == "label") {
        if (!hasArgs) return bad();
        LabelImage(false, op.substr(op.find(':') + 1));
        return true;
    }
    if (name == "mirror") return noArgs(MirrorImageCommand);
    if (name == "flip") return noArgs(FlipImageCommand);
    if (name == "undo") return noArgs(UndoLastFilter);
    return bad();
}

int RunProcess(const CliArgs& given) {
    CliArgs args = given;
    const std::optional<std::string> model = TakeOption(args, "--model");
    const bool tiff16 = TakeFlag(args, "--tiff16");
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: velmora-cli process IN OUT [--model CODE] [--tiff16] OP...\n");
        return 2;
    }
    const std::string in = args[0], out = args[1];
    const std::vector<std::string> ops(args.begin() + 2, args.end());

    // Opened as "&Open..." opens it; a hot pixel map is not an image to process.
    if (const int opened = OpenCliImage(in, model); opened != 0) return opened;

    // hot-pixels:THRESHOLD finds the map on the image as opened.
    std::vector<uint32_t> hotPixels;
    for (const std::string& op : ops) {
        if (op.rfind("hot-pixels", 0) != 0) continue;
        const auto p = SplitOperation(op, 2);
        int threshold;
        if (p.size() != 2 || !ParseInt(p[1], threshold) || threshold < kMinHotPixelThreshold ||
            threshold > kMaxHotPixelThreshold) {
            std::fprintf(stderr, "bad operation: %s\n", op.c_str());
            return 2;
        }
        FileState().hotPixelThreshold = threshold;
        FindHotPixels(State().imageA);
        if (TakeShownMessage()) return 1;
        hotPixels = State().hotPixels.indices;
        break;
    }

    for (const std::string& op : ops) {
        if (!RunOperation(op, hotPixels)) return 2;
        if (TakeShownMessage()) return 1;
    }

    const bool ok = WriteCliImage(out, tiff16);
    return ok && !TakeShownMessage() ? 0 : 1;
}

const bool registered = RegisterCliCommand(
    {"process", "IN OUT [--model CODE] [--tiff16] OP...  (OP: normal-stretch:B:W power-stretch:P sine-stretch "
                "log-stretch antilog-stretch invert remove-background[:M] non-linear:C unsharp:R:K hp-low hp-high "
                "smoother-sharper median:R:P gaussian lowpass bas-relief gradient dark:FILE flat:FILE "
                "hot-pixels:THRESHOLD label:TEXT mirror flip undo)",
     RunProcess});

}  // namespace
