#include "devices/sim/lx200_mount.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "devices/sim/mount_model.h"
#include "devices/sim/sim_random.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kSiderealDegPerSecond = 15.0 / 3600.0;

// A few catalogue entries the hand controller would know; the others get a
// position made from their number.
struct CatalogueEntry {
    char catalogue;
    int number;
    double ra, dec;
    const char* text;
};
const CatalogueEntry kKnown[] = {
    {'m', 1, 5.575, 22.017, "M1 SN REMNANT MAG 8.4"},   {'m', 13, 16.695, 36.467, "M13 GLOB CL MAG 5.8"},
    {'m', 31, 0.712, 41.267, "M31 GALAXY MAG 3.4"},     {'m', 42, 5.588, -5.383, "M42 NEBULA MAG 4.0"},
    {'m', 45, 3.783, 24.117, "M45 OPEN CL MAG 1.6"},    {'m', 51, 13.498, 47.2, "M51 GALAXY MAG 8.4"},
    {'m', 57, 18.893, 33.033, "M57 PLAN NEB MAG 8.8"},  {'m', 81, 9.927, 69.067, "M81 GALAXY MAG 6.9"},
    {'m', 104, 12.667, -11.617, "M104 GALAXY MAG 8.0"}, {'m', 110, 0.673, 41.683, "M110 GALAXY MAG 8.5"},
    {'m', 7, 17.898, -34.817, "M7 OPEN CL MAG 3.3"},
};
const char* const kPlanets[] = {"MERCURY", "VENUS", "", "MARS", "JUPITER", "SATURN", "URANUS", "NEPTUNE", "PLUTO"};

// Direction signs: west / south are +1 for the mount model.
int ModelRa(char d) { return d == 'w' ? 1 : d == 'e' ? -1 : 0; }
int ModelDec(char d) { return d == 's' ? 1 : d == 'n' ? -1 : 0; }

}  // namespace

// Shifts the picture by a motion of the mount's axes (pixels along R.A. and
// Dec, +R.A. west, +Dec south), turned by the camera angle.
void ShiftMountAxes(MountModel& model, double raPixels, double decPixels) {
    const double a = model.Config().cameraAngleDeg * kPi / 180.0;
    model.Nudge(raPixels * std::cos(a) - decPixels * std::sin(a), raPixels * std::sin(a) + decPixels * std::cos(a));
}

Lx200Mount::Lx200Mount(MountModel* model, const Lx200Config& config)
    : model_(model), config_(config), ra_(config.raHours), dec_(config.decDegrees) {}

void Lx200Mount::Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) {
    for (size_t i = 0; i < count; ++i) {
        const char c = char(bytes[i]);
        if (c == '#') {
            if (inCommand_) Execute(partial_, nowMs);
            inCommand_ = false;
            partial_.clear();
        } else if (!inCommand_) {
            if (c == ':') inCommand_ = true;
        } else if (partial_.size() < 64) {
            partial_ += c;
        }
    }
}

std::vector<uint8_t> Lx200Mount::Answer(size_t count, uint32_t nowMs) {
    std::vector<uint8_t> out;
    while (out.size() < count && !answer_.empty() && int32_t(nowMs - answer_.front().readyMs) >= 0) {
        out.push_back(answer_.front().byte);
        answer_.pop_front();
    }
    return out;
}

void Lx200Mount::Reply(const std::string& text, uint32_t readyMs) {
    for (char c : text) answer_.push_back({readyMs, uint8_t(c)});
}

double Lx200Mount::RateDegPerSecond() const {
    switch (rate_) {
        case 'G': return 0.5 * kSiderealDegPerSecond;
        case 'C': return 8 * kSiderealDegPerSecond;
        case 'M': return 0.5;
        default: return config_.slewDegPerSecond;
    }
}

double Lx200Mount::RateInGuideRates() const { return RateDegPerSecond() / (0.5 * kSiderealDegPerSecond); }

void Lx200Mount::Track(uint32_t nowMs) {
    const double dt = std::max(0, int32_t(nowMs - motionMs_)) / 1000.0;
    motionMs_ = nowMs;
    if (dt <= 0) return;
    if (slewing_) {
        const double step = config_.slewDegPerSecond * dt;
        const double dRa = (targetRa_ - ra_) * 15, dDec = targetDec_ - dec_;
        ra_ += std::clamp(dRa, -step, step) / 15;
        dec_ += std::clamp(dDec, -step, step);
        if (std::fabs(dRa) <= step && std::fabs(dDec) <= step) slewing_ = false;
        return;
    }
    const double move = RateDegPerSecond() * dt;
    ra_ -= raDir_ * move / 15;  // west lowers the R.A. of the pointing
    dec_ = std::clamp(dec_ + decDir_ * move, -90.0, 90.0);
    ra_ = std::fmod(ra_ + 24, 24);
}

void Lx200Mount::SettleSlew(uint32_t nowMs) { Track(nowMs); }

void Lx200Mount::Move(char d, uint32_t nowMs) {
    Track(nowMs);
    if (d == 'e' || d == 'w') raDir_ = d == 'w' ? 1 : -1;
    if (d == 'n' || d == 's') decDir_ = d == 'n' ? 1 : -1;
    if (model_) model_->SetGuideMotion(raDir_, -decDir_, nowMs);
}

void Lx200Mount::Quit(char d, uint32_t nowMs) {
    const uint32_t started = motionMs_;
    Track(nowMs);
    const bool ra = d == 0 || d == 'e' || d == 'w';
    const bool dec = d == 0 || d == 'n' || d == 's';
    if (model_) {
        // Faster rates move the picture further than the guide motion did.
        const double extra = (RateInGuideRates() - 1) * model_->Config().guideRatePerSecond *
                             std::max(0, int32_t(nowMs - started)) / 1000.0;
        if (extra > 0) ShiftMountAxes(*model_, ra ? raDir_ * extra : 0, dec ? -decDir_ * extra : 0);
    }
    if (ra) raDir_ = 0;
    if (dec) decDir_ = 0;
    if (model_) model_->SetGuideMotion(raDir_, -decDir_, nowMs);
}

void Lx200Mount::SelectObject(char catalogue, int number) {
    for (const CatalogueEntry& e : kKnown) {
        if (e.catalogue == catalogue && e.number == number) {
            targetRa_ = e.ra;
            targetDec_ = e.dec;
            targetValid_ = true;
            objectText_ = e.text;
            return;
        }
    }
    const bool inRange = (catalogue == 'm' && number >= 1 && number <= 110) ||
                         (catalogue == 'c' && number >= 1 && number <= 7840) ||
                         (catalogue == 's' && number >= 901 && number <= 909 && number != 903);
    if (!inRange) {
        targetValid_ = false;
        objectText_.clear();
        return;
    }
    // A position made from the number: the same object always lands at the
    // same place.
    SimRandom random(config_.seed * 7919 + uint64_t(catalogue) * 100003 + uint64_t(number));
    targetRa_ = random.Uniform() * 24;
    targetDec_ = std::asin(random.Uniform() * 2 - 1) * 180 / kPi;
    targetValid_ = true;
    char text[40];
    if (catalogue == 's') {
        std::snprintf(text, sizeof text, "%s MAG %.1f", kPlanets[number - 901], random.Uniform() * 8 - 2);
    } else {
        std::snprintf(text, sizeof text, "%s%d MAG %.1f", catalogue == 'm' ? "M" : "NGC", number,
                      6 + random.Uniform() * 8);
    }
    objectText_ = text;
}

void Lx200Mount::Execute(const std::string& command, uint32_t nowMs) {
    commands_.push_back(command);
    if (commands_.size() > 10000) commands_.erase(commands_.begin(), commands_.begin() + 5000);
    if (onCommand) onCommand(nowMs, command);
    const std::string head = command.substr(0, 2);
    const char a = command.size() > 1 ? command[1] : 0;
    if (head == "RS" || head == "RM" || head == "RC" || head == "RG") {
        Track(nowMs);
        rate_ = a;
    } else if (command.size() == 2 && command[0] == 'M' && (a == 'n' || a == 's' || a == 'e' || a == 'w')) {
        Move(a, nowMs);
    } else if (command == "Q") {
        Quit(0, nowMs);
    } else if (command.size() == 2 && command[0] == 'Q' && (a == 'n' || a == 's' || a == 'e' || a == 'w')) {
        Quit(a, nowMs);
    } else if (command[0] == 'F' && command.size() == 2) {
        focus_ = FocusPosition(nowMs);
        focusMs_ = nowMs;
        if (a == '+') focusDir_ = 1;
        if (a == '-') focusDir_ = -1;
        if (a == 'Q') focusDir_ = 0;
        if (a == 'F') focusFast_ = true;
        if (a == 'S') focusFast_ = false;
    } else if (head == "LM" || head == "LS" || head == "LC") {
        SelectObject(char(std::tolower(a)), std::atoi(command.c_str() + 2));
    } else if (command == "LI") {
        if (!objectText_.empty()) Reply(objectText_ + "#", nowMs);
    } else if (head == "Sr") {
        int h = 0, m = 0;
        double tenths = 0;
        if (std::sscanf(command.c_str() + 2, " %d:%d.%lf", &h, &m, &tenths) >= 2 ||
            std::sscanf(command.c_str() + 2, " %d:%d:%lf", &h, &m, &tenths) >= 2) {
            setRa_ = h + m / 60.0;
            targetRa_ = setRa_;
            targetDec_ = setDec_;
            targetValid_ = true;
            objectText_.clear();
        }
    } else if (head == "Sd") {
        char sign = '+';
        int d = 0, m = 0;
        if (std::sscanf(command.c_str() + 2, " %c%d*%d", &sign, &d, &m) == 3) {
            setDec_ = (sign == '-' ? -1 : 1) * (d + m / 60.0);
            targetRa_ = setRa_;
            targetDec_ = setDec_;
            targetValid_ = true;
            objectText_.clear();
        }
    } else if (command == "MS") {
        Track(nowMs);
        if (!targetValid_) {
            Reply("2No Object Selected#", nowMs);
        } else if (targetDec_ < config_.horizonDec) {
            Reply("1Object Below Horizon#", nowMs);
        } else {
            raDir_ = decDir_ = 0;
            slewing_ = true;
            Reply("0", nowMs);
        }
    } else if (command == "GR" || command == "GD") {
        Track(nowMs);
        const std::string text = command == "GR" ? RaText(ra_) : DecText(dec_);
        Reply(text + "#", nowMs + (config_.autostar ? 5 : 0));
    }
}

double Lx200Mount::RaHours(uint32_t nowMs) {
    Track(nowMs);
    return ra_;
}

double Lx200Mount::DecDegrees(uint32_t nowMs) {
    Track(nowMs);
    return dec_;
}

bool Lx200Mount::Slewing(uint32_t nowMs) {
    Track(nowMs);
    return slewing_;
}

int Lx200Mount::FocusPosition(uint32_t nowMs) {
    const double rate = focusFast_ ? 100 : 10;
    return int(std::lround(focus_ + focusDir_ * rate * std::max(0, int32_t(nowMs - focusMs_)) / 1000.0));
}

std::string Lx200Mount::RaText(double hours) {
    long s = std::lround(std::fmod(hours + 24, 24) * 3600);
    s %= 24 * 3600;
    char text[16];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

std::string Lx200Mount::DecText(double degrees) {
    const char sign = degrees < 0 ? '-' : '+';
    const long s = std::lround(std::fabs(degrees) * 3600);
    char text[16];
    std::snprintf(text, sizeof text, "%c%02ld*%02ld'%02ld", sign, s / 3600, s / 60 % 60, s % 60);
    return text;
}
