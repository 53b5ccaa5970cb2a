#include "acquisition/camera_settings.h"

#include "core/state.h"

CameraSettings& Cam() {
    static CameraSettings cam;
    return cam;
}

AcqSession& Session() {
    static AcqSession session;
    return session;
}

void ResetAcquisition() {
    Cam() = CameraSettings{};
    Session() = AcqSession{};
}

int32_t UnitFactorMs(char unit) {
    switch (unit) {
        case 'q': return 1;
        case 'h': return 10;
        case 't': return 100;
        case 's': return 1000;
        case 'm': return 60000;
        default: return 1000;
    }
}

int32_t ExposureMs(char unit, int value) { return UnitFactorMs(unit) * value; }

int32_t CurrentExposureMs() { return ExposureMs(Cam().exposureUnit, Cam().exposureValue); }

int UnitMaximum(char unit) {
    switch (unit) {
        case 'q':
        case 'h': return 500;
        case 't': return 100;
        case 'm': return 90;
        default: return 300;
    }
}

void PickExposureUnit(CameraSettings& cam, char unit) {
    cam.exposureUnit = unit;
    cam.exposureMaximum = UnitMaximum(unit);
    cam.exposureValue = (unit == 'q' || unit == 'h' || unit == 't') ? 5 : 1;
}

int TypedExposureMaximum(char unit) { return kLongestExposureMs / UnitFactorMs(unit); }

// Settings field 15 is the camera option the exposure arrows use: their
// minimum is 1 while it is set, else 0.
int ExposureMinimum() { return State().settings.cameraOption15 ? 1 : 0; }
