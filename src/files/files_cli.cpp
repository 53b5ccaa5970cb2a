// velmora-cli fits-info FILE
// velmora-cli convert IN OUT [--model CODE] [--tiff16]
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/camera_models.h"
#include "app/cli.h"
#include "app/cli_support.h"
#include "app/messages.h"
#include "app/state.h"
#include "display/render.h"
#include "files/file_commands.h"
#include "files/fits.h"
#include "files/raw_files.h"
#include "platform/paths.h"

namespace {

int Usage(const char* text) {
    std::fprintf(stderr, "usage: velmora-cli %s\n", text);
    return 2;
}

// Prints the header cards up to END, one per line, trailing spaces removed.
int RunFitsInfo(const CliArgs& args) {
    if (args.size() != 1) return Usage("fits-info FILE");
    std::FILE* file = std::fopen(MapPath(args[0]).c_str(), "rb");
    if (!file) {
        ShowMessage(13);
        return 1;
    }
    std::string out;
    char card[kFitsCardBytes];
    bool ended = false, foreign = false;
    for (size_t n = 0; !ended; ++n) {
        if (std::fread(card, 1, sizeof card, file) != sizeof card) break;
        if (n == 0 && std::memcmp(card, "SIMPLE  =", 9) != 0) {
            foreign = true;
            break;
        }
        size_t length = sizeof card;
        while (length > 0 && card[length - 1] == ' ') --length;
        for (size_t i = 0; i < length; ++i) {
            const unsigned char c = static_cast<unsigned char>(card[i]);
            out += std::isprint(c) ? char(c) : '?';
        }
        out += '\n';
        ended = std::memcmp(card, "END     ", 8) == 0 || (length == 3 && std::memcmp(card, "END", 3) == 0);
    }
    std::fclose(file);
    if (foreign) {
        ShowMessage(14);
        return 1;
    }
    if (!ended) {
        ShowMessage(13);
        return 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

std::string LowerExtension(const std::string& path) {
    const std::string title = FileTitle(path);
    const size_t dot = title.rfind('.');
    std::string ext = dot == std::string::npos ? "" : title.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

int RunConvert(const CliArgs& argsIn) {
    CliArgs args = argsIn;
    const bool tiff16 = TakeFlag(args, "--tiff16");
    const auto model = TakeOption(args, "--model");
    if (args.size() != 2) return Usage("convert IN OUT [--model CODE] [--tiff16]");
    AppState& s = State();
    if (model) {
        char* end = nullptr;
        const long code = std::strtol(model->c_str(), &end, 10);
        if (end == model->c_str() || *end || !FindCameraModel(int(code))) {
            std::fprintf(stderr, "unknown camera model %s\n", model->c_str());
            return 2;
        }
        s.geometry.modelCode = int16_t(code);
        ApplyCameraModel();
    }
    TakeShownMessage();

    const std::string& in = args[0];
    const std::string& out = args[1];
    if (OpenImageFile(in) != kOpenedImage) return 1;
    s.currentFileName = LowerTitle(in);
    TakeShownMessage();

    const std::string ext = LowerExtension(out);
    bool ok = true;
    if (ext == ".fit" || ext == ".fits") {
        if (SaveFits(out, s.imageA, s.fits.eightBit) != 0) {
            ShowMessage(29);
            ok = false;
        }
    } else if (ext == ".tif") {
        if (SaveTiff(out, s.imageA, tiff16) != 0) {
            ShowMessage(29);
            ok = false;
        }
    } else if (ext == ".bmp") {
        if (!WriteDisplayBitmap(MapPath(out))) {
            if (!TakeShownMessage()) ShowMessage(8);
            ok = false;
        }
    } else {
        ok = SaveRawFile(out);
    }
    return ok && !TakeShownMessage() ? 0 : 1;
}

const bool registeredInfo = RegisterCliCommand({"fits-info", "FILE", RunFitsInfo});
const bool registeredConvert =
    RegisterCliCommand({"convert", "IN OUT [--model CODE] [--tiff16]", RunConvert});

}  // namespace
