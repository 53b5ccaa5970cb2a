// "Velmora CCD": the INDI driver of the camera, its guider head, its relay
// guide outputs, its cooler and the filter wheel. Single-threaded: every
// wait is an INDI timer on the driver's event loop, every transfer goes
// through the program's own device and read-out code.
#pragma once
#include <libindi/indiccd.h>
#include <libindi/indifilterinterface.h>
#include <libindi/inditimer.h>

#include <vector>

#include "velmora_indi_core.h"

class VelmoraCCD : public INDI::CCD, public INDI::FilterInterface {
public:
    VelmoraCCD();
    ~VelmoraCCD() override;

    const char* getDefaultName() override;
    bool initProperties() override;
    bool updateProperties() override;
    bool ISNewNumber(const char* dev, const char* name, double values[], char* names[], int n) override;
    bool ISNewSwitch(const char* dev, const char* name, ISState* states, char* names[], int n) override;
    bool ISNewText(const char* dev, const char* name, char* texts[], char* names[], int n) override;

protected:
    bool Connect() override;
    bool Disconnect() override;

    bool StartExposure(float duration) override;
    bool AbortExposure() override;
    bool StartGuideExposure(float duration) override;
    bool AbortGuideExposure() override;
    bool UpdateCCDFrame(int x, int y, int w, int h) override;
    bool UpdateCCDBin(int hor, int ver) override;
    bool UpdateGuiderFrame(int x, int y, int w, int h) override;
    bool UpdateGuiderBin(int hor, int ver) override;
    int SetTemperature(double temperature) override;
    void checkTemperatureTarget() override;

    IPState GuideNorth(uint32_t ms) override;
    IPState GuideSouth(uint32_t ms) override;
    IPState GuideEast(uint32_t ms) override;
    IPState GuideWest(uint32_t ms) override;

    int QueryFilter() override;
    bool SelectFilter(int position) override;
    bool SetFilterNames() override;
    bool GetFilterNames() override;

    bool saveConfigItems(FILE* fp) override;
    void addFITSKeywords(INDI::CCDChip* chip) override;

private:
    // The program's messages since the last call: logged, and returned as
    // one text for the property that failed.
    std::string ReportMessages(bool failed);
    // True, after the program's message, while the chip exposes: the image
    // goes out with the binning and frame it was read with, so these cannot
    // change until it has.
    bool BusyExposing(INDI::CCDChip& chip);
    // libindi sends the image from a thread of its own and only then marks
    // the exposure done. A request that comes on the heels of the image (a
    // new frame, binning or exposure) waits for that, rather than being
    // refused as made during an exposure or racing the send for the frame
    // buffer and the header's frame.
    void AwaitImageSent(INDI::CCDChip& chip);
    void MainExposureStep();
    void GuiderExposureDone();
    IPState Pulse(velmora_indi::GuideDirection direction, uint32_t ms);
    void PulseDone(velmora_indi::GuideAxis axis);
    void PollCooler();
    void SetCoolerSwitch(bool on);
    // The current filter and the names for the FITS header's FILTER card.
    void UpdateHeaderFilter();
    // CCD_INFO, CCD_FRAME, CCD_BINNING and the guider's, from the camera.
    void SendGeometry();

    velmora_indi::MessageRecorder messages_;
    Platform previousPlatform_;
    velmora_indi::ExposureClock exposure_;
    velmora_indi::GuideRelays relays_;
    velmora_indi::MainRead read_;
    velmora_indi::GuiderRead guiderRead_;
    bool darkFrame_ = false;
    // Set when a chip's image is handed to libindi, cleared once it is sent.
    bool mainSending_ = false;
    bool guiderSending_ = false;
    uint32_t guiderExposureMs_ = 0;

    INDI::Timer exposureTimer_;
    INDI::Timer guiderTimer_;
    INDI::Timer nsTimer_;
    INDI::Timer weTimer_;
    INDI::Timer coolerTimer_;
    // Polls the stop-signal flag: relays released, then the driver leaves.
    INDI::Timer stopTimer_;

    ISwitch coolerS_[2];
    ISwitchVectorProperty coolerSP_;
};
