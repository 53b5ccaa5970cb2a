#include "devices/sim/lx200_mount.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cctype>
#include <cstdlib>
#include <cstring>

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

// Days from 1970-01-01 of a civil date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    y = int(yoe + era * 400 + (m <= 2));
}

// "a<sep>b[.t | <sep>c]" with an optional sign; the separators are those
// clients send (':', '*', '\'', the degree byte 0xDF). `value` is
// a + b/60 + c/3600 (or t tenths of b), signed.
bool ParseSexagesimal(const std::string& text, double& value) {
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    double sign = 1;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) sign = text[i++] == '-' ? -1 : 1;
    auto digits = [&](int& out) {
        const size_t from = i;
        out = 0;
        while (i < text.size() && std::isdigit(uint8_t(text[i]))) out = out * 10 + (text[i++] - '0');
        return i > from && i - from <= 3;
    };
    auto separator = [&] {
        if (i < text.size() && std::strchr(":*'\xdf", text[i]) && text[i] != 0) return ++i, true;
        return false;
    };
    int a = 0, b = 0, c = 0;
    if (!digits(a) || !separator() || !digits(b) || b > 59) return false;
    double rest = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        if (!digits(c) || c > 9) return false;
        rest = c / 600.0;
    } else if (separator()) {
        if (!digits(c) || c > 59) return false;
        rest = c / 3600.0;
    }
    if (i != text.size()) return false;
    value = sign * (a + b / 60.0 + rest);
    return true;
}

// "sDD*MM" / "DDD*MM" (low) or with "'SS" (high) of an angle.
std::string AngleText(double degrees, bool withSign, bool high) {
    const char sign = degrees < 0 ? '-' : '+';
    const long units = std::lround(std::fabs(degrees) * (high ? 3600 : 60));
    const long d = high ? units / 3600 : units / 60, m = high ? units / 60 % 60 : units % 60, sec = units % 60;
    char text[24];
    if (withSign)
        std::snprintf(text, sizeof text, "%c%02ld*%02ld", sign, d, m);
    else
        std::snprintf(text, sizeof text, "%03ld*%02ld", d, m);
    std::string out = text;
    if (high) {
        std::snprintf(text, sizeof text, "'%02ld", sec);
        out += text;
    }
    return out;
}

std::string ClockText(double seconds) {
    const long s = long(std::floor(std::fmod(std::fmod(seconds, 86400) + 86400, 86400))) % 86400;
    char text[32];
    std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

}  // namespace

Lx200Mount::Lx200Mount(MountModel* model, const Lx200Config& config)
    : model_(model),
      config_(config),
      ra_(config.raHours),
      dec_(config.decDegrees),
      highPrecision_(config.highPrecision),
      latitude_(config.latitude),
      longitudeWest_(config.longitudeWest) {}

void Lx200Mount::Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) {
    for (size_t i = 0; i < count; ++i) {
        const char c = char(bytes[i]);
        if (c == '#') {
            if (inCommand_) Execute(partial_, nowMs);
            inCommand_ = false;
            partial_.clear();
        } else if (!inCommand_) {
            if (c == ':') inCommand_ = true;
            // The ACK byte asks for the alignment mode.
            if (c == 0x06) {
                Log(std::string(1, c), nowMs);
                Reply(std::string(1, alignment_), nowMs);
            }
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
        const double dRa = (slewRa_ - ra_) * 15, dDec = slewDec_ - dec_;
        ra_ += std::clamp(dRa, -step, step) / 15;
        dec_ += std::clamp(dDec, -step, step);
        if (std::fabs(dRa) <= step && std::fabs(dDec) <= step) slewing_ = false;
        return;
    }
    ra_ -= raDir_ * raRate_ * dt / 15;  // west lowers the R.A. of the pointing
    dec_ = std::clamp(dec_ + decDir_ * decRate_ * dt, -90.0, 90.0);
    ra_ = std::fmod(ra_ + 24, 24);
}

void Lx200Mount::SettleSlew(uint32_t nowMs) { Track(nowMs); }

// The model runs each axis at the rate its move was started with (in guide
// rates: the picture shifts at that speed while the move lasts).
void Lx200Mount::SetSpeeds(uint32_t nowMs) {
    const double guideDegPerSecond = 0.5 * kSiderealDegPerSecond;
    if (model_)
        model_->SetGuideMotion(raDir_ * raRate_ / guideDegPerSecond, -decDir_ * decRate_ / guideDegPerSecond, nowMs);
}

void Lx200Mount::Move(char d, uint32_t nowMs) {
    Track(nowMs);
    if (d == 'e' || d == 'w') {
        raDir_ = d == 'w' ? 1 : -1;
        raRate_ = RateDegPerSecond();
    }
    if (d == 'n' || d == 's') {
        decDir_ = d == 'n' ? 1 : -1;
        decRate_ = RateDegPerSecond();
    }
    SetSpeeds(nowMs);
}

void Lx200Mount::Quit(char d, uint32_t nowMs) {
    Track(nowMs);
    if (d == 0 || d == 'e' || d == 'w') raDir_ = 0;
    if (d == 0 || d == 'n' || d == 's') decDir_ = 0;
    if (d == 0) slewing_ = false;  // ":Q#" also ends a go-to
    SetSpeeds(nowMs);
}

void Lx200Mount::Pulse(char d, int ms, uint32_t nowMs) {
    const int ra = d == 'w' ? 1 : d == 'e' ? -1 : 0;
    const int dec = d == 's' ? 1 : d == 'n' ? -1 : 0;
    if (model_ && ms > 0) model_->Pulse(ra, dec, uint32_t(ms), nowMs);
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

void Lx200Mount::Log(const std::string& command, uint32_t nowMs) {
    commands_.push_back(command);
    if (commands_.size() > 10000) commands_.erase(commands_.begin(), commands_.begin() + 5000);
    if (onCommand) onCommand(nowMs, command);
}

void Lx200Mount::Execute(const std::string& command, uint32_t nowMs) {
    Log(command, nowMs);
    if (command.empty()) return;
    const std::string head = command.substr(0, 2);
    const char a = command.size() > 1 ? command[1] : 0;
    const bool direction = a == 'n' || a == 's' || a == 'e' || a == 'w';
    if (head == "RS" || head == "RM" || head == "RC" || head == "RG") {
        Track(nowMs);
        rate_ = a;
    } else if (command.size() == 2 && command[0] == 'M' && direction) {
        Move(a, nowMs);
    } else if (head == "Mg" && command.size() >= 4) {
        const char d = command[2];
        const std::string digits = command.substr(3);
        if ((d == 'n' || d == 's' || d == 'e' || d == 'w') && !digits.empty() && digits.size() <= 5 &&
            std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(uint8_t(c)); }))
            Pulse(d, std::atoi(digits.c_str()), nowMs);
    } else if (command == "Q") {
        Quit(0, nowMs);
    } else if (command.size() == 2 && command[0] == 'Q' && direction) {
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
    } else if (head == "Sr" || head == "Sd") {
        // Either precision; the answer says whether the value was taken.
        double v = 0;
        const bool ra = head == "Sr";
        const bool ok = ParseSexagesimal(command.substr(2), v) && (ra ? v >= 0 && v < 24 : v >= -90 && v <= 90);
        if (ok) {
            (ra ? setRa_ : setDec_) = v;
            targetRa_ = setRa_;
            targetDec_ = setDec_;
            targetValid_ = true;
            objectText_.clear();
        }
        Reply(ok ? "1" : "0", nowMs);
    } else if (command == "MS") {
        Track(nowMs);
        if (!targetValid_) {
            Reply("2No Object Selected#", nowMs);
        } else if (targetDec_ < config_.horizonDec) {
            Reply("1Object Below Horizon#", nowMs);
        } else {
            raDir_ = decDir_ = 0;
            SetSpeeds(nowMs);
            slewRa_ = targetRa_;
            slewDec_ = targetDec_;
            slewing_ = true;
            Reply("0", nowMs);
        }
    } else if (command == "CM") {
        // Sync: the mount takes the selected target for where it points.
        Track(nowMs);
        if (targetValid_) {
            ra_ = targetRa_;
            dec_ = targetDec_;
            slewing_ = false;
        }
        Reply((objectText_.empty() ? std::string("Coordinates     matched.        ") : " " + objectText_) + "#", nowMs);
    } else if (command == "U") {
        highPrecision_ = !highPrecision_;
    } else if (command == "P") {
        highPrecisionPointing_ = !highPrecisionPointing_;
        Reply(highPrecisionPointing_ ? "HIGH PRECISION" : "LOW PRECISION", nowMs);
    } else if (command == "H") {
        clock24_ = !clock24_;
    } else if (command == "AA" || command == "AL" || command == "AP") {
        alignment_ = a;
    } else if (!SetSite(command, nowMs)) {
        Query(command, nowMs);  // anything else unknown gets no answer
    }
}

// The site, clock and limit settings: '1' when taken, '0' when not.
bool Lx200Mount::SetSite(const std::string& command, uint32_t nowMs) {
    const std::string head = command.substr(0, 2), value = command.substr(std::min<size_t>(2, command.size()));
    double v = 0;
    if (head == "St" || head == "Sg" || head == "SL") {
        bool ok = ParseSexagesimal(value, v);
        if (head == "St") ok = ok && std::fabs(v) <= 90;
        if (head == "Sg") ok = ok && v >= 0 && v <= 360;
        if (head == "SL") ok = ok && v >= 0 && v < 24;
        if (ok && head == "St") latitude_ = v;
        if (ok && head == "Sg") longitudeWest_ = v;
        if (ok && head == "SL") {
            const double local = LocalSeconds(nowMs);
            clockShiftS_ += std::floor(local / 86400) * 86400 + v * 3600 - local;
        }
        Reply(ok ? "1" : "0", nowMs);
    } else if (head == "SG") {
        char* end = nullptr;
        v = std::strtod(value.c_str(), &end);
        const bool ok = end != value.c_str() && *end == 0 && std::fabs(v) <= 14;
        if (ok) utcOffsetHours_ = v;
        Reply(ok ? "1" : "0", nowMs);
    } else if (head == "SC") {
        int m = 0, d = 0, y = 0;
        char tail = 0;
        const bool ok = std::sscanf(value.c_str(), " %d/%d/%d%c", &m, &d, &y, &tail) == 3 && m >= 1 && m <= 12 &&
                        d >= 1 && d <= 31 && y >= 0 && y <= 99;
        if (ok) {
            const double local = LocalSeconds(nowMs);
            const double day = double(DaysFromCivil(2000 + y, m, d));
            clockShiftS_ += day * 86400 + std::fmod(std::fmod(local, 86400) + 86400, 86400) - local;
            // The mount then works out the planets' places, in two texts.
            Reply("1Updating Planetary Data#                              #", nowMs);
        } else {
            Reply("0", nowMs);
        }
    } else if (head == "SM" || head == "SN" || head == "SO" || head == "SP") {
        const size_t from = value.find_first_not_of(' ');
        if (head == "SM" && from != std::string::npos) siteName_ = value.substr(from);
        Reply("1", nowMs);
    } else if (head == "ST") {
        char* end = nullptr;
        v = std::strtod(value.c_str(), &end);
        const bool ok = end != value.c_str() && v >= 56.4 && v <= 60.1;
        if (ok) trackingHz_ = v;
        Reply(ok ? "2" : "0", nowMs);
    } else if (head == "Sw" || head == "Sh" || head == "So") {
        Reply("1", nowMs);
    } else {
        return false;
    }
    return true;
}

// The queries: position, target, site, clock, product and state.
bool Lx200Mount::Query(const std::string& command, uint32_t nowMs) {
    std::string text;
    uint32_t ready = nowMs;
    Track(nowMs);
    const double lst = SiderealHours(nowMs);
    if (command == "GR" || command == "GD") {
        text = command == "GR" ? RaText(ra_, highPrecision_) : DecText(dec_, highPrecision_);
        if (config_.autostar) ready += 5;
    } else if (command == "Gr" || command == "Gd") {
        text = command == "Gr" ? RaText(targetRa_, highPrecision_) : DecText(targetDec_, highPrecision_);
    } else if (command == "GA" || command == "GZ") {
        const double kRad = kPi / 180;
        const double ha = (lst - ra_) * 15 * kRad, dec = dec_ * kRad, lat = latitude_ * kRad;
        const double alt = std::asin(std::sin(dec) * std::sin(lat) + std::cos(dec) * std::cos(lat) * std::cos(ha));
        double az = std::atan2(-std::sin(ha) * std::cos(dec),
                               std::sin(dec) * std::cos(lat) - std::cos(dec) * std::sin(lat) * std::cos(ha)) / kRad;
        if (az < 0) az += 360;
        text = command == "GA" ? AngleText(alt / kRad, true, highPrecision_) : AngleText(az, false, highPrecision_);
    } else if (command == "GS") {
        text = ClockText(lst * 3600);
    } else if (command == "GL" || command == "Ga") {
        double local = LocalSeconds(nowMs);
        if (command == "Ga" || !clock24_) local = std::fmod(std::fmod(local, 43200) + 43200, 43200);
        text = ClockText(local);
    } else if (command == "GC") {
        int y = 0, m = 0, d = 0;
        CivilFromDays(int64_t(std::floor(LocalSeconds(nowMs) / 86400)), y, m, d);
        char t[16];
        std::snprintf(t, sizeof t, "%02d/%02d/%02d", m, d, y % 100);
        text = t;
    } else if (command == "Gc") {
        text = clock24_ ? "(24)" : "(12)";
    } else if (command == "GG") {
        char t[16];
        if (utcOffsetHours_ == std::floor(utcOffsetHours_))
            std::snprintf(t, sizeof t, "%+03d", int(utcOffsetHours_));
        else
            std::snprintf(t, sizeof t, "%+05.1f", utcOffsetHours_);
        text = t;
    } else if (command == "Gt") {
        text = AngleText(latitude_, true, false);
    } else if (command == "Gg") {
        text = AngleText(longitudeWest_, false, false);
    } else if (command == "GM" || command == "GN" || command == "GO" || command == "GP") {
        text = command == "GM" ? siteName_ : "Site " + std::string(1, char('2' + (command[1] - 'N')));
    } else if (command == "GT") {
        char t[16];
        std::snprintf(t, sizeof t, "%04.1f", trackingHz_);
        text = t;
    } else if (command == "GW") {
        // Mount kind, tracking, aligned on two stars.
        text = std::string(1, alignment_ == 'A' ? 'A' : alignment_ == 'L' ? 'L' : 'P') + "T2";
    } else if (command == "GVP") {
        text = config_.autostar ? "Autostar" : "LX200 Classic";
    } else if (command == "GVN") {
        text = config_.autostar ? "43Eg" : "4.2G";
    } else if (command == "GVD") {
        text = "Dec 01 2026";
    } else if (command == "GVT") {
        text = "12:00:00";
    } else if (command == "GVF") {
        text = std::string(config_.autostar ? "Autostar" : "LX200 Classic") + "|A|" +
               (config_.autostar ? "43Eg" : "4.2G") + "|Dec 01 2026@12:00:00";
    } else if (command == "Gh" || command == "Go") {
        text = command == "Gh" ? "+00*" : "90*";
    } else if (command == "GF") {
        text = "015";
    } else if (command == "D") {
        text = slewing_ ? "\x7f" : "";
    } else {
        return false;
    }
    Reply(text + "#", ready);
    return true;
}

double Lx200Mount::UtcSeconds(uint32_t nowMs) const {
    return double(config_.utcAtStartS) + int32_t(nowMs - config_.startMs) / 1000.0 + clockShiftS_;
}

double Lx200Mount::LocalSeconds(uint32_t nowMs) const { return UtcSeconds(nowMs) - utcOffsetHours_ * 3600; }

// Local sidereal time from the Greenwich mean sidereal time.
double Lx200Mount::SiderealHours(uint32_t nowMs) const {
    const double days = UtcSeconds(nowMs) / 86400.0 + 2440587.5 - 2451545.0;
    const double hours = 18.697374558 + 24.06570982441908 * days - longitudeWest_ / 15;
    return std::fmod(std::fmod(hours, 24) + 24, 24);
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

std::string Lx200Mount::RaText(double hours, bool high) {
    const double h = std::fmod(hours + 24, 24);
    char text[16];
    if (high) {
        const long s = std::lround(h * 3600) % (24 * 3600);
        std::snprintf(text, sizeof text, "%02ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    } else {
        const long t = std::lround(h * 600) % (24 * 600);  // tenths of a minute
        std::snprintf(text, sizeof text, "%02ld:%02ld.%ld", t / 600, t / 10 % 60, t % 10);
    }
    return text;
}

std::string Lx200Mount::DecText(double degrees, bool high) { return AngleText(degrees, true, high); }
