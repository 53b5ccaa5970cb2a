#include "guiding/guide_output.h"

#include <algorithm>

#include "core/state.h"
#include "platform/platform.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope/telescope_link.h"

namespace {

class DefaultOutput : public GuideOutput {
public:
    bool Pulse(char direction, int32_t ms) override {
        Set(direction, ms);
        // The guide socket ('b') pulses the relays; every other drive method
        // sends LX200 move and quit commands.
        return State().settings.driveMethod == 'b' ? PulseGuideRelay() : PulseGuideSerial();
    }
    bool RelayPulse(char direction, int32_t ms) override {
        Set(direction, ms);
        return PulseGuideRelay();
    }
    bool CorrectionBoth(char raDirection, int32_t raMs, char decDirection, int32_t decMs) override {
        if (State().settings.driveMethod == 'l')
            return GuideOutput::CorrectionBoth(raDirection, raMs, decDirection, decMs);
        return PulseGuideRelays(raDirection, uint32_t(std::max(0, raDirection ? raMs : 0)), decDirection,
                                uint32_t(std::max(0, decDirection ? decMs : 0)));
    }
    bool AoStep(char letter, int32_t steps) override { return ::AoStep(int(steps), letter); }
    void AoRecentre() override { ::AoRecentre(); }

private:
    static void Set(char direction, int32_t ms) {
        TelescopeLink().direction = direction;
        TelescopeLink().pulseLength = uint32_t(ms > 0 ? ms : 0);
    }
};

}  // namespace

bool GuideOutput::Correction(char direction, int32_t ms) {
    return State().settings.driveMethod == 'l' ? Pulse(direction, ms) : RelayPulse(direction, ms);
}

bool GuideOutput::CorrectionBoth(char raDirection, int32_t raMs, char decDirection, int32_t decMs) {
    const bool ra = raDirection != 0 && raMs > 0, dec = decDirection != 0 && decMs > 0;
    if (ra && !Correction(raDirection, raMs)) return false;
    if (ra && dec) WaitMs(70);
    return !dec || Correction(decDirection, decMs);
}

GuideOutput& DefaultGuideOutput() {
    static DefaultOutput output;
    return output;
}
