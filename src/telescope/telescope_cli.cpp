// velmora-cli scope [--simulate] COMMAND: the telescope control operations
// with the stored drive method and ports.
//   goto-messier N | goto-ngc N | goto-planet NAME | goto RA_H RA_M DEC_D DEC_M
//   position | move DIR MS [--rate slew|find|centre|guide] | focus in|out MS [--fast|--slow]
//   pulse DIR MS | ao-step DIR N | ao-centre
// DIR is n, s, e or w (north, south, east, west). Each prints what the mount
// answered; a refusal prints the message and exits 1.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/cli.h"
#include "settings/cli_support.h"
#include "core/messages.h"
#include "core/state.h"
#include "platform/platform.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope/telescope_control.h"
#include "telescope/telescope_link.h"

namespace {

constexpr const char* kUsage =
    "[--simulate] goto-messier N | goto-ngc N | goto-planet NAME | goto RA_H RA_M DEC_D DEC_M | position | "
    "move DIR MS [--rate slew|find|centre|guide] | focus in|out MS [--fast|--slow] | pulse DIR MS | "
    "ao-step DIR N | ao-centre";

int Usage() {
    std::fprintf(stderr, "usage: velmora-cli scope %s\n", kUsage);
    return 2;
}

// A whole number argument; false when it is not one.
bool Number(const std::string& text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end || v < -100000 || v > 100000) return false;
    value = int(v);
    return true;
}

// n/s/e/w (or the words) as a direction letter; 0 otherwise.
char Direction(const std::string& text) {
    if (text == "n" || text == "north") return 'n';
    if (text == "s" || text == "south") return 's';
    if (text == "e" || text == "east") return 'e';
    if (text == "w" || text == "west") return 'w';
    return 0;
}

// The move command of a compass direction with the swap settings applied,
// as the dialog's arrows send it.
char MountLetter(char direction) {
    const Settings& s = State().settings;
    switch (direction) {
        case 'w': return MinusXLetter(s);
        case 'e': return PlusXLetter(s);
        case 'n': return PlusYLetter(s);
        default: return MinusYLetter(s);
    }
}

int Refuse(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    return 1;
}

int PrintSlew(const std::string& answer) {
    const TelescopeLinkState& link = TelescopeLink();
    std::printf("Info from Scope: %s\n", link.scopeInfo.c_str());
    std::printf("Slew answer: %s\n", answer.c_str());
    return answer == "0" ? 0 : 1;
}

int RunScope(const CliArgs& input) {
    CliArgs args = input;
    if (TakeFlag(args, "--simulate")) setenv("VELMORA_SIMULATE", "1", 1);
    const bool fast = !TakeFlag(args, "--slow");
    TakeFlag(args, "--fast");
    const std::string rate = TakeOption(args, "--rate").value_or("guide");
    if (args.empty()) return Usage();
    const Settings& s = State().settings;
    if (s.driveMethod == 'n') {
        ShowMessage(34);
        return 1;
    }
    const std::string command = args[0];
    std::vector<int> n;
    for (size_t i = 1; i < args.size(); ++i) {
        int v = 0;
        n.push_back(Number(args[i], v) ? v : -100001);
    }
    auto numbers = [&](size_t count, size_t from = 0) {
        if (args.size() != count + 1) return false;
        for (size_t i = from; i < count; ++i)
            if (n[i] == -100001) return false;
        return true;
    };
    if (!PrepareTelescopeControl()) return 1;
    TakeShownMessage();
    const int port = TelescopePort();
    TelescopeLinkState& link = TelescopeLink();
    int status = 0;
    if (command == "goto-messier" || command == "goto-ngc") {
        if (!numbers(1)) return Usage();
        char catalogue = 0;
        int number = 0;
        const bool messier = command == "goto-messier";
        if (!ChooseObject(messier ? n[0] : 0, messier ? 0 : n[0], catalogue, number) ||
            (messier && catalogue != 'm'))
            return Refuse(kObjectOutOfRange);
        status = PrintSlew(GotoCatalogue(catalogue, number));
    } else if (command == "goto-planet") {
        if (args.size() != 2) return Usage();
        const int number = PlanetNumber(args[1]);
        if (!number) return Refuse(kObjectOutOfRange);
        status = PrintSlew(GotoCatalogue('s', number));
    } else if (command == "goto") {
        if (!numbers(4)) return Usage();
        if (!ValidCoordinates(n[0], n[1], n[2], n[3])) return Refuse(kInvalidCoordinates);
        status = PrintSlew(GotoCoordinates(n[0], n[1], n[2], n[3]));
    } else if (command == "position") {
        if (args.size() != 1) return Usage();
        ReadPosition(s.driveMethod == 'a');
        std::printf("RA %s\nDec %s\n", link.raText.c_str(), link.decText.c_str());
        status = link.raText.empty() || link.decText.empty() ? 1 : 0;
    } else if (command == "move") {
        const char d = args.size() == 3 ? Direction(args[1]) : 0;
        if (!d || !numbers(2, 1) || n[1] < 0) return Usage();
        const char rateLetter = rate == "slew" ? 'S' : rate == "find" ? 'M' : rate == "centre" ? 'C' : 'G';
        if (s.driveMethod == 'b') {
            StartRelayMove(d);
            WaitMs(uint32_t(n[1]));
            StopRelayMove();
        } else {
            StartMove(RateCommand(rateLetter), MoveCommand(MountLetter(d)));
            WaitMs(uint32_t(n[1]));
            StopMove();
        }
        std::printf("Moved %s for %d ms\n", args[1].c_str(), n[1]);
    } else if (command == "focus") {
        if (args.size() != 3 || (args[1] != "in" && args[1] != "out") || !numbers(2, 1) || n[1] < 0) return Usage();
        StartFocus(fast ? kFocusFast : kFocusSlow, args[1] == "in" ? kFocusIn : kFocusOut);
        WaitMs(uint32_t(n[1]));
        StopFocus();
        std::printf("Focused %s for %d ms (%s)\n", args[1].c_str(), n[1], fast ? "fast" : "slow");
    } else if (command == "pulse") {
        const char d = args.size() == 3 ? Direction(args[1]) : 0;
        if (!d || !numbers(2, 1) || n[1] < 0) return Usage();
        link.direction = d;
        link.pulseLength = uint32_t(n[1]);
        PulseGuideSerial();
        std::printf("Pulsed %c for %d ms\n", d, n[1]);
    } else if (command == "ao-step") {
        const char d = args.size() == 3 ? Direction(args[1]) : 0;
        if (!d || !numbers(2, 1) || n[1] < 0) return Usage();
        AoStep(n[1], d);
        std::printf("AO position x %d y %d%s%s\n", link.aoX, link.aoY, link.bumpText.empty() ? "" : ", mount bump ",
                    link.bumpText.c_str());
    } else if (command == "ao-centre") {
        if (args.size() != 1) return Usage();
        CentreAo();
        std::printf("AO centred\n");
    } else {
        return Usage();
    }
    if (TakeShownMessage()) status = 1;
    return status;
}

const bool registered = RegisterCliCommand({"scope", kUsage, RunScope});

}  // namespace
