// Where the training and guiding loops send their corrections. The loops
// only decide direction and length; a GuideOutput puts them on the wire.
// The default one uses the telescope link: LX200 move commands or the guide
// relays by the drive method, and the AO unit's steps.
#pragma once
#include <cstdint>

class GuideOutput {
public:
    virtual ~GuideOutput() = default;
    // A timed guide pulse by the drive method in force (LX200 move commands,
    // or the guide relays for the guide socket). direction: 'e','w','n','s'.
    // False when the pulse could not be sent (the device stopped answering).
    virtual bool Pulse(char direction, int32_t ms) = 0;
    // A relay pulse, whatever the drive method (settling the relays); false
    // as above.
    virtual bool RelayPulse(char direction, int32_t ms) = 0;
    // A guiding correction: LX200 move commands with the LX200 drive
    // method, the guide relays with every other (an Autostar is guided on
    // its guide socket; training still moves it with serial commands).
    bool Correction(char direction, int32_t ms);
    // An R.A. and a Dec correction in one pulse time (a zero length or a 0
    // direction sends nothing on that axis). By default one after the other,
    // 70 ms apart, as Correction() sends them; the guide relays drive both
    // axes at once. False as above.
    virtual bool CorrectionBoth(char raDirection, int32_t raMs, char decDirection, int32_t decMs);
    // One AO correction of `steps` steps with an AO letter (with its mount
    // bump); false when no AO route is there.
    virtual bool AoStep(char letter, int32_t steps) = 0;
    // Sends the AO unit back to its centre by its counters (the end of
    // guiding in mode 'A').
    virtual void AoRecentre() = 0;
};

// The output the loops use unless one is given.
GuideOutput& DefaultGuideOutput();
