// Auto-merging ("slew and sum"): the frames of a series are stacked on a
// star, following its drift, or (the alternative slew method) registered by
// row and column profiles. The running sum lives in image buffer B, the new
// frame arrives in image buffer A. The alignment itself is the guider's
// (guiding/registration.h).
#pragma once
#include <cstdint>
#include <optional>

#include "stars/centroid.h"
#include "stars/registration.h"

class AutoMerge {
public:
    // divisor: the averaging divisor (1 without averaging).
    AutoMerge(int divisor, bool profiles);
    // Adds the frame in image buffer A. 0: merged (A holds the sum);
    // 1: the star was lost (A holds the sum so far); 2: no suitable star
    // (profiles only). On a star, a window centroid that does not fit shows
    // message 69 and keeps the position it had; the frame is still merged.
    int AddFrame();
    bool HasReference() const;
    int StarX() const { return follower_.X(); }
    int StarY() const { return follower_.Y(); }

private:
    bool profiles_;
    StarFollower follower_;
    ProfileRegistration registration_;
};
