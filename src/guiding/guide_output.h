// Where the training and guiding loops send their corrections. The loops
// only decide direction and length; a GuideOutput puts them on the wire.
// The default one pulses the camera's guide relays (the guide-socket timing:
// 10 ms lead-in, the pulse, 300 ms tail) and hands serial pulses and AO steps
// to the telescope link through the hooks below.
#pragma once
#include <cstdint>
#include <functional>

class GuideOutput {
public:
    virtual ~GuideOutput() = default;
    // A timed guide pulse by the drive method in force (LX200 move commands,
    // or the guide relays for the guide socket). direction: 'e','w','n','s'.
    virtual bool Pulse(char direction, int32_t ms) = 0;
    // A relay pulse, whatever the drive method (settling the relays).
    virtual bool RelayPulse(char direction, int32_t ms) = 0;
    // One AO correction of `steps` steps with an AO letter (with its mount
    // bump); false when no AO route is there.
    virtual bool AoStep(char letter, int32_t steps) = 0;
};

// The telescope link's pulse and AO routines, plugged in by the telescope
// code. Unset: serial pulses fall back to the relays, AO steps fail.
struct GuideOutputHooks {
    std::function<bool(char direction, int32_t ms)> serialPulse;
    std::function<bool(char letter, int32_t steps)> aoStep;
};
GuideOutputHooks& GuideLinks();

// The relay bit of a direction letter (n 4, e 8, w 1, s 2; 0 otherwise).
uint8_t RelayBit(char direction);
// The guide-socket pulse: wait 10 ms, set the bit, wait `ms`, clear, wait 300 ms.
bool PulseGuideRelayNow(char direction, int32_t ms);

// The output the loops use unless one is given.
GuideOutput& DefaultGuideOutput();
