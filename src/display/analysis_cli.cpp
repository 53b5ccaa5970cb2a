// velmora-cli histogram IN
// velmora-cli profile IN --row R
// velmora-cli photometry IN --object X Y --comparison X Y [--background X Y] [--radius R] [--snap]
// velmora-cli stats IN [--stars]
// velmora-cli render IN OUT.png [--histogram | --profile R | --plot3d]
// Every command also takes --model CODE. Positions and rows are image
// pixels; the numbers are the ones the analysis windows show.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/cli.h"
#include "settings/cli_support.h"
#include "core/messages.h"
#include "core/state.h"
#include "display/analysis_plots.h"
#include "display/display_state.h"
#include "stars/image_stats.h"
#include "display/photometry.h"
#include "display/render.h"
#include "files/cli_image_io.h"
#include "platform/paths.h"

namespace {

int Usage(const char* text) {
    std::fprintf(stderr, "usage: velmora-cli %s\n", text);
    return 2;
}

bool ParseInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || v < -1000000 || v > 1000000) return false;
    value = int(v);
    return true;
}

// Removes "--name X Y" from args. Returns false when the option is there but
// its two numbers are not.
bool TakePosition(CliArgs& args, const std::string& name, bool& present, int& x, int& y) {
    present = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] != name) continue;
        if (i + 2 >= args.size() || !ParseInt(args[i + 1], x) || !ParseInt(args[i + 2], y)) return false;
        args.erase(args.begin() + long(i), args.begin() + long(i) + 3);
        present = true;
        return true;
    }
    return true;
}

// Opens IN (with --model when given) and leaves the display records as a
// paint of the main window leaves them: the histogram counters and the black
// point from the background estimate.
int OpenImage(CliArgs& args) {
    const auto model = TakeOption(args, "--model");
    if (args.empty()) return 2;
    const int opened = OpenCliImage(args[0], model);
    if (opened != 0) return opened;
    args.erase(args.begin());
    const ImageGeometry& g = State().geometry;
    BlackPoint() = BackgroundEstimate(State().imageA, g.width, g.height, HistogramCounters());
    return 0;
}

std::string Trimmed(std::string text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first);
}

int RunHistogram(const CliArgs& argsIn) {
    CliArgs args = argsIn;
    const char* usage = "histogram IN [--model CODE]";
    if (args.empty()) return Usage(usage);
    if (const int opened = OpenImage(args)) return opened;
    if (!args.empty()) return Usage(usage);
    const auto& counters = HistogramCounters();
    for (size_t i = 0; i < counters.size(); ++i) std::printf("%zu %u\n", i, unsigned(counters[i]));
    return 0;
}

int RunProfile(const CliArgs& argsIn) {
    CliArgs args = argsIn;
    const char* usage = "profile IN --row R [--model CODE]";
    const auto rowText = TakeOption(args, "--row");
    int row = 0;
    if (!rowText || !ParseInt(*rowText, row) || args.empty()) return Usage(usage);
    if (const int opened = OpenImage(args)) return opened;
    if (!args.empty()) return Usage(usage);
    const ImageGeometry& g = State().geometry;
    if (row < 0 || row >= g.height) {
        ShowMessage(2);
        return 1;
    }
    for (const ProfileSample& s : RowProfile(State().imageA, g.width, g.height, row))
        std::printf("%d %d %d\n", s.k, s.column, s.value);
    return 0;
}

int RunPhotometry(const CliArgs& argsIn) {
    CliArgs args = argsIn;
    const char* usage =
        "photometry IN --object X Y --comparison X Y [--background X Y] [--radius R] [--snap] [--model CODE]";
    const bool snap = TakeFlag(args, "--snap");
    bool haveObject = false, haveComparison = false, haveBackground = false;
    int ox = 0, oy = 0, cx = 0, cy = 0, bx = 0, by = 0;
    if (!TakePosition(args, "--object", haveObject, ox, oy) ||
        !TakePosition(args, "--comparison", haveComparison, cx, cy) ||
        !TakePosition(args, "--background", haveBackground, bx, by) || !haveObject || !haveComparison)
        return Usage(usage);
    int radius = 4;
    if (const auto r = TakeOption(args, "--radius"); r && (!ParseInt(*r, radius) || !IsMaskRadius(radius))) {
        std::fprintf(stderr, "the mask radius is one of 0, 2, 3, 4, 6, 8\n");
        return 2;
    }
    if (args.empty()) return Usage(usage);
    if (const int opened = OpenImage(args)) return opened;
    if (!args.empty()) return Usage(usage);

    // Positions are image pixels: the display is taken unbinned, so the
    // centroid search works on them as they are.
    SetBinnedDisplay(false);
    if (StartPhotometry() != 0) return 1;
    SetMaskRadius(radius);
    const ImageGeometry& g = State().geometry;
    auto measure = [&](char which, int x, int y) {
        SelectMeasurement(which);
        if (snap && !SnapToStar(x, y)) return false;
        return MeasureAt(State().imageA, g.width, g.height, x, y);
    };
    if (!measure('o', ox, oy) || !measure('c', cx, cy) || (haveBackground && !measure('b', bx, by))) return 1;

    const PhotometryRecord& p = Photometry();
    const int r = Picking().maskRadius;
    const PhotometryFigures f = ComputePhotometry(p, r, BlackPoint());
    const int32_t area = (2 * r + 1) * (2 * r + 1);
    auto print = [&](const char* name, const PhotometryMeasure& m, int32_t mean) {
        std::printf("%s_x=%d\n%s_y=%d\n%s_sum=%d\n%s_mean=%s\n", name, m.x, name, m.y, name, int(m.sum), name,
                    Trimmed(FormatMean(mean)).c_str());
    };
    print("object", p.object, f.objectMean);
    print("comparison", p.comparison, f.comparisonMean);
    print("background", p.background, p.background.sum / area);
    std::printf("background_level=%s\n", Trimmed(FormatMean(f.backgroundLevel)).c_str());
    std::printf("dmag=%s\n", FormatMagnitude(f).c_str());
    FinishPhotometry();
    return 0;
}

int RunStats(const CliArgs& argsIn) {
    CliArgs args = argsIn;
    const char* usage = "stats IN [--stars] [--model CODE]";
    const bool stars = TakeFlag(args, "--stars");
    if (args.empty()) return Usage(usage);
    if (const int opened = OpenImage(args)) return opened;
    if (!args.empty()) return Usage(usage);
    const ImageGeometry& g = State().geometry;
    const ImageStatistics s = ComputeImageStatistics(State().imageA, size_t(g.width) * size_t(g.height));
    std::printf("min=%d\nmax=%d\nmean=%.3f\nmedian=%.1f\nstddev=%.3f\n", s.min, s.max, s.mean, s.median, s.stddev);
    if (stars) {
        const StarStatistics found = FindStars(State().imageA, g.width, g.height);
        std::printf("stars=%d\n", found.count);
        if (found.haveFigures)
            std::printf("fwhm=%.2f\nhfr=%.2f\n", found.fwhm, found.hfr);
        else
            std::printf("fwhm=\nhfr=\n");
    }
    return 0;
}

int RunRender(const CliArgs& argsIn) {
    CliArgs args = argsIn;
    const char* usage = "render IN OUT.png [--histogram | --profile R | --plot3d] [--model CODE]";
    const bool histogram = TakeFlag(args, "--histogram");
    const bool plot3d = TakeFlag(args, "--plot3d");
    const auto profileText = TakeOption(args, "--profile");
    int row = 0;
    if (profileText && !ParseInt(*profileText, row)) return Usage(usage);
    if (int(histogram) + int(plot3d) + int(bool(profileText)) > 1 || args.size() < 2) return Usage(usage);
    if (const int opened = OpenImage(args)) return opened;
    if (args.size() != 1) return Usage(usage);
    const std::string out = MapPath(args[0]);
    const ImageGeometry& g = State().geometry;
    const Pixel* image = State().imageA;
    bool written = false;
    if (histogram) {
        PlotCanvas canvas(kHistogramCanvasWidth, kHistogramCanvasHeight);
        DrawHistogram(canvas, BuildHistogram(HistogramCounters()));
        written = WritePng(canvas, out);
    } else if (profileText) {
        if (row < 0 || row >= g.height) {
            ShowMessage(2);
            return 1;
        }
        PlotCanvas canvas(kProfileCanvasWidth, kProfileCanvasHeight, kGrey);
        DrawRowProfile(canvas, RowProfile(image, g.width, g.height, row));
        written = WritePng(canvas, out);
    } else if (plot3d) {
        const Plot3DLayout layout = Plot3DLayoutFor(g.width, g.height, g.binned);
        PlotCanvas canvas(layout.canvasWidth, layout.canvasHeight);
        DrawPlot3D(canvas, image, g.width, layout);
        written = WritePng(canvas, out);
    } else {
        // The main window's picture: the display bitmap through its palette.
        RenderedBitmap bitmap;
        RenderDisplay(bitmap);
        PlotCanvas canvas(bitmap.width, bitmap.height);
        const int stride = BitmapStride(bitmap.width);
        for (int y = 0; y < bitmap.height; ++y) {
            const uint8_t* line = bitmap.file.data() + kBitmapHeaderBytes + size_t(bitmap.height - 1 - y) * stride;
            for (int x = 0; x < bitmap.width; ++x) {
                const auto& c = bitmap.palette[line[x]];
                canvas.Set(x, y, {c[0], c[1], c[2]});
            }
        }
        written = WritePng(canvas, out);
    }
    if (!written) {
        ShowMessage(29);
        return 1;
    }
    return 0;
}

const bool registered = [] {
    RegisterCliCommand({"histogram", "IN [--model CODE]", RunHistogram});
    RegisterCliCommand({"profile", "IN --row R [--model CODE]", RunProfile});
    RegisterCliCommand({"photometry",
                        "IN --object X Y --comparison X Y [--background X Y] [--radius R] [--snap] [--model CODE]",
                        RunPhotometry});
    RegisterCliCommand({"stats", "IN [--stars] [--model CODE]", RunStats});
    RegisterCliCommand({"render", "IN OUT.png [--histogram | --profile R | --plot3d] [--model CODE]", RunRender});
    return true;
}();

}  // namespace
