#include "guiding/guide_output.h"

#include "app/state.h"
#include "telescope/ao.h"
#include "telescope/lx200.h"
#include "telescope/telescope_link.h"

namespace {

class LinkOutput : public GuideOutput {
public:
    void Pulse(char direction, int32_t ms) override {
        TelescopeLinkState& link = TelescopeLink();
        link.direction = direction;
        link.pulseLength = uint32_t(ms > 0 ? ms : 0);
        // LX200 and Autostar take move commands; the guide socket the relays.
        if (State().settings.driveMethod == 'b') {
            PulseGuideRelay();
        } else {
            PrepareTelescopeLink();
            PulseGuideSerial();
        }
    }
    void RelayPulse(char direction, int32_t ms) override {
        TelescopeLinkState& link = TelescopeLink();
        link.direction = direction;
        link.pulseLength = uint32_t(ms > 0 ? ms : 0);
        PulseGuideRelay();
    }
    void AoStep(char letter, int32_t steps) override { ::AoStep(steps, letter); }
};

}  // namespace

GuideOutput& DefaultGuideOutput() {
    static LinkOutput output;
    return output;
}
