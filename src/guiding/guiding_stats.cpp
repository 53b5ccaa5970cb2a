#include "guiding/guiding_stats.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "core/state.h"
#include "platform/paths.h"
#include "platform/platform.h"

void GuidingStats::Add(double ra, double dec, bool ignored) {
    last_.emplace_back(ra, dec);
    if (int(last_.size()) > kWindow) last_.pop_front();
    runRa2_ += ra * ra;
    runDec2_ += dec * dec;
    ++runFrames_;
    if (ignored) ++ignored_;
}

GuidingRms GuidingStats::Rms() const {
    GuidingRms r;
    r.frames100 = int(last_.size());
    r.framesRun = int(runFrames_);
    r.ignored = ignored_;
    r.lost = lost_;
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

bool GuidingLog::Open(const std::string& hostPath, double scaleArcsec) {
    Close();
    fd_ = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC, 0644);
    if (fd_ < 0) return false;
    path_ = hostPath;
    startMs_ = NowMs();
    scaleArcsec_ = scaleArcsec > 0 ? scaleArcsec : 0;
    WriteLine(std::string(kGuidingLogHeader) + (scaleArcsec_ > 0 ? kGuidingLogArcsecColumns : ""));
    return true;
}

bool GuidingLog::OpenInAutosaveFolder(double scaleArcsec) {
    const std::string folder = MapPath(AutosaveDirectory(), true);
    if (!EnsureDirectory(folder)) return false;
    const int64_t now = Sys().clock->UnixSeconds();
    for (int64_t t = now; t < now + 60; ++t)
        if (Open(folder + "/" + GuidingLogName(t), scaleArcsec)) return true;
    return false;
}

void GuidingLog::WriteLine(std::string line) {
    if (fd_ < 0) return;
    line += '\n';
    // One write call of the whole line: the file never holds half of one.
    ssize_t n;
    do n = ::write(fd_, line.data(), line.size());
    while (n < 0 && errno == EINTR);
}

void GuidingLog::Write(const GuidingFrameReport& r, const char* status) {
    if (fd_ < 0) return;
    auto dir = [](char c) { return c == ' ' || c == 0 ? std::string() : std::string(1, c); };
    char line[256];
    std::snprintf(line, sizeof line, "%.3f,%.1f,%.1f,%.3f,%.3f,%s,%d,%s,%d,%d,%d,%s", (r.timeMs - startMs_) / 1000.0,
                  r.starX, r.starY, r.errorX * 0.001, r.errorY * 0.001, dir(r.directionX).c_str(), r.pulseX,
                  dir(r.directionY).c_str(), r.pulseY, r.aoX, r.aoY, status);
    std::string whole = line;
    if (scaleArcsec_ > 0) {
        char arcsec[64];
        std::snprintf(arcsec, sizeof arcsec, ",%.3f,%.3f", r.errorX * 0.001 * scaleArcsec_,
                      r.errorY * 0.001 * scaleArcsec_);
        whole += arcsec;
    }
    WriteLine(whole);
}

void GuidingLog::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}
