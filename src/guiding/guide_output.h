// Where the training and guiding loops send their corrections. The loops
// only decide direction and length; a GuideOutput puts them on the wire. The
// default one goes through the telescope link: LX200 move commands or the
// guide relays by the drive method, AO steps with their mount bumps.
#pragma once
#include <cstdint>

class GuideOutput {
public:
    virtual ~GuideOutput() = default;
    // A timed guide pulse by the drive method in force (LX200 move commands,
    // or the guide relays for the guide socket). direction: 'e','w','n','s'.
    virtual void Pulse(char direction, int32_t ms) = 0;
    // A relay pulse, whatever the drive method (settling the relays).
    virtual void RelayPulse(char direction, int32_t ms) = 0;
    // One AO correction of `steps` steps in an AO direction letter (with its
    // mount bump).
    virtual void AoStep(char letter, int32_t steps) = 0;
};

// The output the loops use unless one is given.
GuideOutput& DefaultGuideOutput();
