#include "guiding/guide_output.h"

#include "app/state.h"
#include "devices/camera.h"
#include "platform/platform.h"

GuideOutputHooks& GuideLinks() {
    static GuideOutputHooks hooks;
    return hooks;
}

uint8_t RelayBit(char direction) {
    switch (direction) {
        case 'n': return 4;
        case 'e': return 8;
        case 'w': return 1;
        case 's': return 2;
        default: return 0;
    }
}

bool PulseGuideRelayNow(char direction, int32_t ms) {
    WaitMs(10);
    bool ok = true;
    const uint8_t bit = RelayBit(direction);
    if (bit) {
        ok = SetGuideOutputs(bit);
        WaitMs(uint32_t(ms > 0 ? ms : 0));
        ok = SetGuideOutputs(0) && ok;
    }
    WaitMs(300);
    return ok;
}

namespace {

class DefaultOutput : public GuideOutput {
public:
    bool Pulse(char direction, int32_t ms) override {
        if (State().settings.driveMethod != 'b' && GuideLinks().serialPulse)
            return GuideLinks().serialPulse(direction, ms);
        return PulseGuideRelayNow(direction, ms);
    }
    bool RelayPulse(char direction, int32_t ms) override { return PulseGuideRelayNow(direction, ms); }
    bool AoStep(char letter, int32_t steps) override {
        return GuideLinks().aoStep ? GuideLinks().aoStep(letter, steps) : false;
    }
};

}  // namespace

GuideOutput& DefaultGuideOutput() {
    static DefaultOutput output;
    return output;
}
