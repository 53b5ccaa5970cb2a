#include "velmora_ccd.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "acquisition/camera_interface.h"
#include "acquisition/camera_settings.h"
#include "core/camera_models.h"
#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/filter_wheel.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "platform/platform.h"
#include "platform/stop_signal.h"
#include "settings/ini_rules.h"
#include "settings/settings_file.h"

using namespace velmora_indi;

namespace {
constexpr const char* kDeviceName = "Velmora CCD";
// The longest exposure the program offers: 90 minutes.
constexpr double kMaxExposureSeconds = 5400;
}  // namespace

VelmoraCCD::VelmoraCCD() : FilterInterface(this) {
    setVersion(1, 0);
    // The program's messages become INDI messages instead of boxes.
    Platform platform = Sys();
    platform.messages = &messages_;
    previousPlatform_ = InstallPlatform(platform);

    exposureTimer_.setSingleShot(true);
    exposureTimer_.callOnTimeout([this] { MainExposureStep(); });
    guiderTimer_.setSingleShot(true);
    guiderTimer_.callOnTimeout([this] { GuiderExposureDone(); });
    nsTimer_.setSingleShot(true);
    nsTimer_.callOnTimeout([this] { PulseDone(GuideAxis::NorthSouth); });
    weTimer_.setSingleShot(true);
    weTimer_.callOnTimeout([this] { PulseDone(GuideAxis::WestEast); });
    coolerTimer_.setInterval(1000);
    coolerTimer_.callOnTimeout([this] { PollCooler(); });
    // SIGTERM, SIGINT, SIGHUP: a running guide pulse's relays open before the
    // driver exits with 128 + the signal.
    InstallStopSignals();
    stopTimer_.setInterval(50);
    stopTimer_.callOnTimeout([this] {
        if (!StopSignal()) return;
        if (CameraConnected()) SetRelays(0);
        LeaveIfStopSignalled();
    });
}

VelmoraCCD::~VelmoraCCD() {
    // A signal that interrupts INDI's event loop ends the process through
    // exit(): the stop signal's relays are released on the way out.
    if (StopSignal()) {
        if (CameraConnected()) SetRelays(0);
        LeaveIfStopSignalled();
    }
    InstallPlatform(previousPlatform_);
}

const char* VelmoraCCD::getDefaultName() { return kDeviceName; }

bool VelmoraCCD::initProperties() {
    INDI::CCD::initProperties();
    FilterInterface::initProperties(FILTER_TAB);

    SetCCDCapability(CCD_CAN_ABORT | CCD_CAN_BIN | CCD_CAN_SUBFRAME | CCD_HAS_GUIDE_HEAD | CCD_HAS_ST4_PORT);
    PrimaryCCD.setMinMaxStep("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 0.001, kMaxExposureSeconds, 0.001, false);
    GuideCCD.setMinMaxStep("GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE", 0.01, 100, 0.01, false);
    PrimaryCCD.setMinMaxStep("CCD_BINNING", "HOR_BIN", 1, kMaxBinning, 1, false);
    PrimaryCCD.setMinMaxStep("CCD_BINNING", "VER_BIN", 1, kMaxBinning, 1, false);
    GuideCCD.setMinMaxStep("GUIDER_BINNING", "HOR_BIN", 1, kMaxBinning, 1, false);
    GuideCCD.setMinMaxStep("GUIDER_BINNING", "VER_BIN", 1, kMaxBinning, 1, false);
    // 16-bit monochrome frames, the only format the driver sends.
    addCaptureFormat({"INDI_MONO", "Mono", 16, true});
    // The filter wheel of this driver is its own.
    IUSaveText(&ActiveDeviceT[ACTIVE_FILTER], getDeviceName());

    IUFillSwitch(&coolerS_[0], "COOLER_ON", "ON", ISS_OFF);
    IUFillSwitch(&coolerS_[1], "COOLER_OFF", "OFF", ISS_ON);
    IUFillSwitchVector(&coolerSP_, coolerS_, 2, getDeviceName(), "CCD_COOLER", "Cooler", MAIN_CONTROL_TAB, IP_WO,
                       ISR_1OFMANY, 0, IPS_IDLE);

    addAuxControls();
    setDriverInterface(getDriverInterface() | FILTER_INTERFACE);
    // VELMORA_SIMULATE=1 starts the driver on the built-in simulator.
    if (SimulationRequested()) setSimulation(true);
    return true;
}

bool VelmoraCCD::updateProperties() {
    INDI::CCD::updateProperties();
    if (isConnected()) {
        if (HasCooler()) defineProperty(&coolerSP_);
        GetFilterNames();
        FilterInterface::updateProperties();
        // Sensor sizes and frames go out once their properties are defined.
        SendGeometry();
        if (HasCooler()) {
            PollCooler();
            coolerTimer_.start();
        }
    } else {
        if (HasCooler()) deleteProperty(coolerSP_.name);
        FilterInterface::updateProperties();
    }
    return true;
}

std::string VelmoraCCD::ReportMessages(bool failed) {
    const std::vector<std::string> texts = messages_.Take();
    const std::string joined = JoinMessages(texts);
    if (joined.empty()) return joined;
    // Notices of an operation that went well are information.
    if (failed)
        LOGF_ERROR("%s", joined.c_str());
    else
        LOGF_INFO("%s", joined.c_str());
    return joined;
}

bool VelmoraCCD::Connect() {
    if (!CameraConnected()) {
        // The simulator when asked for by the SIMULATION switch or by
        // VELMORA_SIMULATE=1; the USB stack otherwise.
        CloseDevices();
        if (isSimulation() || SimulationRequested())
            InstallEnumerator(&Simulator::Instance());
        else
            InstallEnumerator(&UsbEnumerator());
    }
    messages_.Take();
    if (!velmora_indi::ConnectCamera()) {
        ReportMessages(true);
        return false;
    }
    const ImageGeometry& g = State().geometry;
    uint32_t cap = GetCCDCapability() & ~uint32_t(CCD_HAS_COOLER);
    if (Camera().coolerSupported) cap |= CCD_HAS_COOLER;
    SetCCDCapability(cap);
    if (HasCooler()) {
        TemperatureN[0].min = -40;
        TemperatureN[0].max = 35;
        SetCoolerSwitch(Cam().coolerOn);
    }

    FilterSlotN[0].min = 1;
    FilterSlotN[0].max = FilterCount();
    CurrentFilter = std::clamp(FilterWheel().current, 1, FilterCount());
    FilterSlotN[0].value = CurrentFilter;
    UpdateHeaderFilter();

    LOGF_INFO("%s connected, model %s, firmware %s.", kDeviceName,
              FindCameraModel(g.modelCode) ? FindCameraModel(g.modelCode)->name : "?",
              Camera().firmwareText.c_str());
    ReportMessages(false);
    stopTimer_.start();
    return true;
}

void VelmoraCCD::SendGeometry() {
    const ImageGeometry& g = State().geometry;
    const double pixelUm = g.sensorPixelMm * 1000.0;
    SetCCDParams(g.sensorWidth, g.sensorHeight, 16, pixelUm, pixelUm);
    const PixelSize guider = GuiderPixelUm(State().settings.guiderType);
    SetGuiderParams(GuiderFrameWidth(), kGuiderRows, 16, guider.x, guider.y);
}

bool VelmoraCCD::Disconnect() {
    exposureTimer_.stop();
    guiderTimer_.stop();
    nsTimer_.stop();
    weTimer_.stop();
    coolerTimer_.stop();
    relays_.Stop(GuideAxis::NorthSouth);
    relays_.Stop(GuideAxis::WestEast);
    AwaitImageSent(PrimaryCCD);
    AwaitImageSent(GuideCCD);
    if (PrimaryCCD.isExposing()) PrimaryCCD.setExposureFailed();
    if (GuideCCD.isExposing()) GuideCCD.setExposureFailed();
    DisconnectCamera();
    ReportMessages(false);
    return true;
}

// Main camera exposures.

bool VelmoraCCD::StartExposure(float duration) {
    AwaitImageSent(PrimaryCCD);
    const ImageGeometry& g = State().geometry;
    const int hor = PrimaryCCD.getBinX(), ver = PrimaryCCD.getBinY();
    const SensorFrame frame{PrimaryCCD.getSubX(), PrimaryCCD.getSubY(), PrimaryCCD.getSubW(), PrimaryCCD.getSubH()};
    messages_.Take();
    if (!CameraConnected()) {
        ShowMessage(50, "Sorry, No camera found on USB");
        ReportMessages(true);
        return false;
    }
    if (!BinningOffered(hor, ver)) {
        ShowMessage(50, BinningRefusal(hor, ver));
        ReportMessages(true);
        return false;
    }
    if (!FrameFits(frame, std::max(hor, ver), g.sensorWidth, g.sensorHeight)) {
        ShowMessage(2);
        ReportMessages(true);
        return false;
    }
    read_ = PlanMainRead(hor, ver, frame, g.sensorWidth, g.sensorHeight);
    darkFrame_ = PrimaryCCD.getFrameType() == INDI::CCDChip::DARK_FRAME ||
                 PrimaryCCD.getFrameType() == INDI::CCDChip::BIAS_FRAME;
    const int32_t ms = int32_t(std::lround(double(duration) * 1000.0));
    PrimaryCCD.setExposureDuration(duration);
    PrimaryCCD.setFrameBufferSize(uint32_t(read_.Width() * read_.Height() * 2));

    BeginMainExposure(ms, darkFrame_);
    exposure_.Start(NowMs(), ms);
    ReportMessages(false);
    // The camera-timed read goes out once the client has seen the exposure
    // start; a host-timed exposure waits for its first step or second.
    exposureTimer_.start(int(exposure_.WakeMs(NowMs())));
    return true;
}

void VelmoraCCD::MainExposureStep() {
    const uint32_t now = NowMs();
    switch (exposure_.Step(now)) {
        case ExposureClock::Due::RegisterClear:
            ClearRegisters();
            break;
        case ExposureClock::Due::Wait:
            break;
        case ExposureClock::Due::ReadOut: {
            PrimaryCCD.setExposureLeft(0);
            auto* out = reinterpret_cast<uint16_t*>(PrimaryCCD.getFrameBuffer());
            const bool ok = ReadMainExposure(read_, exposure_.ExposureMs(), darkFrame_, out);
            ReportMessages(!ok);
            if (!ok) {
                PrimaryCCD.setExposureFailed();
                return;
            }
            mainSending_ = true;
            ExposureComplete(&PrimaryCCD);
            return;
        }
    }
    PrimaryCCD.setExposureLeft(exposure_.SecondsLeft(now));
    exposureTimer_.start(int(exposure_.WakeMs(NowMs())));
}

bool VelmoraCCD::AbortExposure() {
    exposureTimer_.stop();
    // The next exposure clears the sensor; nothing to tell the camera.
    return true;
}

void VelmoraCCD::AwaitImageSent(INDI::CCDChip& chip) {
    bool& sending = &chip == &GuideCCD ? guiderSending_ : mainSending_;
    if (!sending) return;
    sending = false;
    // That thread waits for the server's replies, which only this event
    // loop reads: the wait keeps the loop turning rather than sleeping.
    int never = 0;
    const uint32_t start = NowMs();
    while (chip.isExposing() && NowMs() - start < 10000) IEDeferLoop(5, &never);
}

bool VelmoraCCD::BusyExposing(INDI::CCDChip& chip) {
    AwaitImageSent(chip);
    if (!chip.isExposing()) return false;
    ShowMessage(50, "Sorry, binning and frame cannot change during an exposure");
    ReportMessages(true);
    return true;
}

bool VelmoraCCD::UpdateCCDBin(int hor, int ver) {
    messages_.Take();
    if (BusyExposing(PrimaryCCD)) return false;
    if (!BinningOffered(hor, ver)) {
        ShowMessage(50, BinningRefusal(hor, ver));
        ReportMessages(true);
        return false;
    }
    PrimaryCCD.setBin(hor, ver);
    return true;
}

bool VelmoraCCD::UpdateCCDFrame(int x, int y, int w, int h) {
    messages_.Take();
    if (BusyExposing(PrimaryCCD)) return false;
    const ImageGeometry& g = State().geometry;
    if (!FrameFits(SensorFrame{x, y, w, h}, 1, g.sensorWidth, g.sensorHeight)) {
        ShowMessage(2);
        ReportMessages(true);
        return false;
    }
    PrimaryCCD.setFrame(x, y, w, h);
    return true;
}

// The guider head.

bool VelmoraCCD::StartGuideExposure(float duration) {
    AwaitImageSent(GuideCCD);
    messages_.Take();
    if (!CameraConnected()) {
        ShowMessage(50, "Sorry, No camera found on USB");
        ReportMessages(true);
        return false;
    }
    const SensorFrame frame{GuideCCD.getSubX(), GuideCCD.getSubY(), GuideCCD.getSubW(), GuideCCD.getSubH()};
    if (!GuiderFrameFits(frame, GuideCCD.getBinX(), GuideCCD.getBinY(), GuiderFrameWidth())) {
        ShowMessage(2);
        ReportMessages(true);
        return false;
    }
    guiderRead_ = PlanGuiderRead(frame, GuideCCD.getBinX(), GuideCCD.getBinY(), State().settings.guiderType);
    guiderExposureMs_ = uint32_t(std::lround(double(duration) * 1000.0));
    GuideCCD.setExposureDuration(duration);
    GuideCCD.setFrameBufferSize(uint32_t(guiderRead_.Width() * guiderRead_.Height() * 2));
    if (!StartGuiderExposure()) {
        ReportMessages(true);
        return false;
    }
    ReportMessages(false);
    guiderTimer_.start(int(std::max<uint32_t>(1, guiderExposureMs_)));
    return true;
}

void VelmoraCCD::GuiderExposureDone() {
    GuideCCD.setExposureLeft(0);
    auto* out = reinterpret_cast<uint16_t*>(GuideCCD.getFrameBuffer());
    const bool ok = ReadGuiderExposure(guiderRead_, guiderExposureMs_, out);
    ReportMessages(!ok);
    if (!ok) {
        GuideCCD.setExposureFailed();
        return;
    }
    guiderSending_ = true;
    ExposureComplete(&GuideCCD);
}

bool VelmoraCCD::AbortGuideExposure() {
    guiderTimer_.stop();
    return true;
}

bool VelmoraCCD::UpdateGuiderFrame(int x, int y, int w, int h) {
    messages_.Take();
    if (BusyExposing(GuideCCD)) return false;
    if (!GuiderFrameFits(SensorFrame{x, y, w, h}, 1, 1, GuiderFrameWidth())) {
        ShowMessage(2);
        ReportMessages(true);
        return false;
    }
    GuideCCD.setFrame(x, y, w, h);
    return true;
}

bool VelmoraCCD::UpdateGuiderBin(int hor, int ver) {
    messages_.Take();
    if (BusyExposing(GuideCCD)) return false;
    if (!BinningOffered(hor, ver)) {
        ShowMessage(50, BinningRefusal(hor, ver));
        ReportMessages(true);
        return false;
    }
    GuideCCD.setBin(hor, ver);
    return true;
}

void VelmoraCCD::addFITSKeywords(INDI::CCDChip* chip) {
    INDI::CCD::addFITSKeywords(chip);
    // The frame's origin on the sensor in binned pixels, as camera drivers
    // write it.
    fitsfile* fptr = *chip->fitsFilePointer();
    int status = 0;
    int x = chip->getSubX() / chip->getBinX(), y = chip->getSubY() / chip->getBinY();
    fits_update_key_s(fptr, TINT, "XORGSUBF", &x, "Subframe X position in binned pixels", &status);
    fits_update_key_s(fptr, TINT, "YORGSUBF", &y, "Subframe Y position in binned pixels", &status);
}

// Relay guide pulses on the camera's guide outputs.

IPState VelmoraCCD::Pulse(GuideDirection direction, uint32_t ms) {
    messages_.Take();
    const GuideAxis axis = AxisOf(direction);
    INDI::Timer& timer = axis == GuideAxis::NorthSouth ? nsTimer_ : weTimer_;
    timer.stop();
    if (!CameraConnected() || !SetRelays(relays_.Start(direction))) {
        if (!CameraConnected()) ShowMessage(55);
        relays_.Stop(axis);
        ReportMessages(true);
        return IPS_ALERT;
    }
    Beep();
    timer.start(int(std::max<uint32_t>(1, ms)));
    return IPS_BUSY;
}

void VelmoraCCD::PulseDone(GuideAxis axis) {
    messages_.Take();
    const bool ok = SetRelays(relays_.Stop(axis));
    Beep();
    ReportMessages(!ok);
    GuideComplete(axis == GuideAxis::NorthSouth ? AXIS_DE : AXIS_RA);
}

IPState VelmoraCCD::GuideNorth(uint32_t ms) { return Pulse(GuideDirection::North, ms); }
IPState VelmoraCCD::GuideSouth(uint32_t ms) { return Pulse(GuideDirection::South, ms); }
IPState VelmoraCCD::GuideEast(uint32_t ms) { return Pulse(GuideDirection::East, ms); }
IPState VelmoraCCD::GuideWest(uint32_t ms) { return Pulse(GuideDirection::West, ms); }

// Cooler.

void VelmoraCCD::SetCoolerSwitch(bool on) {
    coolerS_[0].s = on ? ISS_ON : ISS_OFF;
    coolerS_[1].s = on ? ISS_OFF : ISS_ON;
}

int VelmoraCCD::SetTemperature(double temperature) {
    messages_.Take();
    Cam().coolerSetPoint = std::clamp(int(std::lround(temperature)), -40, 35);
    Cam().coolerOn = true;
    if (!RefreshCooler()) {
        ReportMessages(true);
        return -1;
    }
    ReportMessages(false);
    SetCoolerSwitch(true);
    coolerSP_.s = IPS_OK;
    IDSetSwitch(&coolerSP_, nullptr);
    TemperatureN[0].value = Session().coolerTemperature;
    return Session().coolerTemperature == Cam().coolerSetPoint ? 1 : 0;
}

// The cooler poll below says when the set point is reached (the camera
// reports whole degrees).
void VelmoraCCD::checkTemperatureTarget() {}

void VelmoraCCD::PollCooler() {
    if (!CameraConnected() || !HasCooler()) return;
    messages_.Take();
    if (!RefreshCooler()) {
        ReportMessages(true);
        TemperatureNP.s = IPS_ALERT;
        IDSetNumber(&TemperatureNP, nullptr);
        return;
    }
    ReportMessages(false);
    TemperatureN[0].value = Session().coolerTemperature;
    if (TemperatureNP.s == IPS_BUSY && Cam().coolerOn && Session().coolerTemperature == Cam().coolerSetPoint)
        TemperatureNP.s = IPS_OK;
    IDSetNumber(&TemperatureNP, nullptr);
}

// Filter wheel.

int VelmoraCCD::QueryFilter() { return FilterWheel().current; }

bool VelmoraCCD::SelectFilter(int position) {
    messages_.Take();
    if (!CameraConnected()) {
        ShowMessage(50, "Sorry, No camera found on USB");
        ReportMessages(true);
        return false;
    }
    const bool ok = ::SelectFilter(position);
    ReportMessages(!ok);
    if (!ok) return false;
    SelectFilterDone(FilterWheel().current);
    UpdateHeaderFilter();
    return true;
}

void VelmoraCCD::UpdateHeaderFilter() {
    // INDI::CCD writes FILTER from these (slot n is entry n - 1).
    const auto& names = State().settings.filterNames;
    INDI::CCD::FilterNames.clear();
    for (int n = 1; n <= FilterCount(); ++n) INDI::CCD::FilterNames.push_back(names[size_t(n)]);
    CurrentFilterSlot = FilterWheel().current;
}

bool VelmoraCCD::GetFilterNames() {
    // Filter n is named by slot n of the program's filter names.
    const int count = FilterCount();
    // Allocated the way FilterInterface allocates and frees them.
    if (FilterNameTP == nullptr) {
        FilterNameTP = new ITextVectorProperty;
        std::memset(FilterNameTP, 0, sizeof *FilterNameTP);
    } else if (FilterNameT != nullptr) {
        for (int i = 0; i < FilterNameTP->ntp; ++i) std::free(FilterNameT[i].text);
    }
    delete[] FilterNameT;
    FilterNameT = new IText[size_t(count)];
    std::memset(FilterNameT, 0, sizeof(IText) * size_t(count));
    const auto& names = State().settings.filterNames;
    for (int i = 0; i < count; ++i) {
        const std::string name = "FILTER_SLOT_NAME_" + std::to_string(i + 1);
        const std::string label = "Filter#" + std::to_string(i + 1);
        IUFillText(&FilterNameT[i], name.c_str(), label.c_str(), names[size_t(i + 1)].c_str());
    }
    IUFillTextVector(FilterNameTP, FilterNameT, count, getDeviceName(), "FILTER_NAME", "Filter", FILTER_TAB, IP_RW, 0,
                     IPS_IDLE);
    return true;
}

bool VelmoraCCD::SetFilterNames() {
    // The names go into the program's settings file, kept as the program
    // defaults dialog keeps them.
    Settings& settings = State().settings;
    std::array<std::string, 8> names = settings.filterNames;
    for (int i = 0; i < FilterNameTP->ntp && i + 1 < int(names.size()); ++i)
        names[size_t(i + 1)] = FilterNameT[i].text ? FilterNameT[i].text : "";
    ApplyFilterDetails(settings, settings.filterCount, names);
    UpdateHeaderFilter();
    messages_.Take();
    const bool ok = SaveSettingsReporting(24) == 0;
    ReportMessages(!ok);
    return ok;
}

// Properties.

bool VelmoraCCD::ISNewNumber(const char* dev, const char* name, double values[], char* names[], int n) {
    if (dev && std::strcmp(dev, getDeviceName()) == 0 && std::strcmp(name, FilterSlotNP.name) == 0) {
        FilterInterface::processNumber(dev, name, values, names, n);
        return true;
    }
    return INDI::CCD::ISNewNumber(dev, name, values, names, n);
}

bool VelmoraCCD::ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) {
    if (dev && std::strcmp(dev, getDeviceName()) == 0 && FilterNameTP && std::strcmp(name, FilterNameTP->name) == 0) {
        FilterInterface::processText(dev, name, texts, names, n);
        return true;
    }
    return INDI::CCD::ISNewText(dev, name, texts, names, n);
}

bool VelmoraCCD::ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) {
    if (dev && std::strcmp(dev, getDeviceName()) == 0 && std::strcmp(name, coolerSP_.name) == 0) {
        IUUpdateSwitch(&coolerSP_, states, names, n);
        messages_.Take();
        Cam().coolerOn = coolerS_[0].s == ISS_ON;
        const bool ok = RefreshCooler();
        ReportMessages(!ok);
        coolerSP_.s = ok ? IPS_OK : IPS_ALERT;
        IDSetSwitch(&coolerSP_, nullptr);
        if (ok && !Cam().coolerOn && TemperatureNP.s == IPS_BUSY) {
            TemperatureNP.s = IPS_IDLE;
            IDSetNumber(&TemperatureNP, nullptr);
        }
        return true;
    }
    return INDI::CCD::ISNewSwitch(dev, name, states, names, n);
}

bool VelmoraCCD::saveConfigItems(FILE* fp) {
    INDI::CCD::saveConfigItems(fp);
    FilterInterface::saveConfigItems(fp);
    return true;
}

// The one device of the driver.
static std::unique_ptr<VelmoraCCD> velmoraCcd(new VelmoraCCD());
