#include "files/cli_image_io.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "core/camera_models.h"
#include "settings/cli_support.h"
#include "core/messages.h"
#include "core/ui_hooks.h"
#include "core/state.h"
#include "files/file_commands.h"
#include "files/fits.h"
#include "files/raw_files.h"
#include "platform/paths.h"

namespace {

std::string LowerExtension(const std::string& path) {
    const std::string title = FileTitle(path);
    const size_t dot = title.rfind('.');
    std::string ext = dot == std::string::npos ? "" : title.substr(dot);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

}  // namespace

int OpenCliImage(const std::string& in, const std::optional<std::string>& model) {
    AppState& s = State();
    if (model) {
        char* end = nullptr;
        const long code = std::strtol(model->c_str(), &end, 10);
        if (end == model->c_str() || *end || !FindCameraModel(int(code))) {
            std::fprintf(stderr, "unknown camera model %s\n", model->c_str());
            return 2;
        }
        s.geometry.modelCode = int16_t(code);
        ApplyCameraModelGeometry();  // for this run only: the settings file is left alone
    }
    TakeShownMessage();
    if (OpenImageFile(in) != kOpenedImage) return 1;
    s.currentFileName = LowerTitle(in);
    TakeShownMessage();
    return 0;
}

bool WriteCliImage(const std::string& out, bool tiff16) {
    AppState& s = State();
    const std::string ext = LowerExtension(out);
    if (ext == ".fit" || ext == ".fits") {
        if (SaveFits(out, s.imageA, s.fits.eightBit) == 0) return true;
        ShowMessage(29);
        return false;
    }
    if (ext == ".tif") {
        if (SaveTiff(out, s.imageA, tiff16) == 0) return true;
        ShowMessage(29);
        return false;
    }
    if (ext == ".bmp") {
        if (const auto& write = UpperLayers().writeDisplayBitmap; write && write(MapPath(out))) return true;
        if (!TakeShownMessage()) ShowMessage(8);
        return false;
    }
    return SaveRawFile(out);
}
