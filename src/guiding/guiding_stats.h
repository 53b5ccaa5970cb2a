// Running RMS of the guiding errors (last 100 frames and the whole run) and
// the guiding log: one CSV file per guiding run in the autosave folder.
#pragma once
#include <cstdint>
#include <deque>
#include <string>

#include "guiding/guiding_display.h"

// Every frame with a measured star counts, ignored ones too (an error out of
// range is the worst error of all, not one to leave out); frames whose star
// was not found are counted apart.
class GuidingStats {
public:
    static constexpr int kWindow = 100;
    // One measured frame's errors in pixels (R.A. = x, Dec = y); ignored: the
    // error was out of range and nothing was corrected.
    void Add(double raPx, double decPx, bool ignored = false);
    // A frame whose star was not found.
    void Lost() { ++lost_; }
    GuidingRms Rms() const;
    void Reset() { *this = GuidingStats{}; }

private:
    std::deque<std::pair<double, double>> last_;
    double runRa2_ = 0, runDec2_ = 0;
    int64_t runFrames_ = 0;
    int ignored_ = 0, lost_ = 0;
};

// "GUIDE" + yyyymmdd-hhmmss (UT) + ".CSV" for a run started at unixSeconds.
std::string GuidingLogName(int64_t unixSeconds);

// Each line goes to the file in one write of the whole line, appended, so a
// run killed at any moment leaves a log of whole lines up to the last frame.
class GuidingLog {
public:
    GuidingLog() = default;
    GuidingLog(const GuidingLog&) = delete;
    GuidingLog& operator=(const GuidingLog&) = delete;
    ~GuidingLog() { Close(); }
    // Opens a new log at a host path and writes the header line; false when
    // the file cannot be created (guiding goes on without a log). With an
    // image scale (arc seconds per pixel, 0: unknown) every line ends with
    // the errors in arc seconds too (kGuidingLogArcsecColumns).
    bool Open(const std::string& hostPath, double scaleArcsec = 0);
    // A new log "GUIDEyyyymmdd-hhmmss.CSV" in the autosave folder (the next
    // second's name when that one is taken); false when none can be made.
    bool OpenInAutosaveFolder(double scaleArcsec = 0);
    // One line per frame (time in seconds since the log was opened); status:
    // "ok", "ignored" (error out of range), "lost", "unguided".
    void Write(const GuidingFrameReport& report, const char* status);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    const std::string& Path() const { return path_; }

private:
    void WriteLine(std::string line);
    int fd_ = -1;
    uint32_t startMs_ = 0;
    double scaleArcsec_ = 0;
    std::string path_;
};

// The CSV header line (without the line end).
inline constexpr const char* kGuidingLogHeader =
    "time_s,star_x,star_y,error_x_px,error_y_px,pulse_x_dir,pulse_x_ms,pulse_y_dir,pulse_y_ms,ao_x,ao_y,status";
// The columns added after them when the image scale is known.
inline constexpr const char* kGuidingLogArcsecColumns = ",error_x_arcsec,error_y_arcsec";
