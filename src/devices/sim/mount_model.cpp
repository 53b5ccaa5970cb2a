#include "devices/sim/mount_model.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr size_t kTrackLimit = 4096;
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
    track_.push_back({nowMs, 0, 0, 0, 0});
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

void MountModel::Run(Axis& axis, int dir, double ms, double backlashMs) {
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
    track_.push_back({nowMs, ra_.guided, dec_.guided, nudgeX_, nudgeY_});
    if (track_.size() > kTrackLimit) track_.erase(track_.begin(), track_.begin() + kTrackLimit / 2);
}

void MountModel::SetRelays(uint8_t bits, uint32_t nowMs) {
    Advance(nowMs);
    relays_ = bits & 0x0F;
}

void MountModel::SetGuideMotion(int raDir, int decDir, uint32_t nowMs) {
    Advance(nowMs);
    serialRa_ = raDir;
    serialDec_ = decDir;
}

void MountModel::Nudge(double dx, double dy) {
    nudgeX_ += dx;
    nudgeY_ += dy;
    if (!track_.empty()) {
        Checkpoint& last = track_.back();
        if (last.ms == lastMs_) {
            last.nudgeX = nudgeX_;
            last.nudgeY = nudgeY_;
            return;
        }
    }
    track_.push_back({lastMs_, ra_.guided, dec_.guided, nudgeX_, nudgeY_});
}

double MountModel::GuidedRa(uint32_t nowMs) {
    Advance(nowMs);
    return ra_.guided;
}

double MountModel::GuidedDec(uint32_t nowMs) {
    Advance(nowMs);
    return dec_.guided;
}

void MountModel::OffsetAt(uint32_t nowMs, double& x, double& y) {
    double guidedRa, guidedDec, nx, ny;
    if (Since(lastMs_, nowMs) >= 0) {
        Advance(nowMs);
        guidedRa = ra_.guided;
        guidedDec = dec_.guided;
        nx = nudgeX_;
        ny = nudgeY_;
    } else {
        // Between two recorded inputs the guided motion is linear.
        const Checkpoint* before = &track_.front();
        const Checkpoint* after = &track_.back();
        for (size_t k = 0; k + 1 < track_.size(); ++k) {
            if (Since(track_[k].ms, nowMs) >= 0 && Since(nowMs, track_[k + 1].ms) >= 0) {
                before = &track_[k];
                after = &track_[k + 1];
                break;
            }
        }
        const int64_t span = Since(before->ms, after->ms);
        double f = span > 0 ? double(Since(before->ms, nowMs)) / double(span) : 1.0;
        f = std::fmin(1.0, std::fmax(0.0, f));
        guidedRa = before->ra + (after->ra - before->ra) * f;
        guidedDec = before->dec + (after->dec - before->dec) * f;
        nx = before->nudgeX;
        ny = before->nudgeY;
    }
    const double t = double(Since(startMs_, nowMs)) / 1000.0;
    double ra = config_.driftRaPerSecond * t + guidedRa;
    if (config_.periodicPeriodS > 0)
        ra += config_.periodicAmplitude * std::sin(2 * kPi * t / config_.periodicPeriodS);
    const double dec = config_.driftDecPerSecond * t + guidedDec;
    const double a = config_.cameraAngleDeg * kPi / 180.0;
    x = ra * std::cos(a) - dec * std::sin(a) + nx;
    y = ra * std::sin(a) + dec * std::cos(a) + ny;
}
