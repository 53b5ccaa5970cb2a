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
    ra_ = dec_ = Axis{};
    nudgeX_ = nudgeY_ = 0;
    track_.clear();
    Record();
}

int MountModel::RaDir() const {
    int dir = serialRa_;
    if (relays_ & 1) dir += 1;  // west
    if (relays_ & 8) dir -= 1;  // east
    return dir > 0 ? 1 : dir < 0 ? -1 : 0;
}

int MountModel::DecDir() const {
    int dir = serialDec_;
    if (relays_ & 2) dir += 1;  // south
    if (relays_ & 4) dir -= 1;  // north
    return dir > 0 ? 1 : dir < 0 ? -1 : 0;
}

void MountModel::Run(Axis& axis, int dir, double ms, double backlashMs) const {
    if (dir == 0 || ms <= 0) return;
    if (axis.lastDir != 0 && dir != axis.lastDir) axis.backlashLeft = backlashMs;
    axis.lastDir = dir;
    const double lost = std::min(ms, axis.backlashLeft);
    axis.backlashLeft -= lost;
    axis.guided += dir * config_.guideRatePerSecond * (ms - lost) / 1000.0;
}

void MountModel::Advance(uint32_t nowMs) {
    const int64_t dt = Since(lastMs_, nowMs);
    if (dt <= 0) return;
    Run(ra_, RaDir(), double(dt), config_.raBacklashMs);
    Run(dec_, DecDir(), double(dt), config_.decBacklashMs);
    lastMs_ = nowMs;
}

void MountModel::Record() {
    const Checkpoint now{lastMs_, ra_, dec_, RaDir(), DecDir(), nudgeX_, nudgeY_};
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

void MountModel::SetGuideMotion(int raDir, int decDir, uint32_t nowMs) {
    Advance(nowMs);
    serialRa_ = raDir;
    serialDec_ = decDir;
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
    Run(raAxis, c.raDir, dt, config_.raBacklashMs);
    Run(decAxis, c.decDir, dt, config_.decBacklashMs);
    ra = raAxis.guided;
    dec = decAxis.guided;
    nx = c.nudgeX;
    ny = c.nudgeY;
}

double MountModel::GuidedRa(uint32_t nowMs) {
    double ra, dec, nx, ny;
    StateAt(nowMs, ra, dec, nx, ny);
    return ra;
}

double MountModel::GuidedDec(uint32_t nowMs) {
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
    const double a = config_.cameraAngleDeg * kPi / 180.0;
    x = ra * std::cos(a) - dec * std::sin(a) + nx;
    y = ra * std::sin(a) + dec * std::cos(a) + ny;
}
