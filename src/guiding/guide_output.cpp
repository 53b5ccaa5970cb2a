#include "guiding/guide_output.h"

#include "core/state.h"
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

GuideOutput& DefaultGuideOutput() {
    static DefaultOutput output;
    return output;
}
