// Aligning the frames of a series of summed exposures: following a star, or
// matching row and column profiles of a 100 x 100 box. Both work on a new
// frame and a running sum of the same width x height, and leave the new sum
// in the frame.
#pragma once
#include <array>
#include <cstdint>

#include "stars/centroid.h"

// Follows a star: three centroid passes per frame, a brightness band of
// 0.3..3 times the first frame's peak, and the running sum shifted by the
// star's drift added onto each new frame.
class StarFollower {
public:
    // divisor: the averaging divisor (1 without averaging); radius: the
    // guiding search radius.
    StarFollower(int divisor, int radius) : divisor_(divisor < 1 ? 1 : divisor), radius_(radius) {}
    // 0: merged; 1: star lost (the frame holds the running sum). A window
    // that does not fit the frame shows message 69 and keeps the position
    // (the picked star on the first frame, else the last one found).
    // (startX, startY) is the picked star, used on the first frame only.
    int Add(Pixel* frame, Pixel* sum, int width, int height, int startX, int startY);
    bool HasReference() const { return haveReference_; }
    int X() const { return x_; }
    int Y() const { return y_; }

private:
    int divisor_;
    int radius_;
    bool haveReference_ = false;
    int x_ = 0, y_ = 0;
    int peak_ = 0;
};

// Registration by row and column profiles.
class ProfileRegistration {
public:
    explicit ProfileRegistration(int divisor) : divisor_(divisor < 1 ? 1 : divisor) {}
    // 0: merged; 1: star lost (the frame holds the running sum); 2: no
    // suitable star in the box (or a frame too small for it).
    int Add(Pixel* frame, Pixel* sum, int width, int height);
    bool HasReference() const { return haveReference_; }
    int OffsetX() const { return accX_; }
    int OffsetY() const { return accY_; }

private:
    int divisor_;
    bool haveReference_ = false;
    int boxOffset_ = 0;
    int64_t refBrightness_ = 0;
    std::array<int64_t, 100> refRows_{}, refCols_{};
    int accX_ = 0, accY_ = 0;
};
