#include "guiding/guiding_stats.h"

#include <cmath>
#include <ctime>

#include "platform/platform.h"

void GuidingStats::Add(double ra, double dec) {
    last_.emplace_back(ra, dec);
    sumRa2_ += ra * ra;
    sumDec2_ += dec * dec;
    if (int(last_.size()) > kWindow) {
        const auto [r, d] = last_.front();
        sumRa2_ -= r * r;
        sumDec2_ -= d * d;
        last_.pop_front();
    }
    runRa2_ += ra * ra;
    runDec2_ += dec * dec;
    ++runFrames_;
}

GuidingRms GuidingStats::Rms() const {
    GuidingRms r;
    r.frames100 = int(last_.size());
    r.framesRun = int(runFrames_);
    if (!last_.empty()) {
        // Recomputed from the window itself: no drift from running sums.
        double ra2 = 0, dec2 = 0;
        for (const auto& [a, b] : last_) {
            ra2 += a * a;
            dec2 += b * b;
        }
        r.ra100 = std::sqrt(ra2 / r.frames100);
        r.dec100 = std::sqrt(dec2 / r.frames100);
        r.total100 = std::sqrt((ra2 + dec2) / r.frames100);
    }
    if (runFrames_ > 0) {
        r.raRun = std::sqrt(runRa2_ / double(runFrames_));
        r.decRun = std::sqrt(runDec2_ / double(runFrames_));
        r.totalRun = std::sqrt((runRa2_ + runDec2_) / double(runFrames_));
    }
    return r;
}

std::string GuidingLogName(int64_t unixSeconds) {
    const std::time_t t = std::time_t(unixSeconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char name[40];
    std::snprintf(name, sizeof name, "GUIDE%04d%02d%02d-%02d%02d%02d.CSV", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return name;
}

bool GuidingLog::Open(const std::string& hostPath) {
    Close();
    file_ = std::fopen(hostPath.c_str(), "wx");
    if (!file_) return false;
    startMs_ = NowMs();
    std::fprintf(file_, "%s\n", kGuidingLogHeader);
    std::fflush(file_);
    return true;
}

void GuidingLog::Write(const GuidingFrameReport& r, const char* status) {
    if (!file_) return;
    auto dir = [](char c) { return c == ' ' || c == 0 ? std::string() : std::string(1, c); };
    std::fprintf(file_, "%.3f,%.1f,%.1f,%.3f,%.3f,%s,%d,%s,%d,%d,%d,%s\n", (r.timeMs - startMs_) / 1000.0, r.starX, r.starY,
                 r.errorX * 0.001, r.errorY * 0.001, dir(r.directionX).c_str(), r.pulseX, dir(r.directionY).c_str(),
                 r.pulseY, r.aoX, r.aoY, status);
    // Each line reaches the disk at once: a crash keeps the run so far.
    std::fflush(file_);
}

void GuidingLog::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}
