#include "telescope/lx200.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "core/state.h"
#include "platform/platform.h"
#include "platform/stop_signal.h"
#include "telescope/motion_stop.h"
#include "telescope/telescope_link.h"
#include "telescope/telescope_timing.h"

namespace {

bool Send(const std::string& text) { return SendSerialCommand(TelescopePort(), text, text.size()); }

bool IsDirection(char d) { return d == 'e' || d == 'w' || d == 'n' || d == 's'; }

}  // namespace

char PlusXLetter(const Settings& s) { return s.guideLetters[2]; }
char MinusXLetter(const Settings& s) { return s.guideLetters[3]; }
char PlusYLetter(const Settings& s) { return s.guideLetters[0]; }
char MinusYLetter(const Settings& s) { return s.guideLetters[1]; }

std::string MoveCommand(char direction) { return std::string("#:M") + direction + "#"; }
std::string QuitCommand(char direction) { return std::string("#:Q") + direction + "#"; }

void StartMove(const std::string& rateCommand, const std::string& moveCommand) {
    Send(rateCommand);
    Running().move = 'a';
    Send(moveCommand);
}

void StopMove() {
    for (char d : {'n', 's', 'e', 'w'}) Send(QuitCommand(d));
    Running().move = 0;
}

void StartFocus(const std::string& speedCommand, const std::string& focusCommand) {
    Send(speedCommand);
    Running().focusing = true;
    Send(focusCommand);
}

void StopFocus() {
    Send(kFocusQuit);
    Running().focusing = false;
}

std::string CatalogueCommand(char catalogue, int number) {
    const char* head = catalogue == 'm' ? "#:LM " : catalogue == 's' ? "#:LS " : "#:LC ";
    char text[32];
    std::snprintf(text, sizeof text, "%s%04d#", head, number);
    return text;
}

std::string GetObjectInfo() {
    TelescopeLink().scopeInfo.clear();
    Send(kObjectInfo);
    WaitMs(200);
    ReadSerialReply(TelescopePort(), 33);
    return TelescopeLink().scopeInfo;
}

std::string GotoCatalogue(char catalogue, int number) {
    Send(CatalogueCommand(catalogue, number));
    GetObjectInfo();
    Beep();
    Send(kSlewToObject);
    WaitMs(500);
    return ReadSlewReply(TelescopePort());
}

std::string SetRaText(int hours, int minutes) {
    char text[32];
    std::snprintf(text, sizeof text, "#:Sr %02d:%02d.0#", hours, minutes);
    return std::string(text).substr(0, 12);
}

std::string SetDecText(int degrees, int minutes) {
    char text[32];
    std::snprintf(text, sizeof text, "#:Sd %c%02d*%02d#", degrees < 0 ? '-' : '+', std::abs(degrees), minutes);
    return std::string(text).substr(0, 11);
}

std::string GotoCoordinates(int hours, int minutes, int degrees, int decMinutes) {
    const uint32_t start = NowMs();
    TelescopeLink().scopeInfo.clear();
    Send(SetRaText(hours, minutes));
    Send(SetDecText(degrees, decMinutes));
    Send(kObjectInfo);
    WaitUntil(start + 1);
    // The mount acknowledges each co-ordinate and answers "#:LI#" before it
    // hears "#:MS#": read those answers first, as Get object info does, so
    // that the slew answer is the answer to the slew.
    WaitMs(200);
    ReadCoordinateAnswers(TelescopePort());
    Beep();
    Send(kSlewToObject);
    WaitMs(1);
    return ReadSlewReply(TelescopePort());
}

// One position answer; an Autostar's is read a second time 10 ms later
// (it may come late). The second read keeps the first answer when it brings
// nothing: on the PC route the line read has already taken the whole answer.
static std::string PositionAnswer(const char* query, bool autostar) {
    TelescopeLinkState& link = TelescopeLink();
    const int port = TelescopePort();
    Send(query);
    ReadSerialReply(port, 33);
    if (autostar) {
        const std::string first = link.scopeInfo;
        WaitMs(10);
        ReadSerialReply(port, 33);
        if (link.scopeInfo.empty()) link.scopeInfo = first;
    }
    return link.scopeInfo;
}

void ReadPosition(bool autostar) {
    TelescopeLinkState& link = TelescopeLink();
    link.raText = PositionAnswer(kGetRa, autostar);
    link.decText = PositionAnswer(kGetDec, autostar);
}

bool PulseGuideSerial() {
    if (State().settings.driveMethod == 'b') return PulseGuideRelay();
    // A stop signal that came before the pulse leaves now, without it.
    if (LeaveIfStopSignalled()) return true;
    bool ok = true;
    TelescopeLinkState& link = TelescopeLink();
    const uint32_t lead = NowMs() + 20;
    const char d = link.direction;
    if (IsDirection(d)) {
        Send(kRateGuide);
        WaitUntil(lead);
        const uint32_t end = NowMs() + link.pulseLength;
        Running().move = d;
        // A move that did not go out is not waited for; a failed move or
        // quit stops whatever else runs, on every route that still answers.
        const bool moved = Send(MoveCommand(d));
        if (moved) WaitUntil(end);
        const bool quit = Send(QuitCommand(d));
        Running().move = 0;
        ok = moved && quit;
        if (!ok) StopEveryMotion();
    }
    WaitMs(4);
    LeaveIfStopSignalled();
    return ok;
}

bool PulseGuideRelay() {
    if (LeaveIfStopSignalled()) return true;
    bool ok = true;
    TelescopeLinkState& link = TelescopeLink();
    const uint32_t lead = NowMs() + 10;
    if (const uint8_t bit = RelayBit(link.direction)) {
        WaitUntil(lead);
        const uint32_t end = NowMs() + link.pulseLength;
        const bool closed = WriteRelays(bit);
        if (closed) WaitUntil(end);
        ok = WriteRelays(0) && closed;
        if (!ok) StopEveryMotion();
    }
    WaitMs(300);
    LeaveIfStopSignalled();
    return ok;
}

bool PulseGuideRelays(char first, uint32_t firstMs, char second, uint32_t secondMs) {
    if (LeaveIfStopSignalled()) return true;
    const uint8_t a = firstMs > 0 ? RelayBit(first) : 0, b = secondMs > 0 ? RelayBit(second) : 0;
    bool ok = true;
    if (a | b) {
        WaitUntil(NowMs() + 10);
        // Both relays close together; each opens when its own time is up.
        const uint32_t start = NowMs();
        const uint32_t shortMs = !a ? secondMs : !b ? firstMs : std::min(firstMs, secondMs);
        const uint32_t longMs = std::max(a ? firstMs : 0, b ? secondMs : 0);
        const uint8_t rest = !a || !b ? uint8_t(a | b) : firstMs > secondMs ? a : secondMs > firstMs ? b : 0;
        ok = WriteRelays(uint8_t(a | b));
        if (ok) {
            WaitUntil(start + shortMs);
            if (rest && shortMs < longMs) {
                ok = WriteRelays(rest);
                if (ok) WaitUntil(start + longMs);
            }
        }
        ok = WriteRelays(0) && ok;
        if (!ok) StopEveryMotion();
    }
    WaitMs(300);
    LeaveIfStopSignalled();
    return ok;
}

void StartRelayMove(char direction) {
    WaitMs(1);
    WriteRelays(RelayBit(direction));
}

void StopRelayMove() { WriteRelays(0); }
