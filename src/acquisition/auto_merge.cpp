#include "acquisition/auto_merge.h"

#include "core/state.h"
#include "display/display_state.h"

namespace {
int SearchRadius() {
    const int r = State().settings.guideStarMaskRadius;
    return r > 0 ? r : 8;
}
}  // namespace

AutoMerge::AutoMerge(int divisor, bool profiles)
    : profiles_(profiles), follower_(divisor, SearchRadius()), registration_(divisor) {}

bool AutoMerge::HasReference() const {
    return profiles_ ? registration_.HasReference() : follower_.HasReference();
}

int AutoMerge::AddFrame() {
    AppState& s = State();
    const int W = s.geometry.width, H = s.geometry.height;
    if (profiles_) return registration_.Add(s.imageA, s.imageB, W, H);
    // The guide-star pick is kept in image coordinates.
    return follower_.Add(s.imageA, s.imageB, W, H, Picking().guideStarX, Picking().guideStarY);
}
