// The three trainings as state machines. A machine is fed measured star
// positions and answers the next step: a caption, what to drive (a guide
// pulse, an AO correction, or nothing), how long to let things settle, and
// where to search for the star (the search runs twice: at `search`, then at
// the first result moved by `secondOffset`). No I/O inside; the loops in
// guiding_loops.h take the frames and send the pulses.
//
// The results are computed in full precision; only the values stored in the
// settings (16-bit fields) are rounded.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "stars/centroid.h"

struct TrainingStep;

// What every training offers its loop: the next step (false when all are
// done), then either the star measured after it or, for a step that
// measures nothing, Skip().
class TrainingMachine {
public:
    virtual ~TrainingMachine() = default;
    virtual bool Next(TrainingStep& step) const = 0;
    virtual void Measured(const StarPosition& p) = 0;
    virtual void Skip() = 0;
    virtual bool Done() const = 0;
};

struct TrainingStep {
    std::string caption;
    enum class Drive { None, Pulse, Relay, Ao } drive = Drive::None;
    char direction = 0;       // 'w', 'e', 'n', 's' (AO: the AO letter)
    int32_t amount = 0;       // pulse ms, or AO steps
    int32_t settleMs = 0;     // wait after the drive, before the frame
    bool measure = true;      // take a frame and find the star
    int searchX = 0, searchY = 0;
    int secondOffsetX = 0, secondOffsetY = 0;
};

// Main camera: four moves per axis (North, North, South, South, then East,
// East, West, West), each one pulse of T x 1000 - hysteresis ms.
struct MainTrainingResult {
    double raRate = 0, decRate = 0;          // pixels per second
    double raBacklash = 0, decBacklash = 0;  // pixels per second of pulse, as the rates
    int16_t storedRaRate = 1, storedDecRate = 1, storedRaBacklash = 0, storedDecBacklash = 0;
    std::string Summary() const;  // "slewx = %5d, slewy = %5d\nbacklashx = %5d, backlashy = %5d"
};

class MainTraining : public TrainingMachine {
public:
    // seconds: T₂ (1, 2, 4 or 8); settleRelays: four 100 ms relay pulses
    // first (guide socket, first run).
    MainTraining(int seconds, int raHysteresis, int decHysteresis, bool settleRelays, const StarPosition& start);
    // False when every step is done (then Result() holds).
    bool Next(TrainingStep& step) const override;
    void Measured(const StarPosition& p) override;
    void Skip() override { ++index_; }
    bool Done() const override;
    MainTrainingResult Result() const;

private:
    int t_;
    int raHyst_, decHyst_;
    int relaySteps_;
    int index_ = 0;  // counts relay steps, then the eight moves
    std::vector<StarPosition> pos_;  // x0/y0, then y1..y4, then x1..x4
};

// Guider camera: nine steps (West 100T ms, West, West, East, West to
// stabilise, a half-second pause, North 200T ms, North, South).
struct GuiderTrainingResult {
    double rx = 0, ry = 0, dx = 0, dy = 0;   // pixels per second, West and North
    double raRate = 1, decRate = 1;          // magnitudes
    double bx = 0, by = 0, bdx = 0, bdy = 0; // backlash vectors, pixels
    double raBacklash = 0, decBacklash = 0;  // magnitudes (0 below 1)
    double theta = 0;                        // radians: angle of the West axis, atan2(ry, rx)
    int quadrant = 1;
    int16_t storedRaRate = 1, storedDecRate = 1, storedRaBacklash = 0, storedDecBacklash = 0;
    std::vector<StarPosition> positions;     // x0..x8 (x6 taken at the pause)
    std::string Summary() const;
};

class GuiderTraining : public TrainingMachine {
public:
    GuiderTraining(int seconds, const StarPosition& selected, int frameWidth, int frameHeight, int radius);
    bool Next(TrainingStep& step) const override;
    void Measured(const StarPosition& p) override;
    void Skip() override { ++index_; }
    bool Done() const override;
    GuiderTrainingResult Result() const;

private:
    int t_;
    int width_, height_, radius_;
    int index_ = 0;  // 0..8
    std::vector<StarPosition> pos_;  // index k = position after step k (0: the selected star)
};

// AO: four corrections of 25 steps (West, East, North, South); every search
// starts at the selected star.
struct AoTrainingResult {
    double raGain = 1, decGain = 1;  // steps per pixel
    int16_t storedRaGain = 1, storedDecGain = 1;
    std::vector<StarPosition> positions;
    std::string Summary() const;
};

class AoTraining : public TrainingMachine {
public:
    static constexpr int kSteps = 25;
    // aoLetters in the settings order (+y, non-positive y, non-positive x, +x).
    AoTraining(const StarPosition& selected, const char aoLetters[4]);
    bool Next(TrainingStep& step) const override;
    void Measured(const StarPosition& p) override;
    void Skip() override { ++index_; }
    bool Done() const override;
    AoTrainingResult Result() const;

private:
    char letters_[4];
    int index_ = 0;
    std::vector<StarPosition> pos_;
};

// Rounds a stored 16-bit value (to nearest, saturating).
int16_t StoreRounded(double v);
