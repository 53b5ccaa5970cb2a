// The simulator's command-line options, shared by `velmora --simulate` and
// the velmora-cli commands that run on the simulator:
//   --sim-angle DEG          rotation of the main sensor against R.A./Dec
//   --sim-rate PX_PER_S      guide rate on the main sensor
//   --sim-pe AMP_PX:PERIOD_S periodic error in R.A. (amplitude, period)
//   --sim-drift PX_PER_MIN   drift in Dec
//   --sim-backlash PX        gear slack taken up after a reversal, both axes
//   --sim-mirror AXES        ew, ns, both or none: a mirror turns that motion
//                            round (the swap letters then guide again)
//   --sim-seeing PX          random jitter of the stars, RMS per axis, per frame
//   --sim-guider-scale F     guider pixels per main-sensor pixel
//   --sim-guider-angle DEG   rotation of the guider against the main sensor
//   --seed N                 noise, star fields and seeing
//   --sim-camera-lost-at S, --sim-serial-lost-at S, --sim-mount-silent-at S
//                            faults at S simulated seconds (SimFaultTimes)
// Pixels are main-sensor pixels; the guider head sees the same motion scaled
// and rotated by its own plate scale and angle (SimHeadRate / SimHeadAngleDeg).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "devices/sim/simulator.h"

// One line per option, for usage texts.
extern const char* const kSimOptionsUsage;

// Takes every --sim-* option and --seed out of args into config (the words it
// does not know stay). A bad or missing value leaves config as it was, puts a
// message naming the option and the accepted range into `error` and returns
// false.
bool TakeSimOptions(std::vector<std::string>& args, SimulatorConfig& config, std::string& error);

// The same for the process-wide simulator (Simulator::Instance()): it is
// configured afresh with the options on top of its current configuration.
// Returns true (and leaves the simulator alone) when args holds none of them.
bool ApplySimOptions(std::vector<std::string>& args, std::string& error);

// The true guiding geometry of a head (0 main, 1 guider), to compare trained
// values against: guide rate in that head's pixels per second, the angle of
// a West move on that head's sensor (degrees, not reduced), backlash in that
// head's pixels.
double SimHeadRate(const SimulatorConfig& config, int head);
double SimHeadAngleDeg(const SimulatorConfig& config, int head);
double SimHeadBacklashPx(const SimulatorConfig& config, int head);
