#include "guiding/correction.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

int16_t Saturate16(int64_t v) { return int16_t(std::clamp<int64_t>(v, -32768, 32767)); }

// Directions: the letter of this pulse; a change from the last one adds the
// backlash (pixels x 1000) to the error's size.
AxisPulse Axis(int32_t error, char direction, char& last, int backlash, int rate, int hysteresis) {
    AxisPulse p;
    p.act = true;
    p.direction = direction;
    int64_t e = error;
    if (direction != last) e += (e >= 0 ? 1 : -1) * int64_t(backlash) * 1000;
    last = direction;
    p.lengthMs = PulseLength(int32_t(std::clamp<int64_t>(e, INT32_MIN, INT32_MAX)), rate, hysteresis);
    return p;
}

}  // namespace

int16_t GuideError(int reference, int referenceTenths, int measured, int measuredTenths) {
    return Saturate16(int64_t(reference - measured) * 1000 + int64_t(referenceTenths - measuredTenths) * 100);
}

void GuideErrors(const StarPosition& reference, const StarPosition& measured, int16_t& ex, int16_t& ey) {
    ex = GuideError(reference.x, reference.tenthsX, measured.x, measured.tenthsX);
    ey = GuideError(reference.y, reference.tenthsY, measured.y, measured.tenthsY);
}

int32_t PulseLength(int32_t error, int rate, int hysteresis) {
    const int32_t r = rate < 1 ? 1 : rate;
    return std::abs(error / r) - hysteresis * 100;
}

Correction MainCameraCorrection(int16_t ex, int16_t ey, const MainCameraCalibration& cal, DirectionMemory& memory) {
    Correction c;
    if (std::abs(ex) > 5000 || std::abs(ey) > 5000) {
        c.ignored = true;
        return c;
    }
    if ((cal.ignoreDrift && std::abs(ex) > 1000) || (!cal.ignoreDrift && std::abs(ex) > 50)) {
        const char d = ex > 0 ? cal.letters[2] : cal.letters[3];
        c.x = Axis(ex, d, memory.lastX, cal.raBacklash, cal.raRate, cal.raHysteresis);
        c.shownX = Saturate16(c.x.lengthMs);
    }
    if (!cal.ignoreDrift && std::abs(ey) > 30) {
        const char d = ey > 0 ? cal.letters[0] : cal.letters[1];
        c.y = Axis(ey, d, memory.lastY, cal.decBacklash, cal.decRate, cal.decHysteresis);
        c.shownY = Saturate16(c.y.lengthMs);
    }
    return c;
}

Correction GuiderDefaultCorrection(int16_t ex, int16_t ey, const GuiderDefaultCalibration& cal,
                                   DirectionMemory& memory) {
    Correction c;
    if (std::abs(ex) > 8000 || std::abs(ey) > 8000) {
        c.ignored = true;
        return c;
    }
    const int threshold = cal.ignoreDrift ? cal.driftThreshold : 30;
    if (std::abs(ex) > threshold) {
        const char d = ex > 0 ? cal.letters[2] : cal.letters[3];
        c.x = Axis(ex, d, memory.lastX, cal.raBacklash, cal.raRate, cal.raHysteresis);
        c.shownX = Saturate16(c.x.lengthMs);
    }
    if (std::abs(ey) > threshold) {
        const char d = ey > 0 ? cal.letters[0] : cal.letters[1];
        const bool north = d == 'n' || d == 'N', south = d == 's' || d == 'S';
        if (!(north && cal.noNorth) && !(south && cal.noSouth)) {
            c.y = Axis(ey, d, memory.lastY, cal.decBacklash, cal.decRate, cal.decHysteresis);
            c.shownY = Saturate16(c.y.lengthMs);
        }
    }
    return c;
}

void ResolveError(double exPx, double eyPx, const TrainedCalibration& cal, double& raPx, double& decPx) {
    // Solve e = a·ra + b·dec for the drive times a, b (seconds); the
    // components along the axes are a·|ra| and b·|dec|.
    const double det = cal.rx * cal.dy - cal.ry * cal.dx;
    const double raLen = std::hypot(cal.rx, cal.ry), decLen = std::hypot(cal.dx, cal.dy);
    if (std::fabs(det) < 1e-9 * std::max(1.0, raLen * decLen)) {
        // Degenerate training (parallel or zero vectors): project on R.A.
        // and take Dec at right angles to it.
        const double theta = std::atan2(cal.ry, cal.rx);
        raPx = exPx * std::cos(theta) + eyPx * std::sin(theta);
        decPx = -exPx * std::sin(theta) + eyPx * std::cos(theta);
        return;
    }
    const double a = (exPx * cal.dy - eyPx * cal.dx) / det;
    const double b = (cal.rx * eyPx - cal.ry * exPx) / det;
    raPx = a * raLen;
    decPx = b * decLen;
}

Correction TrainedCorrection(int16_t ex, int16_t ey, const TrainedCalibration& cal, DirectionMemory& memory) {
    Correction c;
    double ra = 0, dec = 0;
    ResolveError(ex, ey, cal, ra, dec);  // thousandths along each axis
    const double raRate = std::max(1.0, std::hypot(cal.rx, cal.ry));
    const double decRate = std::max(1.0, std::hypot(cal.dx, cal.dy));
    auto axis = [](double e, char plus, char minus, char& last, double backlash, double rate, int hysteresis) {
        AxisPulse p;
        p.act = true;
        p.direction = e > 0 ? plus : minus;
        double size = std::fabs(e);
        if (p.direction != last) size += backlash * 1000;
        last = p.direction;
        p.lengthMs = int32_t(std::min(1e9, std::floor(size / rate))) - hysteresis * 100;
        return p;
    };
    c.x = axis(ra, 'w', 'e', memory.lastX, cal.raBacklash, raRate, cal.raHysteresis);
    c.y = axis(dec, 'n', 's', memory.lastY, cal.decBacklash, decRate, cal.decHysteresis);
    c.shownX = Saturate16(c.x.lengthMs);
    c.shownY = Saturate16(c.y.lengthMs);
    return c;
}

AoCorrection AoCorrectionFor(int16_t ex, int16_t ey, int raGain, int decGain, const std::array<char, 4>& aoLetters) {
    AoCorrection c;
    if (std::abs(ex) > 8000 || std::abs(ey) > 8000) {
        c.ignored = true;
        return c;
    }
    if (std::abs(ex) > 30) {
        c.actX = true;
        c.letterX = ex > 0 ? aoLetters[3] : aoLetters[2];
        c.stepsX = int32_t(std::llabs(int64_t(ex) * raGain) / 1000);
    }
    if (std::abs(ey) > 30) {
        c.actY = true;
        c.letterY = ey > 0 ? aoLetters[0] : aoLetters[1];
        c.stepsY = int32_t(std::llabs(int64_t(ey) * decGain) / 1000);
    }
    return c;
}
