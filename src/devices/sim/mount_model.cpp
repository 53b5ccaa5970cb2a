#include "devices/sim/mount_model.h"

#include <algorithm>
#include <cmath>

namespace {
// Beyond the time limit, a bound on the inputs kept (a stuck relay loop
// cannot eat the memory).
constexpr size_t kTrackLimit = size_t(1) << 18;
constexpr double kPi = 3.14159265358979323846;

// Signed milliseconds from a to b on the wrapping 32-bit clock.
int64_t Since(uint32_t a, uint32_t b) { return int32_t(b - a); }
}  // namespace

MountModel::MountModel(const MountConfig& config, uint32_t startMs) : config_(config) { Reset(startMs); }

void MountModel::Configure(const MountConfig& config) { config_ = config; }

void MountModel::Reset(uint32_t nowMs) {
    startMs_ = lastMs_ = nowMs;
    relays_ = 0;
    serialRa_ = serialDec_ = 0;
    pulseRa_ = pulseDec_ = Timed{};
    ra_ = dec_ = Axis{};
    nudgeX_ = nudgeY_ = 0;
    track_.clear();
    Record();
}

namespace {
// Serial motion, relays and a pulse together: opposite inputs cancel, and
// the axis runs no faster than the fastest of them.
double Combined(double serial, int relay, int pulse) {
    const double limit = std::max(1.0, std::fabs(serial));
    return std::clamp(serial + relay + pulse, -limit, limit);
}
}  // namespace

double MountModel::RaSpeed() const {
    const int relay = ((relays_ & 1) ? 1 : 0) - ((relays_ & 8) ? 1 : 0);  // west, east
    return Combined(serialRa_, relay, pulseRa_.dir);
}

double MountModel::DecSpeed() const {
    const int relay = ((relays_ & 2) ? 1 : 0) - ((relays_ & 4) ? 1 : 0);  // south, north
    return Combined(serialDec_, relay, pulseDec_.dir);
}

// The gear slack is guide time: at a faster speed it is taken up sooner.
void MountModel::Run(Axis& axis, double speed, double ms, double backlashMs) const {
    if (speed == 0 || ms <= 0) return;
    const int dir = speed > 0 ? 1 : -1;
    if (axis.lastDir != 0 && dir != axis.lastDir) axis.backlashLeft = backlashMs;
    axis.lastDir = dir;
    const double guideMs = ms * std::fabs(speed);
    const double lost = std::min(guideMs, axis.backlashLeft);
    axis.backlashLeft -= lost;
    axis.guided += dir * config_.guideRatePerSecond * (guideMs - lost) / 1000.0;
}

void MountModel::AdvanceTo(uint32_t nowMs) {
    const int64_t dt = Since(lastMs_, nowMs);
    if (dt <= 0) return;
    Run(ra_, RaSpeed(), double(dt), config_.raBacklashMs);
    Run(dec_, DecSpeed(), double(dt), config_.decBacklashMs);
    lastMs_ = nowMs;
}

void MountModel::Advance(uint32_t nowMs) {
    // Each pulse that ends on the way is an input of its own, at its end.
    for (;;) {
        Timed* first = nullptr;
        for (Timed* p : {&pulseRa_, &pulseDec_})
            if (p->dir != 0 && Since(p->endMs, nowMs) >= 0 && (!first || Since(p->endMs, first->endMs) > 0)) first = p;
        if (!first) break;
        AdvanceTo(first->endMs);
        for (Timed* p : {&pulseRa_, &pulseDec_})
            if (p->dir != 0 && p->endMs == lastMs_) p->dir = 0;
        Record();
    }
    AdvanceTo(nowMs);
}

void MountModel::Record() {
    const Checkpoint now{lastMs_, ra_, dec_, RaSpeed(), DecSpeed(), nudgeX_, nudgeY_};
    if (!track_.empty() && track_.back().ms == lastMs_)
        track_.back() = now;
    else
        track_.push_back(now);
    // Forget inputs no exposure can reach back to; the one in force at the
    // limit stays.
    while (track_.size() > 1 && (track_.size() > kTrackLimit || Since(track_[1].ms, lastMs_) > int64_t(kMountHistoryMs)))
        track_.pop_front();
}

void MountModel::SetRelays(uint8_t bits, uint32_t nowMs) {
    Advance(nowMs);
    relays_ = bits & 0x0F;
    Record();
}

void MountModel::SetGuideMotion(double raSpeed, double decSpeed, uint32_t nowMs) {
    Advance(nowMs);
    serialRa_ = raSpeed;
    serialDec_ = decSpeed;
    Record();
}

void MountModel::Pulse(int raDir, int decDir, uint32_t durationMs, uint32_t nowMs) {
    Advance(nowMs);
    if (durationMs == 0) return;
    if (raDir != 0) pulseRa_ = {raDir > 0 ? 1 : -1, nowMs + durationMs};
    if (decDir != 0) pulseDec_ = {decDir > 0 ? 1 : -1, nowMs + durationMs};
    Record();
}

void MountModel::Nudge(double dx, double dy, uint32_t nowMs) {
    Advance(nowMs);
    Nudge(dx, dy);
}

void MountModel::Nudge(double dx, double dy) {
    nudgeX_ += dx;
    nudgeY_ += dy;
    Record();
}

void MountModel::StateAt(uint32_t nowMs, double& ra, double& dec, double& nx, double& ny) const {
    // The last checkpoint at or before nowMs (the oldest kept when nowMs is
    // older still), then the axes run on from it.
    size_t lo = 0, hi = track_.size();
    while (hi - lo > 1) {
        const size_t mid = (lo + hi) / 2;
        if (Since(track_[mid].ms, nowMs) >= 0)
            lo = mid;
        else
            hi = mid;
    }
    const Checkpoint& c = track_[lo];
    Axis raAxis = c.ra, decAxis = c.dec;
    const double dt = double(std::max<int64_t>(0, Since(c.ms, nowMs)));
    Run(raAxis, c.raSpeed, dt, config_.raBacklashMs);
    Run(decAxis, c.decSpeed, dt, config_.decBacklashMs);
    ra = raAxis.guided;
    dec = decAxis.guided;
    nx = c.nudgeX;
    ny = c.nudgeY;
}

double MountModel::GuidedRa(uint32_t nowMs) {
    Advance(nowMs);
    double ra, dec, nx, ny;
    StateAt(nowMs, ra, dec, nx, ny);
    return ra;
}

double MountModel::GuidedDec(uint32_t nowMs) {
    Advance(nowMs);
    double ra, dec, nx, ny;
    StateAt(nowMs, ra, dec, nx, ny);
    return dec;
}

void MountModel::OffsetAt(uint32_t nowMs, double& x, double& y) {
    // Looking at the mount now moves its clock on (a later Nudge lands here).
    Advance(nowMs);
    double guidedRa, guidedDec, nx, ny;
    StateAt(nowMs, guidedRa, guidedDec, nx, ny);
    const double t = double(Since(startMs_, nowMs)) / 1000.0;
    double ra = config_.driftRaPerSecond * t + guidedRa;
    if (config_.periodicPeriodS > 0)
        ra += config_.periodicAmplitude * std::sin(2 * kPi * t / config_.periodicPeriodS);
    const double dec = config_.driftDecPerSecond * t + guidedDec;
    AxesToSensor(ra, dec, x, y);
    x += nx;
    y += ny;
}

void MountModel::AxesToSensor(double ra, double dec, double& x, double& y) const {
    // West and south run against the sensor's axes, unless a mirror turns
    // one of them round.
    const double r = config_.mirrorRa ? ra : -ra;
    const double d = config_.mirrorDec ? dec : -dec;
    const double a = config_.cameraAngleDeg * kPi / 180.0;
    x = r * std::cos(a) - d * std::sin(a);
    y = r * std::sin(a) + d * std::cos(a);
}
