// velmora-cli fits-info FILE
// velmora-cli convert IN OUT [--model CODE] [--tiff16]
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/camera_models.h"
#include "core/cli.h"
#include "settings/cli_support.h"
#include "core/messages.h"
#include "core/state.h"
#include "files/cli_image_io.h"
#include "files/fits.h"
#include "files/raw_files.h"
#include "platform/paths.h"

namespace {

int Usage(const char* text) {
    std::fprintf(stderr, "usage: velmora-cli %s\n", text);
    return 2;
}

// A header longer than this many cards without END is not read further.
constexpr size_t kMaxHeaderCards = 36 * 100;

// Prints the header cards up to END, one per line, trailing spaces removed.
int RunFitsInfo(const CliArgs& args) {
    if (args.size() != 1) return Usage("fits-info FILE");
    const std::string host = MapPath(args[0]);
    if (IsNonRegularFile(host)) {
        ShowMessage(50, "Sorry, " + args[0] + " is not a regular file");
        return 1;
    }
    std::FILE* file = OpenRegularFile(host);
    if (!file) {
        ShowMessage(13);
        return 1;
    }
    std::string out;
    char card[kFitsCardBytes];
    bool ended = false, foreign = false;
    size_t n = 0;
    for (; !ended && n < kMaxHeaderCards; ++n) {
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
    if (!ended && n == kMaxHeaderCards) {
        ShowMessage(50, "Sorry, no END card in the first 100 header blocks of " + args[0]);
        return 1;
    }
    if (!ended) {
        ShowMessage(13);
        return 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}

int RunConvert(const CliArgs& argsIn) {
    CliArgs args = argsIn;
    const bool tiff16 = TakeFlag(args, "--tiff16");
    const auto model = TakeOption(args, "--model");
    if (args.size() != 2) return Usage("convert IN OUT [--model CODE] [--tiff16]");
    if (const int opened = OpenCliImage(args[0], model); opened != 0) return opened;
    const bool ok = WriteCliImage(args[1], tiff16);
    return ok && !TakeShownMessage() ? 0 : 1;
}

const bool registeredInfo = RegisterCliCommand({"fits-info", "FILE", RunFitsInfo});
const bool registeredConvert =
    RegisterCliCommand({"convert", "IN OUT [--model CODE] [--tiff16]", RunConvert});

}  // namespace
