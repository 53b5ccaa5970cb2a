#include "server/server_guider.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>

#include "acquisition/focus.h"
#include "core/state.h"
#include "devices/camera.h"
#include "files/fits.h"
#include "guiding/correction.h"
#include "guiding/guide_output.h"
#include "guiding/guider_dialog_rules.h"
#include "guiding/guider_state.h"
#include "guiding/guiding_file.h"
#include "guiding/image_scale.h"
#include "guiding/smooth_params.h"
#include "platform/platform.h"
#include "platform/stop_signal.h"
#include "settings/settings_file.h"
#include "stars/centroid.h"
#include "stars/image_stats.h"
#include "telescope/telescope_link.h"

namespace {

constexpr const char* kMount = "Mount";

// While the server runs a loop, the loop's message boxes become Alert
// events: nobody sits at the program to press OK. Without windows they are
// printed as well (echo: the sink in force before).
class AlertSink : public MessageSink {
public:
    explicit AlertSink(GuideServer& server) : server_(server) {}
    int Show(const std::string& caption, const std::string& text, MessageIcon icon) override {
        server_.Emit("Alert", {{"Msg", text}, {"Type", icon == MessageIcon::Stop ? "error" : "info"}});
        if (echo) echo->Show(caption, text, MessageIcon::None);
        return icon == MessageIcon::Question ? kButtonNo : kButtonOk;
    }
    MessageSink* echo = nullptr;

private:
    GuideServer& server_;
};

bool echoAlerts = false;

class ScopedAlerts {
public:
    explicit ScopedAlerts(GuideServer& server) : sink_(server) {
        Platform p = Sys();
        if (auto* outer = dynamic_cast<AlertSink*>(p.messages)) sink_.echo = outer->echo;
        else if (echoAlerts) sink_.echo = p.messages;
        p.messages = &sink_;
        previous_ = InstallPlatform(p);
    }
    ~ScopedAlerts() { InstallPlatform(previous_); }

private:
    AlertSink sink_;
    Platform previous_;
};

std::string DirectionName(char letter) {
    switch (letter) {
        case 'e': return "East";
        case 'w': return "West";
        case 'n': return "North";
        case 's': return "South";
    }
    return "";
}

// A position in whole pixels and tenths.
StarPosition ToStarPosition(double x, double y) {
    auto split = [](double v, int& whole, int& tenths) {
        whole = int(std::floor(v));
        tenths = std::clamp(int(std::floor((v - whole) * 10 + 1e-9)), 0, 9);
    };
    StarPosition p;
    split(x, p.x, p.tenthsX);
    split(y, p.y, p.tenthsY);
    return p;
}

Json Pair(double x, double y) { return Json::array({x, y}); }

std::string Base64(const std::string& bytes) {
    static const char* table = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const uint32_t v = uint8_t(bytes[i]) << 16 | uint8_t(bytes[i + 1]) << 8 | uint8_t(bytes[i + 2]);
        for (int k = 18; k >= 0; k -= 6) out += table[(v >> k) & 63];
    }
    if (i < bytes.size()) {
        uint32_t v = uint8_t(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= uint8_t(bytes[i + 1]) << 8;
        out += table[(v >> 18) & 63];
        out += table[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? table[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

// The unit vectors of the R.A. (West) and Dec (North) axes on the sensor:
// the trained ones when guiding uses a training, else the camera axes.
void Axes(double& ux, double& uy, double& vx, double& vy) {
    ux = 1, uy = 0, vx = 0, vy = 1;
    if (!GuiderCalibrationInUse()) return;
    const TrainedCalibration t = TrainedSet();
    const double r = std::hypot(t.rx, t.ry), d = std::hypot(t.dx, t.dy);
    if (r > 0) ux = t.rx / r, uy = t.ry / r;
    if (d > 0) vx = t.dx / d, vy = t.dy / d;
}

}  // namespace

void ParseRoi(const Json& roi, int out[4]) {
    if (!roi.is_array() || roi.size() != 4) ThrowBadParams("roi must be [x, y, width, height]");
    for (size_t i = 0; i < 4; ++i) {
        if (!roi[i].is_number()) ThrowBadParams("roi must be [x, y, width, height]");
        out[i] = int(std::clamp(roi[i].get<double>(), -1e6, 1e6));
    }
}

void EchoServerAlerts(bool echo) { echoAlerts = echo; }

SettleRequest ParseSettle(const Json* settle) {
    if (!settle || !settle->is_object()) ThrowBadParams("settle must be an object {pixels, time, timeout}");
    SettleRequest r;
    auto number = [&](const char* key, double& out) {
        auto it = settle->find(key);
        if (it == settle->end()) ThrowBadParams(std::string("settle.") + key + " is missing");
        if (!it->is_number() || it->get<double>() < 0 || !std::isfinite(it->get<double>()))
            ThrowBadParams(std::string("settle.") + key + " must be a number of at least 0");
        out = it->get<double>();
    };
    number("pixels", r.pixels);
    number("time", r.time);
    number("timeout", r.timeout);
    return r;
}

// What the loops report, turned into events.
class ServerGuider::Display : public GuidingDisplay {
public:
    explicit Display(ServerGuider& owner) : owner_(owner) {}
    void Caption(const std::string& text) override { caption_ = text; }
    void FrameTaken() override { frameTaken = true; }
    void TrainingPosition(int step, double x, double y) override {
        const GuiderState& g = Guider();
        const double dx = x - g.starX, dy = y - g.starY;
        std::string dir;
        for (const char* d : {"West", "East", "North", "South"})
            if (caption_.find(d) != std::string::npos) dir = d;
        owner_.server_.Emit("Calibrating", {{"Mount", kMount},
                                            {"dir", dir},
                                            {"dist", std::hypot(dx, dy)},
                                            {"dx", dx},
                                            {"dy", dy},
                                            {"pos", Pair(x, y)},
                                            {"step", step},
                                            {"State", caption_}});
    }
    void Frame(const GuidingFrameReport& r) override {
        report = r;
        haveReport = true;
    }
    void Reset() { frameTaken = haveReport = false; }

    bool frameTaken = false, haveReport = false;
    GuidingFrameReport report;

private:
    ServerGuider& owner_;
    std::string caption_;
};

// The loops' output: nothing reaches the mount while guiding is paused.
class ServerGuider::Output : public GuideOutput {
public:
    explicit Output(ServerGuider& owner) : owner_(owner) {}
    bool Pulse(char direction, int32_t ms) override {
        return owner_.paused_ || DefaultGuideOutput().Pulse(direction, ms);
    }
    bool RelayPulse(char direction, int32_t ms) override {
        return owner_.paused_ || DefaultGuideOutput().RelayPulse(direction, ms);
    }
    bool AoStep(char letter, int32_t steps) override {
        return owner_.paused_ || DefaultGuideOutput().AoStep(letter, steps);
    }
    void AoRecentre() override { DefaultGuideOutput().AoRecentre(); }

private:
    ServerGuider& owner_;
};

ServerGuider::ServerGuider(GuideServer& server, std::string profile)
    : server_(server), profile_(std::move(profile)), display_(std::make_unique<Display>(*this)),
      output_(std::make_unique<Output>(*this)), random_(uint32_t(std::time(nullptr))) {
    server_.SetConnectBurst([this](std::vector<Json>& events) { Burst(events); });
    Register();
}

ServerGuider::~ServerGuider() { StopAll(); }

std::string ServerGuider::AppState() const {
    if (paused_) return "Paused";
    switch (mode_) {
        case Mode::Calibrating: return "Calibrating";
        case Mode::Guiding: return lost_ ? "LostLock" : "Guiding";
        case Mode::Looping: return "Looping";
        case Mode::Idle: break;
    }
    // After a stop the state is Stopped whatever stays selected (a client
    // that stopped waits for exactly that); a star picked while idle reads
    // Selected.
    return selectedIdle_ && Guider().starSelected ? "Selected" : "Stopped";
}

void ServerGuider::Burst(std::vector<Json>& events) const {
    const GuiderState& g = Guider();
    if (mode_ == Mode::Guiding)
        events.push_back({{"Event", "LockPositionSet"}, {"X", g.reference.X()}, {"Y", g.reference.Y()}});
    if (g.starSelected) events.push_back({{"Event", "StarSelected"}, {"X", g.starX}, {"Y", g.starY}});
    if (GuiderCalibrationInUse()) events.push_back({{"Event", "CalibrationComplete"}, {"Mount", kMount}});
    if (paused_) events.push_back({{"Event", "Paused"}});
    else if (mode_ == Mode::Guiding) events.push_back({{"Event", "StartGuiding"}});
    else if (mode_ == Mode::Calibrating) events.push_back({{"Event", "StartCalibration"}, {"Mount", kMount}});
    events.push_back({{"Event", "AppState"}, {"State", AppState()}});
}

std::string ServerGuider::MountName() const {
    switch (State().settings.driveMethod) {
        case 'l': return "LX200";
        case 'a': return "Autostar";
        case 'b': return "Guide relays";
    }
    return "";
}

void ServerGuider::RequireConnected() const {
    if (!connected_) ThrowRefused("the equipment is not connected");
}

void ServerGuider::RequireNotSettling() const {
    if (settle_.active) ThrowRefused("cannot do that while settling is in progress");
}

void ServerGuider::Register() {
    // Every method's messages (a camera found, a refusal) become Alert
    // events too.
    struct Adder {
        GuideServer& server;
        void AddMethod(const std::string& name, GuideServer::Method m) {
            GuideServer& to = server;
            server.AddMethod(name, [&to, m = std::move(m)](const RpcParams& p) {
                const ScopedAlerts alerts(to);
                return m(p);
            });
        }
    } s{server_};
    s.AddMethod("get_app_state", [this](const RpcParams&) { return Json(AppState()); });
    s.AddMethod("get_connected", [this](const RpcParams&) { return Json(connected_); });
    s.AddMethod("set_connected", [this](const RpcParams& p) {
        const Json* v = p.Get(0, "connected");
        if (!v || !v->is_boolean()) ThrowBadParams("set_connected wants [true] or [false]");
        if (v->get<bool>()) {
            if (!OpenCamera()) ThrowRefused("no camera found");
            PrepareTelescopeLink();
            connected_ = true;
        } else {
            connected_ = false;
            if (mode_ != Mode::Idle) stopRequested_ = true;
        }
        return Json(0);
    });
    auto profile = [this] { return Json{{"id", 1}, {"name", profile_}}; };
    s.AddMethod("get_profiles", [profile](const RpcParams&) { return Json::array({profile()}); });
    s.AddMethod("get_profile", [profile](const RpcParams&) { return profile(); });
    s.AddMethod("set_profile", [this](const RpcParams& p) {
        const double id = p.Number(0, "id", 0, true);
        if (id != 1) ThrowRefused("there is no profile " + Json(id).dump());
        if (connected_) ThrowRefused("disconnect the equipment before changing the profile");
        return Json(0);
    });
    s.AddMethod("get_current_equipment", [this](const RpcParams&) {
        auto item = [](const std::string& name, bool on) { return Json{{"name", name}, {"connected", on}}; };
        const bool ao = State().settings.guidingMode == 'A';
        return Json{{"camera", item(profile_, connected_)},
                    {"mount", item(MountName(), connected_ && !MountName().empty())},
                    {"aux_mount", item("", false)},
                    {"AO", item(ao ? "AO unit" : "", connected_ && ao)},
                    {"rotator", item("", false)}};
    });
    s.AddMethod("shutdown", [this](const RpcParams&) {
        shutdown_ = true;
        stopRequested_ = true;
        return Json(0);
    });
    s.AddMethod("get_exposure", [](const RpcParams&) {
        const GuiderExposure& e = Guider().exposure;
        return Json(GuiderExposureMs(e.unit, e.value));
    });
    s.AddMethod("set_exposure", [this](const RpcParams& p) {
        const double ms = p.Number(0, "exposure", 0, true);
        if (ms < 10 || ms > 10000 || ms != std::floor(ms) || !SetGuiderExposureMs(int(ms)))
            ThrowRefused("could not set exposure duration");
        server_.Emit("ConfigurationChange");
        return Json(0);
    });
    s.AddMethod("get_exposure_durations", [](const RpcParams&) {
        return Json::array({10, 20, 50, 100, 200, 500, 1000, 1500, 2000, 2500, 3000, 4000, 5000, 6000, 7000, 8000,
                            9000, 10000});
    });
    s.AddMethod("get_pixel_scale", [](const RpcParams&) { return Json(GuidingScaleArcsec(false)); });
    s.AddMethod("get_camera_frame_size", [this](const RpcParams&) {
        if (!haveFrame_) ThrowRefused("no frame has been taken yet");
        return Json::array({GuiderFrameWidth(), GuiderFrameHeight()});
    });
    s.AddMethod("get_use_subframes", [](const RpcParams&) { return Json(false); });
    s.AddMethod("get_search_region", [](const RpcParams&) { return Json(GuidingSearchRadius()); });
    s.AddMethod("capture_single_frame", [this](const RpcParams& p) {
        RequireConnected();
        if (mode_ != Mode::Idle || singleFrameMs_) ThrowRefused("stop looping and guiding first");
        const GuiderExposure& e = Guider().exposure;
        const double ms = p.Number(0, "exposure", GuiderExposureMs(e.unit, e.value));
        if (ms < 10 || ms > 10000) ThrowBadParams("the exposure must be 10 to 10000 ms");
        const std::string path = p.String(RpcParams::kNamed, "path", "");
        if (!path.empty() && std::filesystem::exists(path)) ThrowRefused("the file " + path + " exists already");
        if (!path.empty() && !p.Bool(RpcParams::kNamed, "save", true)) ThrowBadParams("a path wants save true");
        singleFrameMs_ = int(ms);
        singleFramePath_ = path;
        return Json(0);
    });
    s.AddMethod("save_image", [this](const RpcParams&) {
        if (!haveFrame_) ThrowRefused("no frame has been taken yet");
        const std::string name = (std::filesystem::temp_directory_path() /
                                  ("velmora_guider_" + std::to_string(server_.Instance()) + "_" +
                                   std::to_string(++savedImages_) + ".fits"))
                                     .string();
        if (SaveFitsImage(name, State().guiderA, GuiderFrameWidth(), GuiderFrameHeight(), false) != 0)
            ThrowRefused("the image could not be written to " + name);
        return Json{{"filename", name}};
    });
    s.AddMethod("get_star_image", [this](const RpcParams& p) {
        const GuiderState& g = Guider();
        if (!g.starSelected || !haveFrame_) ThrowRefused("no star is selected");
        const double asked = p.Number(0, "size", 15);
        if (asked < 15) ThrowBadParams("the size must be at least 15");
        if (asked > 1000) ThrowBadParams("the size must be at most 1000");
        const int w = GuiderFrameWidth(), h = GuiderFrameHeight();
        const double cx = mode_ == Mode::Guiding ? g.lastStar.X() : g.starX;
        const double cy = mode_ == Mode::Guiding ? g.lastStar.Y() : g.starY;
        const int half = std::min<int>(int(asked) / 2, std::min(w, h) / 2);
        const int left = std::clamp(int(cx) - half, 0, w - (2 * half + 1));
        const int top = std::clamp(int(cy) - half, 0, h - (2 * half + 1));
        const int side = 2 * half + 1;
        std::string bytes;
        for (int y = top; y < top + side; ++y)
            for (int x = left; x < left + side; ++x) {
                const Pixel v = State().guiderA[size_t(y) * w + x];
                bytes += char(v & 0xff);
                bytes += char(v >> 8);
            }
        return Json{{"frame", mode_ == Mode::Guiding ? guideFrame_ : loopFrame_},
                    {"width", side},
                    {"height", side},
                    {"star_pos", Pair(cx - left, cy - top)},
                    {"pixels", Base64(bytes)}};
    });
    s.AddMethod("find_star", [this](const RpcParams& p) {
        RequireConnected();
        if (mode_ == Mode::Guiding || mode_ == Mode::Calibrating) ThrowRefused("cannot select a star while guiding");
        if (!haveFrame_) ThrowRefused("no frame has been taken yet: loop first");
        int roi[4] = {0, 0, GuiderFrameWidth(), GuiderFrameHeight()};
        if (const Json* r = p.Get(0, "roi"); r && !r->is_null()) ParseRoi(*r, roi);
        if (!SelectStar(roi[0], roi[1], roi[2], roi[3])) ThrowRefused("no star found");
        return Pair(Guider().starX, Guider().starY);
    });
    s.AddMethod("get_lock_position", [this](const RpcParams&) {
        const GuiderState& g = Guider();
        if (mode_ == Mode::Guiding) return Pair(g.reference.X(), g.reference.Y());
        if (g.starSelected) return Pair(g.starX, g.starY);
        return Json(nullptr);
    });
    s.AddMethod("set_lock_position", [this](const RpcParams& p) {
        const double x = p.Number(0, "x", 0, true), y = p.Number(1, "y", 0, true);
        const bool exact = p.Bool(2, "exact", true);
        const int w = GuiderFrameWidth(), h = GuiderFrameHeight(), r = GuidingSearchRadius();
        if (x < r || y < r || x > w - r - 1 || y > h - r - 1) ThrowRefused("the lock position is too near the edge");
        GuiderState& g = Guider();
        StarPosition at = ToStarPosition(x, y);
        if (!exact) {
            if (!haveFrame_ || !FindStarOnSky(State().guiderA, w, h, int(x), int(y), r, 3, true, at))
                ThrowRefused("no star found near the position");
        }
        if (mode_ == Mode::Guiding) {
            g.reference = at;
        } else {
            g.starSelected = true;
            g.starX = at.x;
            g.starY = at.y;
            selectedIdle_ = mode_ == Mode::Idle;
        }
        server_.Emit("LockPositionSet", {{"X", at.X()}, {"Y", at.Y()}});
        return Json(0);
    });
    s.AddMethod("get_calibrated", [](const RpcParams&) { return Json(GuiderCalibrationInUse()); });
    s.AddMethod("clear_calibration", [this](const RpcParams& p) {
        const std::string which = p.String(0, "which", "both");
        if (which != "mount" && which != "ao" && which != "both" && which != "Mount" && which != "AO")
            ThrowBadParams("clear_calibration wants \"mount\", \"ao\" or \"both\"");
        if (mode_ == Mode::Calibrating) ThrowRefused("cannot clear the calibration while calibrating");
        if (which != "ao" && which != "AO") ClearGuidingCalibration();
        return Json(0);
    });
    s.AddMethod("get_calibration_data", [](const RpcParams& p) {
        const std::string which = p.String(0, "which", "Mount");
        if (which != "Mount" && which != "mount" && which != "AO" && which != "ao")
            ThrowBadParams("get_calibration_data wants \"Mount\" or \"AO\"");
        const GuiderState& g = Guider();
        const GuiderTrainingResult& t = g.trainedSet;
        const bool mount = which == "Mount" || which == "mount";
        return Json{{"calibrated", mount ? GuiderCalibrationInUse() : g.aoTrained},
                    {"xAngle", std::atan2(t.ry, t.rx) * 180 / M_PI},
                    {"xRate", t.raRate},
                    {"xParity", "+"},
                    {"yAngle", std::atan2(t.dy, t.dx) * 180 / M_PI},
                    {"yRate", t.decRate},
                    {"yParity", "+"}};
    });
    s.AddMethod("loop", [this](const RpcParams&) {
        RequireConnected();
        if (mode_ == Mode::Calibrating) ThrowRefused("cannot loop while calibrating");
        if (pendingGuide_) {
            // A loop asked for after a guide that has not started yet.
            pendingGuide_.reset();
            EndSettle(1, "guiding was stopped by a loop request");
        }
        if (mode_ == Mode::Idle) {
            mode_ = Mode::Looping;
            loopFrame_ = 0;
            discardFrames_ = true;
        }
        // Guiding ends at the next step (it may be inside a frame now).
        if (mode_ == Mode::Guiding) loopRequested_ = true;
        return Json(0);
    });
    s.AddMethod("stop_capture", [this](const RpcParams&) {
        stopRequested_ = true;
        return Json(0);
    });
    s.AddMethod("guide", [this](const RpcParams& p) {
        RequireConnected();
        if (State().settings.driveMethod == 'n')
            ThrowRefused("no drive method is set: choose how Velmora reaches the mount first");
        RequireNotSettling();
        if (mode_ == Mode::Calibrating) ThrowRefused("cannot guide while calibrating");
        const SettleRequest settle = ParseSettle(p.Get(0, "settle"));
        const bool recalibrate = p.Bool(1, "recalibrate", false);
        PendingGuide want{recalibrate, {0, 0, GuiderFrameWidth(), GuiderFrameHeight()}};
        if (const Json* roi = p.Get(2, "roi"); roi && !roi->is_null()) ParseRoi(*roi, want.roi);
        if (mode_ != Mode::Guiding) {
            pendingGuide_ = want;
            if (mode_ == Mode::Idle) {
                mode_ = Mode::Looping;
                loopFrame_ = 0;
                discardFrames_ = true;
            }
            BeginSettle(settle);
        } else {
            BeginSettle(settle);
            server_.Emit("SettleBegin");
        }
        return Json(0);
    });
    s.AddMethod("dither", [this](const RpcParams& p) {
        RequireNotSettling();
        if (mode_ != Mode::Guiding) ThrowRefused("cannot dither when not guiding");
        const double amount = p.Number(0, "amount", 0, true);
        if (amount < 0 || amount > 100) ThrowBadParams("the dither amount must be 0 to 100 pixels");
        const bool raOnly = p.Bool(1, "raOnly", false);
        const SettleRequest settle = ParseSettle(p.Get(2, "settle"));
        std::uniform_real_distribution<double> u(-1, 1);
        const double ra = u(random_) * amount, dec = raOnly ? 0 : u(random_) * amount;
        double ux, uy, vx, vy;
        Axes(ux, uy, vx, vy);
        GuiderState& g = Guider();
        const int w = GuiderFrameWidth(), h = GuiderFrameHeight(), r = GuidingSearchRadius();
        const double x = std::clamp(g.reference.X() + ra * ux + dec * vx, double(r + 1), double(w - r - 2));
        const double y = std::clamp(g.reference.Y() + ra * uy + dec * vy, double(r + 1), double(h - r - 2));
        const StarPosition shifted = ToStarPosition(x, y);
        const double dx = shifted.X() - g.reference.X(), dy = shifted.Y() - g.reference.Y();
        g.reference = shifted;
        server_.Emit("GuidingDithered", {{"dx", dx}, {"dy", dy}});
        server_.Emit("LockPositionSet", {{"X", shifted.X()}, {"Y", shifted.Y()}});
        BeginSettle(settle);
        server_.Emit("SettleBegin");
        return Json(0);
    });
    s.AddMethod("get_settling", [this](const RpcParams&) { return Json(settle_.active); });
    s.AddMethod("set_paused", [this](const RpcParams& p) {
        const Json* v = p.Get(0, "paused");
        if (!v || !v->is_boolean()) ThrowBadParams("set_paused wants [true] or [false], then \"full\" if wanted");
        const std::string full = p.String(1, "type", "");
        if (!full.empty() && full != "full") ThrowBadParams("the second parameter of set_paused can only be \"full\"");
        const bool was = paused_;
        paused_ = v->get<bool>();
        pausedFull_ = paused_ && full == "full";
        if (paused_ && !was) server_.Emit("Paused");
        if (!paused_ && was) server_.Emit("Resumed");
        return Json(0);
    });
    s.AddMethod("get_paused", [this](const RpcParams&) { return Json(paused_); });
    s.AddMethod("guide_pulse", [this](const RpcParams& p) {
        RequireConnected();
        if (mode_ == Mode::Guiding || mode_ == Mode::Calibrating)
            ThrowRefused("cannot send a pulse while calibrating or guiding");
        const double ms = p.Number(0, "amount", 0, true);
        const std::string dir = p.String(1, "direction", "", true);
        const std::string which = p.String(2, "which", "Mount");
        if (which != "Mount") ThrowRefused("only the mount takes guide pulses here");
        if (ms < 1 || ms > 10000) ThrowBadParams("the pulse must be 1 to 10000 ms");
        char letter = 0;
        for (char c : {'n', 's', 'e', 'w'})
            if (DirectionName(c) == dir || std::string(1, char(std::toupper(c))) == dir) letter = c;
        if (!letter) ThrowBadParams("the direction must be N, S, E or W");
        pendingPulse_ = PendingPulse{letter, int(ms)};
        return Json(0);
    });
    s.AddMethod("get_dec_guide_mode", [](const RpcParams&) {
        const Settings& st = State().settings;
        if (st.noNorthCorrections && st.noSouthCorrections) return Json("Off");
        if (st.noSouthCorrections) return Json("North");
        if (st.noNorthCorrections) return Json("South");
        return Json("Auto");
    });
    s.AddMethod("set_dec_guide_mode", [this](const RpcParams& p) {
        const std::string mode = p.String(0, "mode", "", true);
        if (mode != "Off" && mode != "Auto" && mode != "North" && mode != "South")
            ThrowBadParams("the Dec guide mode must be Off, Auto, North or South");
        Settings& st = State().settings;
        st.noNorthCorrections = mode == "Off" || mode == "South";
        st.noSouthCorrections = mode == "Off" || mode == "North";
        SaveSettings();
        server_.Emit("GuideParamChange", {{"Name", "Dec Guide Mode"}, {"Value", mode}});
        return Json(0);
    });
    auto axisOf = [](const RpcParams& p) {
        const std::string a = p.String(0, "axis", "", true);
        if (a == "ra" || a == "x") return std::string("ra");
        if (a == "dec" || a == "y") return std::string("dec");
        ThrowBadParams("the axis must be ra, x, dec or y");
    };
    auto find = [](const std::string& axis, const std::string& name) -> const SmoothParamInfo& {
        size_t n = 0;
        const SmoothParamInfo* t = SmoothParamTable(n);
        for (size_t i = 0; i < n; ++i)
            if (axis == t[i].axis && name == t[i].serverName) return t[i];
        ThrowBadParams("there is no parameter " + name + " on the " + axis + " axis");
    };
    s.AddMethod("get_algo_param_names", [axisOf](const RpcParams& p) {
        const std::string axis = axisOf(p);
        size_t n = 0;
        const SmoothParamInfo* t = SmoothParamTable(n);
        Json names = Json::array();
        for (size_t i = 0; i < n; ++i)
            if (axis == t[i].axis) names.push_back(t[i].serverName);
        return names;
    });
    s.AddMethod("get_algo_param", [axisOf, find](const RpcParams& p) {
        const SmoothParamInfo& info = find(axisOf(p), p.String(1, "name", "", true));
        return Json(Guider().smooth.*info.member);
    });
    s.AddMethod("set_algo_param", [this, axisOf, find](const RpcParams& p) {
        const SmoothParamInfo& info = find(axisOf(p), p.String(1, "name", "", true));
        const double value = p.Number(2, "value", 0, true);
        if (!SetSmoothParam(Guider().smooth, info, value))
            ThrowRefused("the value must lie between " + Json(info.min).dump() + " and " + Json(info.max).dump());
        SaveGuidingFile();
        server_.Emit("GuideParamChange", {{"Name", info.serverName}, {"Value", value}});
        return Json(0);
    });
}

bool ServerGuider::SelectStar(int left, int top, int width, int height) {
    const int w = GuiderFrameWidth(), h = GuiderFrameHeight(), r = GuidingSearchRadius();
    const StarStatistics stars = FindStars(State().guiderA, w, h);
    // Clearly above the noise, unsaturated, and far enough from the edge for
    // the guiding window (with room to dither).
    const int margin = r + 5;
    const StarMeasurement* best = nullptr;
    for (const StarMeasurement& s : stars.stars) {
        if (s.saturated || s.amplitude < 10 * s.noise) continue;
        if (s.x < std::max(left, margin) || s.y < std::max(top, margin)) continue;
        if (s.x > std::min(left + width, w - margin) || s.y > std::min(top + height, h - margin)) continue;
        if (!best || s.flux > best->flux) best = &s;
    }
    if (!best) return false;
    // The guide star as a click selects it: three passes of the guider
    // centroid, each on blank sky a failed search.
    StarPosition p;
    if (!FindStarOnSky(State().guiderA, w, h, int(std::lround(best->x)), int(std::lround(best->y)), r, 3, false, p))
        return false;
    GuiderState& g = Guider();
    g.starSelected = true;
    g.starX = p.x;
    g.starY = p.y;
    server_.Emit("StarSelected", {{"X", p.x}, {"Y", p.y}});
    selectedIdle_ = mode_ == Mode::Idle;
    return true;
}

Json ServerGuider::StarFigures(double x, double y) const {
    const StarStatistics stars = FindStars(State().guiderA, GuiderFrameWidth(), GuiderFrameHeight());
    const StarMeasurement* near = nullptr;
    for (const StarMeasurement& s : stars.stars)
        if (std::hypot(s.x - x, s.y - y) < 3 && (!near || s.flux > near->flux)) near = &s;
    if (!near) return Json{{"StarMass", 0}, {"SNR", 0}, {"HFD", 0}};
    return Json{{"StarMass", near->flux}, {"SNR", near->amplitude / near->noise}, {"HFD", 2 * near->hfr}};
}

void ServerGuider::BeginSettle(const SettleRequest& r) {
    settle_ = Settling{};
    settle_.active = true;
    settle_.request = r;
    settle_.acceptedMs = NowMs();
}

void ServerGuider::EndSettle(int status, const std::string& error) {
    if (!settle_.active) return;
    settle_.active = false;
    Json done = {{"Status", status}, {"TotalFrames", settle_.frames}, {"DroppedFrames", settle_.dropped}};
    if (!error.empty()) done["Error"] = error;
    server_.Emit("SettleDone", done);
}

void ServerGuider::SettleFrame(double distance, bool found) {
    if (!settle_.active) return;
    const uint32_t now = NowMs();
    ++settle_.frames;
    if (!found) ++settle_.dropped;
    if (found && distance <= settle_.request.pixels) {
        if (!settle_.inRange) settle_.inRangeSinceMs = now;
        settle_.inRange = true;
    } else {
        settle_.inRange = false;
    }
    const double inRangeS = settle_.inRange ? (now - settle_.inRangeSinceMs) / 1000.0 : 0;
    server_.Emit("Settling", {{"Distance", distance},
                              {"Time", inRangeS},
                              {"SettleTime", settle_.request.time},
                              {"StarLocked", found}});
    if (settle_.inRange && inRangeS >= settle_.request.time) EndSettle(0, "");
    else if (now - settle_.acceptedMs >= settle_.request.timeout * 1000) EndSettle(1, "timed out waiting for the guider to settle");
}

bool ServerGuider::Step() {
    if (stepping_) return false;
    stepping_ = true;
    struct Unset {
        bool& b;
        ~Unset() { b = false; }
    } unset{stepping_};
    const ScopedAlerts alerts(server_);
    // "Stop Guiding" in the guider dialog ends the server's guiding too.
    if (mode_ == Mode::Guiding && !Guider().guiding) stopRequested_ = true;
    if ((stopRequested_ || !connected_) && (mode_ != Mode::Idle || settle_.active)) {
        stopRequested_ = false;
        StopAll();
        return true;
    }
    stopRequested_ = false;
    if (pendingPulse_) {
        const PendingPulse p = *pendingPulse_;
        pendingPulse_.reset();
        if (mode_ == Mode::Idle || mode_ == Mode::Looping) {
            if (!DefaultGuideOutput().Pulse(p.direction, p.ms))
                server_.Emit("Alert", {{"Msg", "the guide pulse could not be sent"}, {"Type", "error"}});
        }
        return true;
    }
    if (loopRequested_) {
        loopRequested_ = false;
        if (mode_ == Mode::Guiding) {
            StopGuiding(true);
            loopFrame_ = 0;
            EndSettle(1, "guiding was stopped by a loop request");
        }
    }
    if (pausedFull_) return false;
    switch (mode_) {
        case Mode::Idle:
            if (singleFrameMs_) {
                const GuiderExposure saved = Guider().exposure;
                const bool set = SetGuiderExposureMs(*singleFrameMs_);
                singleFrameMs_.reset();
                const bool ok = set && TakeGuiderFrame();
                haveFrame_ = haveFrame_ || ok;
                Guider().exposure = saved;
                Json e = {{"Success", ok}};
                if (!ok) e["Error"] = set ? "the frame could not be read" : "the exposure cannot be set";
                if (ok && !singleFramePath_.empty()) {
                    if (SaveFitsImage(singleFramePath_, State().guiderA, GuiderFrameWidth(), GuiderFrameHeight(),
                                      false) == 0) {
                        e["Path"] = singleFramePath_;
                    } else {
                        e["Success"] = false;
                        e["Error"] = "the frame could not be written to " + singleFramePath_;
                    }
                }
                server_.Emit("SingleFrameComplete", e);
                return true;
            }
            return false;
        case Mode::Looping:
            if (pendingGuide_) StartGuide();
            else TakeLoopFrame();
            return true;
        case Mode::Guiding: GuideFrame(); return true;
        case Mode::Calibrating: return false;
    }
    return false;
}

void ServerGuider::TakeLoopFrame() {
    if (discardFrames_) {
        // As the guider "Start" loop: the first two frames clear the sensor.
        DiscardGuiderFrames();
        discardFrames_ = false;
    }
    if (!TakeGuiderFrame()) {
        server_.Emit("Alert", {{"Msg", "the guider camera stopped answering"}, {"Type", "error"}});
        StopAll();
        return;
    }
    haveFrame_ = true;
    ++loopFrame_;
    if (!paused_) server_.Emit("LoopingExposures", {{"Frame", loopFrame_}});
}

void ServerGuider::StartGuide() {
    const PendingGuide want = *pendingGuide_;
    pendingGuide_.reset();
    GuiderState& g = Guider();
    if (!haveFrame_) TakeLoopFrame();
    if (mode_ != Mode::Looping) return;
    if (!g.starSelected && !SelectStar(want.roi[0], want.roi[1], want.roi[2], want.roi[3])) {
        server_.Emit("Alert", {{"Msg", "no guide star found"}, {"Type", "error"}});
        EndSettle(1, "no guide star found");
        return;
    }
    GuidingContext training;
    training.display = display_.get();
    training.output = output_.get();
    training.stopRequested = [this] { return stopRequested_ || !connected_ || StopSignal() != 0; };
    if (!GuiderCalibrationInUse() || want.recalibrate) {
        mode_ = Mode::Calibrating;
        server_.Emit("StartCalibration", {{"Mount", kMount}});
        const LoopEnd end = RunGuiderTraining(training);
        mode_ = Mode::Looping;
        if (end != LoopEnd::Done) {
            const std::string why = end == LoopEnd::Stopped    ? "calibration was stopped"
                                    : end == LoopEnd::StarLost ? "the star was lost during calibration"
                                    : end == LoopEnd::Failed   ? "the star did not move during calibration"
                                                               : "the camera or the mount stopped answering";
            server_.Emit("CalibrationFailed", {{"Reason", why}});
            EndSettle(1, why);
            return;
        }
        g.trainedAtS = Sys().clock->UnixSeconds();
        SaveGuidingFile();
        server_.Emit("CalibrationComplete", {{"Mount", kMount}});
    }
    context_ = GuidingContext{};
    context_.display = display_.get();
    context_.output = output_.get();
    display_->Reset();
    if (!StartGuiderGuiding(context_)) {
        const bool starLost = g.stop;
        FinishGuiderGuiding(context_);
        EndSettle(1, starLost ? "guiding could not start: the star was not found"
                              : "guiding could not start: no drive method or no camera");
        return;
    }
    mode_ = Mode::Guiding;
    lost_ = false;
    guideFrame_ = 0;
    guideStartMs_ = NowMs();
    avgDist_ = 0;
    server_.Emit("StartGuiding");
    server_.Emit("LockPositionSet", {{"X", g.reference.X()}, {"Y", g.reference.Y()}});
    if (settle_.active) server_.Emit("SettleBegin");
}

Json ServerGuider::GuideStepEvent(const GuidingFrameReport& r) {
    // Offsets are star minus lock, in camera pixels; the axis components
    // along the trained R.A. (West) and Dec (North) directions.
    const double dx = -r.errorX / 1000.0, dy = -r.errorY / 1000.0;
    double ux, uy, vx, vy;
    Axes(ux, uy, vx, vy);
    const double ra = dx * ux + dy * uy, dec = dx * vx + dy * vy;
    const bool raPulse = r.directionX != ' ', decPulse = r.directionY != ' ';
    const double dist = std::hypot(dx, dy);
    avgDist_ = guideFrame_ <= 1 ? dist : 0.7 * avgDist_ + 0.3 * dist;
    Json e = {{"Frame", guideFrame_},
              {"Time", (NowMs() - guideStartMs_) / 1000.0},
              {"Mount", kMount},
              {"dx", dx},
              {"dy", dy},
              {"RADistanceRaw", ra},
              {"DECDistanceRaw", dec},
              {"RADistanceGuide", raPulse ? ra : 0.0},
              {"DECDistanceGuide", decPulse ? dec : 0.0},
              {"RADuration", raPulse && !paused_ ? std::abs(int(r.pulseX)) : 0},
              {"RADirection", raPulse ? DirectionName(r.directionX) : std::string(ra >= 0 ? "East" : "West")},
              {"DECDuration", decPulse && !paused_ ? std::abs(int(r.pulseY)) : 0},
              {"DECDirection", decPulse ? DirectionName(r.directionY) : std::string(dec >= 0 ? "South" : "North")},
              {"AvgDist", avgDist_},
              {"ErrorCode", 0}};
    const Json figures = StarFigures(r.starX, r.starY);
    for (auto& [k, v] : figures.items()) e[k] = v;
    return e;
}

void ServerGuider::GuideFrame() {
    display_->Reset();
    const bool ok = GuiderGuidingCycle(context_);
    ++guideFrame_;
    GuiderState& g = Guider();
    if (display_->haveReport) {
        const GuidingFrameReport r = display_->report;
        lost_ = false;
        const Json step = GuideStepEvent(r);
        if (!paused_) server_.Emit("GuideStep", step);
        SettleFrame(std::hypot(r.errorX / 1000.0, r.errorY / 1000.0), true);
        if (!ok) {  // the pulse could not be sent
            server_.Emit("Alert", {{"Msg", "the mount stopped answering"}, {"Type", "error"}});
            StopAll();
        }
        return;
    }
    if (display_->frameTaken) {
        // The star was not found: guiding goes on looking for it at the lock.
        g.stop = false;
        lost_ = true;
        server_.Emit("StarLost", {{"Frame", guideFrame_},
                                  {"Time", (NowMs() - guideStartMs_) / 1000.0},
                                  {"StarMass", 0},
                                  {"SNR", 0},
                                  {"AvgDist", avgDist_},
                                  {"ErrorCode", 2},
                                  {"Status", "the star was lost"}});
        SettleFrame(std::hypot(g.errorX / 1000.0, g.errorY / 1000.0), false);
        return;
    }
    server_.Emit("Alert", {{"Msg", "the guider camera stopped answering"}, {"Type", "error"}});
    StopAll();
}

void ServerGuider::StopGuiding(bool emitStopped) {
    if (mode_ != Mode::Guiding) return;
    FinishGuiderGuiding(context_);
    mode_ = Mode::Looping;
    lost_ = false;
    if (emitStopped) server_.Emit("GuidingStopped");
}

void ServerGuider::StopAll() {
    pendingGuide_.reset();
    selectedIdle_ = false;
    // A stop ends a pause too (the Stopped event tells the clients).
    paused_ = pausedFull_ = false;
    if (mode_ == Mode::Guiding) {
        StopGuiding(true);
        mode_ = Mode::Idle;
        server_.Emit("LoopingExposuresStopped");
    } else if (mode_ == Mode::Looping) {
        mode_ = Mode::Idle;
        server_.Emit("LoopingExposuresStopped");
    }
    EndSettle(1, "guiding was stopped");
}
