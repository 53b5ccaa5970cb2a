// Running RMS of the guiding errors (last 100 frames and the whole run) and
// the guiding log: one CSV file per guiding run in the autosave folder.
#pragma once
#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

#include "guiding/guiding_display.h"

class GuidingStats {
public:
    static constexpr int kWindow = 100;
    // One frame's errors in pixels (R.A. = x, Dec = y).
    void Add(double raPx, double decPx);
    GuidingRms Rms() const;
    void Reset() { *this = GuidingStats{}; }

private:
    std::deque<std::pair<double, double>> last_;
    double sumRa2_ = 0, sumDec2_ = 0;  // the window's sums of squares
    double runRa2_ = 0, runDec2_ = 0;
    int64_t runFrames_ = 0;
};

// "GUIDE" + yyyymmdd-hhmmss (UT) + ".CSV" for a run started at unixSeconds.
std::string GuidingLogName(int64_t unixSeconds);

class GuidingLog {
public:
    ~GuidingLog() { Close(); }
    // Opens a new log at a host path and writes the header line; false when
    // the file cannot be created (guiding goes on without a log).
    bool Open(const std::string& hostPath);
    // One line per frame (time in seconds since the log was opened); status:
    // "ok", "ignored" (error out of range), "lost", "unguided".
    void Write(const GuidingFrameReport& report, const char* status);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
    uint32_t startMs_ = 0;
};

// The CSV header line (without the line end).
inline constexpr const char* kGuidingLogHeader =
    "time_s,star_x,star_y,error_x_px,error_y_px,pulse_x_dir,pulse_x_ms,pulse_y_dir,pulse_y_ms,ao_x,ao_y,status";
