// Auto-merging ("slew and sum"): the frames of a series are stacked on a
// star, following its drift, or (the alternative slew method) registered by
// row and column profiles. The running sum lives in image buffer B, the new
// frame arrives in image buffer A.
#pragma once
#include <array>
#include <cstdint>

using Pixel = uint16_t;

// The main-image window centroid: background-subtracted, thresholded,
// intensity-weighted centroid in a (2h + 1) square around (x, y), rounded to
// whole pixels. False (after message 69) when the window leaves the frame.
bool WindowCentroid(const Pixel* image, int width, int height, int& x, int& y, int h);

class AutoMerge {
public:
    // divisor: the averaging divisor (1 without averaging).
    AutoMerge(int divisor, bool profiles) : divisor_(divisor < 1 ? 1 : divisor), profiles_(profiles) {}
    // Adds the frame in image buffer A. 0: merged (A holds the sum);
    // 1: the star was lost (A holds the sum so far); 2: no suitable star
    // (profiles only). On a star, a window centroid that does not fit shows
    // message 69 and keeps the position it had; the frame is still merged.
    int AddFrame();
    bool HasReference() const { return haveReference_; }
    int StarX() const { return x_; }
    int StarY() const { return y_; }

private:
    int AddOnStar();
    int AddByProfiles();
    int divisor_;
    bool profiles_;
    bool haveReference_ = false;
    int x_ = 0, y_ = 0;
    int peak_ = 0;
    // Profiles.
    int boxOffset_ = 0;
    int64_t refBrightness_ = 0;
    std::array<int64_t, 100> refRows_{}, refCols_{};
    int accX_ = 0, accY_ = 0;
};
