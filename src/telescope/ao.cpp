#include "telescope/ao.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/state.h"
#include "platform/platform.h"
#include "telescope/telescope_link.h"
#include "telescope/telescope_timing.h"

namespace {

bool RelayMode() { return State().settings.aoOption; }

// Puts a command into the send buffer and sends it; false when it did not
// go out.
bool SendAo(const std::string& text) {
    TelescopeLinkState& link = TelescopeLink();
    link.sendBuffer.fill(0);
    std::memcpy(link.sendBuffer.data(), text.data(), std::min(text.size(), link.sendBuffer.size() - 1));
    return SendAoCommand(text.size());
}

int16_t Add(int16_t counter, int delta) { return int16_t(std::clamp(int(counter) + delta, -32768, 32767)); }

// The counters follow a step of `steps` in `direction`.
void Count(int steps, char direction) {
    TelescopeLinkState& link = TelescopeLink();
    switch (direction) {
        case 'n': link.aoY = Add(link.aoY, steps); break;
        case 's': link.aoY = Add(link.aoY, -steps); break;
        case 'e': link.aoX = Add(link.aoX, steps); break;
        case 'w': link.aoX = Add(link.aoX, -steps); break;
        default: break;
    }
}

bool RelayStep(int steps, char direction) {
    const uint32_t start = NowMs();
    const uint8_t pattern = AoRelayPattern(direction);
    bool ok = true;
    if (pattern) {
        WaitUntil(start + 10);
        const uint32_t end = NowMs() + uint32_t(std::max(steps, 0));
        const bool set = WriteRelays(pattern);
        if (set) WaitUntil(end);
        ok = WriteRelays(0x0F) && set;
    }
    WaitMs(300);
    return ok;
}

bool Beyond(int16_t counter) { return counter > 50 || counter < -50; }

int BumpLength(int rate) {
    // A rate below 1 would divide by zero; the guider rates are at least 1.
    int length = 400 / std::max(rate, 1);
    if (State().settings.aoHalfRate) length /= 2;
    return length;
}

void MountBump(const AoBumpRates& rates) {
    TelescopeLinkState& link = TelescopeLink();
    if (!Beyond(link.aoY) && !Beyond(link.aoX)) return;
    const uint32_t now = NowMs();
    if (link.bumped && now - link.lastBumpMs <= 700) return;
    link.bumped = true;
    link.lastBumpMs = now;
    const auto& letters = State().settings.bumpLetters;
    if (Beyond(link.aoY)) {
        const char letter = link.aoY > 50 ? letters[0] : letters[1];
        link.bumpText = std::string(1, letter);
        SendAo(AoText('M', letter, BumpLength(rates.ra)));
        WaitMs(100);
    }
    if (Beyond(link.aoX)) {
        const char letter = link.aoX > 50 ? letters[2] : letters[3];
        SendAo(AoText('M', letter, BumpLength(rates.dec)));
    }
}

}  // namespace

std::string AoText(char kind, char letter, int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%c%c%.5d", kind, letter, std::clamp(value, 0, 99999));
    return text;
}

char AoLetter(char direction) {
    switch (direction) {
        case 'n': return 'N';
        case 's': return 'S';
        case 'e': return 'T';
        case 'w': return 'W';
        default: return 0;
    }
}

uint8_t AoRelayPattern(char direction) {
    switch (direction) {
        case 'e': return 0x07;
        case 'n': return 0x0B;
        case 's': return 0x0D;
        case 'w': return 0x0E;
        default: return 0;
    }
}

AoBumpRates DefaultBumpRates() {
    const Settings& s = State().settings;
    return {s.guiderRaPixelsPerSecond, s.guiderDecPixelsPerSecond};
}

bool AoStep(int steps, char direction, const AoBumpRates& rates) {
    if (RelayMode()) return RelayStep(steps, direction);
    const char letter = AoLetter(direction);
    if (!letter) return true;
    Count(steps, direction);
    if (!SendAo(AoText('G', letter, steps))) return false;
    MountBump(rates);
    return true;
}

void AoMountMove(int steps, char direction) {
    if (RelayMode()) {
        RelayStep(steps, direction);
        return;
    }
    const char letter = AoLetter(direction);
    if (!letter) return;
    Count(steps, direction);
    SendAo(AoText('M', letter, steps));
}

void AoRecentre() {
    if (RelayMode()) {
        WriteRelays(0);
        return;
    }
    TelescopeLinkState& link = TelescopeLink();
    if (link.aoY != 0) {
        SendAo(AoText('G', link.aoY > 0 ? 'S' : 'N', std::abs(int(link.aoY))));
        WaitMs(300);
    }
    if (link.aoX != 0) {
        SendAo(AoText('G', link.aoX > 0 ? 'W' : 'T', std::abs(int(link.aoX))));
        WaitMs(300);
    }
    // The unit is back at its centre: counters left as they were would send
    // it as far again the other way at the next recentring (and bump the
    // mount for steps it no longer has).
    link.aoX = 0;
    link.aoY = 0;
}

void CentreAo() {
    TelescopeLinkState& link = TelescopeLink();
    if (RelayMode()) {
        WriteRelays(0x0F);
        WaitMs(100);
        WriteRelays(0);
    } else {
        SendAo("K");
    }
    link.aoY = 0;
    link.aoX = 0;
}
