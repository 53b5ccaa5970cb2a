#include "guiding/guiding_file.h"

#include <charconv>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "core/messages.h"
#include "guiding/guider_state.h"
#include "platform/files.h"
#include "platform/paths.h"
#include "platform/platform.h"
#include "settings/settings_file.h"

namespace {

constexpr const char* kFirstLine = "# Velmora guiding file: the kept guider calibration and guiding settings";
// Longer than any file we write by far: a larger one is not ours.
constexpr size_t kMaxFileBytes = 64 * 1024;

// One kept value: its key, where it lives and what a reader takes.
struct Field {
    enum Kind { Real, Flag, Whole, Seconds, Rule } kind;
    const char* key;
    void* value;  // double*, bool*, int*, long long* (Seconds), GuideRule*
    double min, max;
    bool calibration;  // part of the trained calibration
};

std::vector<Field> Fields(GuiderState& g) {
    GuiderTrainingResult& t = g.trainedSet;
    GuiderState::Quality& q = g.quality;
    constexpr double kBig = 1e9, kAngle = 7;  // radians: one turn and a little
    std::vector<Field> f = {
        {Field::Flag, "trained", &g.trained, 0, 1, true},
        {Field::Flag, "use_trained", &g.useTrained, 0, 1, true},
        {Field::Real, "rx", &t.rx, -kBig, kBig, true},
        {Field::Real, "ry", &t.ry, -kBig, kBig, true},
        {Field::Real, "dx", &t.dx, -kBig, kBig, true},
        {Field::Real, "dy", &t.dy, -kBig, kBig, true},
        {Field::Real, "ra_rate", &t.raRate, 0, kBig, true},
        {Field::Real, "dec_rate", &t.decRate, 0, kBig, true},
        {Field::Real, "bx", &t.bx, -kBig, kBig, true},
        {Field::Real, "by", &t.by, -kBig, kBig, true},
        {Field::Real, "bdx", &t.bdx, -kBig, kBig, true},
        {Field::Real, "bdy", &t.bdy, -kBig, kBig, true},
        {Field::Real, "ra_backlash", &t.raBacklash, 0, kBig, true},
        {Field::Real, "dec_backlash", &t.decBacklash, 0, kBig, true},
        {Field::Real, "theta", &t.theta, -kAngle, kAngle, true},
        {Field::Whole, "quadrant", &t.quadrant, 1, 4, true},
        {Field::Flag, "moved", &t.moved, 0, 1, true},
        {Field::Rule, "trained_rule", &g.trainedRule, 0, 1, true},
        {Field::Flag, "trained_on_main", &g.trainedOnMain, 0, 1, true},
        {Field::Whole, "trained_binning", &g.trainedBinning, 1, 4, true},
        {Field::Seconds, "trained_at_s", &g.trainedAtS, 0, 1e12, true},
        {Field::Flag, "quality_fitted", &q.fitted, 0, 1, true},
        {Field::Real, "quality_ra_spread_px", &q.raSpreadPx, 0, kBig, true},
        {Field::Real, "quality_dec_spread_px", &q.decSpreadPx, 0, kBig, true},
        {Field::Real, "quality_orthogonality_deg", &q.orthogonalityDeg, -180, 180, true},
        {Field::Flag, "quality_suspect", &q.suspect, 0, 1, true},
        {Field::Rule, "rule", &g.rule, 0, 1, false},
    };
    size_t count = 0;
    const SmoothParamInfo* table = SmoothParamTable(count);
    for (size_t i = 0; i < count; ++i)
        f.push_back({Field::Real, table[i].key, &(g.smooth.*table[i].member), table[i].min, table[i].max, false});
    f.push_back({Field::Real, "focal_length_mm", &g.focalLengthMm, 0, 100000, false});
    f.push_back({Field::Flag, "server_on", &g.serverOn, 0, 1, false});
    f.push_back({Field::Whole, "server_instance", &g.serverInstance, 1, 100, false});
    return f;
}

std::string ValueText(const Field& f) {
    char text[64];
    switch (f.kind) {
        case Field::Real: {
            // The shortest text that reads back as the same double.
            const auto r = std::to_chars(text, text + sizeof text - 1, *static_cast<double*>(f.value));
            *r.ptr = '\0';
            break;
        }
        case Field::Flag: return *static_cast<bool*>(f.value) ? "1" : "0";
        case Field::Whole: std::snprintf(text, sizeof text, "%d", *static_cast<int*>(f.value)); break;
        case Field::Seconds: std::snprintf(text, sizeof text, "%lld", *static_cast<long long*>(f.value)); break;
        case Field::Rule: return GuideRuleName(*static_cast<GuideRule*>(f.value));
    }
    return text;
}

// Sets a field from its text; false (the field untouched) for a text that
// is not a number of its kind or lies out of range.
bool SetValue(const Field& f, const std::string& text) {
    if (f.kind == Field::Rule) return ParseGuideRule(text, *static_cast<GuideRule*>(f.value));
    if (text.empty() || text.find_first_of(" \t") != std::string::npos) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || errno == ERANGE || !std::isfinite(v) || v < f.min || v > f.max) return false;
    switch (f.kind) {
        case Field::Real: *static_cast<double*>(f.value) = v; break;
        case Field::Flag:
            if (v != 0 && v != 1) return false;
            *static_cast<bool*>(f.value) = v == 1;
            break;
        case Field::Whole:
        case Field::Seconds:
            if (v != std::floor(v)) return false;
            if (f.kind == Field::Seconds) *static_cast<long long*>(f.value) = static_cast<long long>(v);
            else *static_cast<int*>(f.value) = static_cast<int>(v);
            break;
        case Field::Rule: break;
    }
    return true;
}

// Forgets the trained calibration in g (the rest stays).
void ForgetCalibration(GuiderState& g) {
    g.trained = false;
    g.useTrained = false;
    g.trainedSet = GuiderTrainingResult{};
    g.trainedRule = GuideRule::Classic;
    g.trainedOnMain = false;
    g.trainedBinning = 1;
    g.trainedAtS = 0;
    g.quality = {};
}

}  // namespace

std::string GuidingFilePath() { return SettingsFolder() + "/velmora-guiding.txt"; }

std::string GuidingFileText() {
    std::string text = std::string(kFirstLine) + "\n";
    for (const Field& f : Fields(Guider())) text += std::string(f.key) + "=" + ValueText(f) + "\n";
    return text;
}

std::string ReadGuidingText(const std::string& text) {
    GuiderState& g = Guider();
    const std::vector<Field> fields = Fields(g);
    std::vector<bool> calibrationRead(fields.size(), false);
    int firstBad = 0, bad = 0;
    auto refuse = [&](int line) {
        if (!firstBad) firstBad = line;
        ++bad;
    };
    size_t start = 0;
    int line = 0;
    bool foreign = false;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        // We always end the last line: one without its end was cut short.
        const bool cut = end == std::string::npos;
        if (cut) end = text.size();
        std::string s = text.substr(start, end - start);
        start = end + 1;
        ++line;
        if (!s.empty() && s.back() == '\r') s.pop_back();
        if (line == 1) {
            if (s != kFirstLine || cut) {
                foreign = true;
                refuse(1);
                break;
            }
            continue;
        }
        if (s.empty() || s[0] == '#') continue;
        const size_t eq = s.find('=');
        if (eq == std::string::npos || s.find('\0') != std::string::npos) {
            refuse(line);
            continue;
        }
        const std::string key = s.substr(0, eq);
        for (size_t i = 0; i < fields.size(); ++i) {
            if (key != fields[i].key) continue;
            if (cut || !SetValue(fields[i], s.substr(eq + 1))) refuse(line);
            else if (fields[i].calibration) calibrationRead[i] = true;
            break;
        }
    }
    // A calibration is used whole or not at all: a missing or refused part
    // of it would guide on a default rate vector.
    if (!foreign && g.trained) {
        for (size_t i = 0; i < fields.size(); ++i)
            if (fields[i].calibration && !calibrationRead[i]) {
                ForgetCalibration(g);
                // A file that ends early at a line's end: name where it ends.
                if (!bad) return "Line " + std::to_string(line + 1) + " (the calibration is incomplete)";
                break;
            }
    }
    if (!bad) return "";
    std::string where = "Line " + std::to_string(firstBad) + (foreign ? " (not a guiding file)" : "");
    if (bad > 1) where += " and " + std::to_string(bad - 1) + " more";
    return where;
}

bool LoadGuidingFile() {
    const std::string path = GuidingFilePath();
    if (!FileExists(path) && !IsNonRegularFile(path)) return true;  // none yet: the defaults
    const std::optional<Bytes> bytes = ReadWholeFile(path, kMaxFileBytes + 1);
    std::string problem;
    if (!bytes) problem = "the file cannot be read";
    else if (bytes->size() > kMaxFileBytes) problem = "Line 1 (not a guiding file)";
    else problem = ReadGuidingText(std::string(bytes->begin(), bytes->end()));
    if (problem.empty()) return true;
    ShowMessage(50, MessageText(77) + "\n" + path + ": " + problem);
    return false;
}

bool SaveGuidingFile() {
    EnsureDirectory(SettingsFolder());
    const std::string text = GuidingFileText();
    if (ReplaceFile(GuidingFilePath(), text.data(), text.size())) return true;
    ShowMessage(29);
    return false;
}

bool ClearGuidingCalibration() {
    ForgetCalibration(Guider());
    return SaveGuidingFile();
}

void NoteTrainedNow(bool onMain, int binning) {
    GuiderState& g = Guider();
    g.trainedOnMain = onMain;
    g.trainedBinning = binning;
    g.trainedAtS = Sys().clock->UnixSeconds();
}

std::string CalibrationAgeText(long long nowS) {
    const GuiderState& g = Guider();
    if (!g.trained) return "Calibration: none";
    const long long age = std::max(0LL, nowS - g.trainedAtS);
    char when[64];
    if (g.trainedAtS <= 0) std::snprintf(when, sizeof when, "at an unknown time");
    else if (age < 3600) std::snprintf(when, sizeof when, "%lld min ago", age / 60);
    else if (age < 48 * 3600) std::snprintf(when, sizeof when, "%lld h %lld min ago", age / 3600, age % 3600 / 60);
    else std::snprintf(when, sizeof when, "%lld days ago", age / 86400);
    char text[160];
    std::snprintf(text, sizeof text, "Calibration: trained %s (%s, %s, bin %d)%s", when, GuideRuleName(g.trainedRule),
                  g.trainedOnMain ? "main camera" : "guider", g.trainedBinning,
                  g.quality.suspect ? " - suspect" : "");
    return text;
}
