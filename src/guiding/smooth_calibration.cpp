#include "guiding/smooth_calibration.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {

struct Line {
    double x0 = 0, y0 = 0, vx = 0, vy = 0;  // position = (x0, y0) + v t
    double sumSq = 0;                       // squared distances of the points from the line
    int n = 0;
};

// Least squares through (t_i, p_i), x and y apart.
Line FitLine(const std::vector<StarPosition>& p, const std::vector<double>& t) {
    Line l;
    l.n = int(p.size());
    if (l.n < 2) return l;
    double mt = 0, mx = 0, my = 0;
    for (int i = 0; i < l.n; ++i) {
        mt += t[size_t(i)];
        mx += p[size_t(i)].X();
        my += p[size_t(i)].Y();
    }
    mt /= l.n;
    mx /= l.n;
    my /= l.n;
    double stt = 0, stx = 0, sty = 0;
    for (int i = 0; i < l.n; ++i) {
        const double dt = t[size_t(i)] - mt;
        stt += dt * dt;
        stx += dt * (p[size_t(i)].X() - mx);
        sty += dt * (p[size_t(i)].Y() - my);
    }
    if (stt <= 0) return l;
    l.vx = stx / stt;
    l.vy = sty / stt;
    l.x0 = mx - l.vx * mt;
    l.y0 = my - l.vy * mt;
    for (int i = 0; i < l.n; ++i) {
        const double ex = p[size_t(i)].X() - (l.x0 + l.vx * t[size_t(i)]);
        const double ey = p[size_t(i)].Y() - (l.y0 + l.vy * t[size_t(i)]);
        l.sumSq += ex * ex + ey * ey;
    }
    return l;
}

std::vector<double> Times(size_t from, size_t to, double stepS) {
    std::vector<double> t;
    for (size_t j = from; j < to; ++j) t.push_back(double(j) * stepS);
    return t;
}

}  // namespace

SmoothAxisFit FitSmoothAxis(const SmoothAxisLegs& legs) {
    SmoothAxisFit f;
    const size_t k = legs.out.size();
    if (k < 3 || legs.stepS <= 0) return f;
    const Line out = FitLine(legs.out, Times(0, k, legs.stepS));
    const double speed = std::hypot(out.vx, out.vy);
    if (speed * double(k - 1) * legs.stepS < kLeastTrainingMove) return f;
    f.ok = true;
    f.vx = out.vx;
    f.vy = out.vy;
    double sumSq = out.sumSq;
    int n = out.n;
    // The way back: how far each point has come back along the axis, and so
    // the drive time the slack took (first guess from the second half).
    const double ux = out.vx / speed, uy = out.vy / speed;
    const StarPosition& turn = legs.out.back();
    const std::vector<StarPosition>& back = legs.back;
    const size_t m = back.size();
    auto along = [&](const StarPosition& p) { return (turn.X() - p.X()) * ux + (turn.Y() - p.Y()) * uy; };
    double lag = 0;
    int lagN = 0;
    for (size_t j = std::max<size_t>(1, m / 2); j < m; ++j) {
        lag += double(j) * legs.stepS - along(back[j]) / speed;
        ++lagN;
    }
    lag = lagN ? std::max(0.0, lag / lagN) : 0;
    // The points past the slack lie on a line of the opposite slope; the
    // mean of both slopes cancels a steady drift.
    size_t j0 = 1;
    while (j0 < m && double(j0) * legs.stepS <= lag + 0.1 * legs.stepS) ++j0;
    if (m >= j0 + 3) {
        const std::vector<StarPosition> tail(back.begin() + long(j0), back.end());
        const Line b = FitLine(tail, Times(j0, m, legs.stepS));
        f.vx = (out.vx - b.vx) / 2;
        f.vy = (out.vy - b.vy) / 2;
        sumSq += b.sumSq;
        n += b.n;
        // Where the fitted way back leaves the turning point.
        const double backSpeed = -(b.vx * ux + b.vy * uy);
        if (backSpeed > 0) lag = std::max(0.0, ((b.x0 - turn.X()) * ux + (b.y0 - turn.Y()) * uy) / backSpeed);
    }
    f.spreadPx = std::sqrt(sumSq / n);
    f.lagS = lag;
    const double px = lag * std::hypot(f.vx, f.vy);
    if (px > std::max(0.3, kBacklashNoiseFactor * f.spreadPx)) f.backlashPx = px;
    return f;
}

SmoothCalibrationFit FitSmoothCalibration(const SmoothAxisLegs& ra, const SmoothAxisLegs& dec) {
    SmoothCalibrationFit fit;
    GuiderTrainingResult& r = fit.set;
    const SmoothAxisFit a = FitSmoothAxis(ra), d = FitSmoothAxis(dec);
    for (const auto* legs : {&ra, &dec})
        for (const auto* leg : {&legs->out, &legs->back})
            r.positions.insert(r.positions.end(), leg->begin(), leg->end());
    r.moved = a.ok && d.ok;
    fit.quality.fitted = true;
    fit.quality.suspect = true;
    if (!r.moved) return fit;
    r.rx = a.vx;
    r.ry = a.vy;
    r.dx = d.vx;
    r.dy = d.vy;
    r.theta = std::atan2(r.ry, r.rx);
    r.quadrant = (r.ry < 0 && r.rx < 0) ? 3 : ((r.ry < 0) != (r.rx < 0) ? 2 : 1);
    const double raSpeed = std::hypot(r.rx, r.ry), decSpeed = std::hypot(r.dx, r.dy);
    r.raRate = std::max(1.0, raSpeed);
    r.decRate = std::max(1.0, decSpeed);
    r.raBacklash = a.backlashPx;
    r.decBacklash = d.backlashPx;
    r.bx = std::fabs(a.lagS * r.rx);
    r.by = std::fabs(a.lagS * r.ry);
    r.bdx = std::fabs(d.lagS * r.dx);
    r.bdy = std::fabs(d.lagS * r.dy);
    r.storedRaRate = std::max<int16_t>(1, StoreRounded(r.raRate));
    r.storedDecRate = std::max<int16_t>(1, StoreRounded(r.decRate));
    r.storedRaBacklash = StoreRounded(r.raBacklash);
    r.storedDecBacklash = StoreRounded(r.decBacklash);
    // How far the axes are from perpendicular (a mirrored picture turns
    // one of them round, which is no skew).
    const double cosine = (r.rx * r.dx + r.ry * r.dy) / (raSpeed * decSpeed);
    GuiderState::Quality& q = fit.quality;
    q.orthogonalityDeg = std::asin(std::min(1.0, std::fabs(cosine))) * 180 / M_PI;
    q.raSpreadPx = a.spreadPx;
    q.decSpreadPx = d.spreadPx;
    const double raLimit = std::max(0.5, raSpeed * ra.stepS / 3), decLimit = std::max(0.5, decSpeed * dec.stepS / 3);
    q.suspect = q.orthogonalityDeg > kSmoothMaxSkewDeg || a.spreadPx > raLimit || d.spreadPx > decLimit;
    return fit;
}

SmoothCalibration::SmoothCalibration(const StarPosition& start, int frameWidth, int frameHeight, int radius)
    : width_(frameWidth), height_(frameHeight), radius_(radius), start_(start), last_(start) {}

bool SmoothCalibration::Next(TrainingStep& step) const {
    if (Done()) return false;
    step = TrainingStep{};
    struct Row {
        const char* name;
        char dir;
    };
    static const Row rows[] = {{"probing West", 'w'}, {"West step", 'w'},  {"East step", 'e'},
                               {"taking up Dec slack", 'n'}, {"North step", 'n'}, {"South step", 's'}};
    const Row& row = rows[int(phase_)];
    std::string caption = std::string("Auto Guider Camera Control - Training / smooth: ") + row.name;
    if (phase_ != Phase::Probe && phase_ != Phase::NorthClear)
        caption += " " + std::to_string(count_ + 1) + " of " + std::to_string(kSteps);
    step.caption = caption;
    step.drive = TrainingStep::Drive::Pulse;
    step.direction = row.dir;
    step.amount = phase_ == Phase::Probe ? kProbeMs : stepMs_;
    step.settleMs = 200;
    // Within a leg the star keeps moving as it did the step before.
    int sx = last_.x, sy = last_.y;
    const std::vector<StarPosition>* leg = nullptr;
    switch (phase_) {
        case Phase::West: leg = &ra_.out; break;
        case Phase::East: leg = &ra_.back; break;
        case Phase::North: leg = &dec_.out; break;
        case Phase::South: leg = &dec_.back; break;
        default: break;
    }
    if (leg && leg->size() >= 2) {
        const StarPosition& a = (*leg)[leg->size() - 2];
        sx += int(std::lround(last_.X() - a.X()));
        sy += int(std::lround(last_.Y() - a.Y()));
    }
    step.searchX = std::clamp(sx, radius_, std::max(radius_, width_ - radius_ - 1));
    step.searchY = std::clamp(sy, radius_, std::max(radius_, height_ - radius_ - 1));
    return true;
}

void SmoothCalibration::Measured(const StarPosition& p) {
    if (Done()) return;
    last_ = p;
    ++count_;
    auto next = [&](Phase ph) {
        phase_ = ph;
        count_ = 0;
    };
    switch (phase_) {
        case Phase::Probe: {
            const double moved = std::hypot(p.X() - start_.X(), p.Y() - start_.Y());
            if (moved < kProbeMovePx && count_ < kMaxProbes) return;
            probeMoved_ = moved >= kLeastTrainingMove;
            if (!probeMoved_) {
                next(Phase::Done);
                return;
            }
            const double rate = moved / (count_ * kProbeMs * 0.001);
            stepMs_ = std::clamp(int(std::lround(kStepMovePx / rate * 1000)), 100, 5000);
            ra_.stepS = dec_.stepS = stepMs_ * 0.001;
            ra_.out = {p};
            next(Phase::West);
            return;
        }
        case Phase::West:
            ra_.out.push_back(p);
            if (count_ == kSteps) {
                ra_.back = {p};
                next(Phase::East);
            }
            return;
        case Phase::East:
            ra_.back.push_back(p);
            if (count_ == kSteps) next(Phase::NorthClear);
            return;
        case Phase::NorthClear:
            dec_.out = {p};
            next(Phase::North);
            return;
        case Phase::North:
            dec_.out.push_back(p);
            if (count_ == kSteps) {
                dec_.back = {p};
                next(Phase::South);
            }
            return;
        case Phase::South:
            dec_.back.push_back(p);
            if (count_ == kSteps) next(Phase::Done);
            return;
        case Phase::Done: return;
    }
}

SmoothCalibrationFit SmoothCalibration::Result() const { return FitSmoothCalibration(ra_, dec_); }
