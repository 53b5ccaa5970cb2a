#include "guiding/image_scale.h"

#include "core/state.h"
#include "guiding/guider_state.h"

double ArcsecPerPixel(double pixelMm, double focalMm) {
    if (!(pixelMm > 0) || !(focalMm > 0)) return 0;
    return 206264.806 * pixelMm / focalMm;
}

double GuidingScaleArcsec(bool mainCamera) {
    const double focal = Guider().focalLengthMm;
    if (mainCamera) return ArcsecPerPixel(State().geometry.binnedPixelSizeMm, focal);
    const double pixel = State().geometry.sensorPixelMm * (Guider().exposure.binned ? 2 : 1);
    return ArcsecPerPixel(pixel, focal);
}
