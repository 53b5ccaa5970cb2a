// The image scale of the camera that guides, from the focal length kept in
// the guiding file and the camera model's pixel size.
#pragma once

// Arc seconds per pixel of an image of pixel size pixelMm taken through
// focalMm; 0 when either is unknown (not positive).
double ArcsecPerPixel(double pixelMm, double focalMm);
// The scale of the guiding frames: the main camera's (its current binning)
// or the guider head's (Bin 2x2 doubles it); 0 without a focal length.
double GuidingScaleArcsec(bool mainCamera);
