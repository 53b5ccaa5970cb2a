// The telescope tests' fixture: the fake clock, the simulated camera with a
// recording peer on both serial ports, and a fake PC serial library that
// records every call with the clock.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "support/test_env.h"
#include "telescope/serial_library.h"
#include "telescope/telescope_link.h"

// One call of the PC serial library.
struct SioCall {
    uint32_t atMs;
    std::string name;   // "reset", "baud", "dtr", "rts", "parms", "puts", "gets", "rxclear", "done"
    std::string bytes;  // puts: the bytes sent; gets: the bytes answered
};

class FakeSerialLibrary : public SerialLibrary {
public:
    explicit FakeSerialLibrary(FakeClock& clock) : clock_(clock) {}
    int Reset(int, int rx, int tx) override { return Log("reset", failReset, std::to_string(rx) + "/" + std::to_string(tx)); }
    int Baud(int, int code) override { return Log("baud", none, std::to_string(code)); }
    int Dtr(int, char c) override { return Log("dtr", none, std::string(1, c)); }
    int Rts(int, char c) override { return Log("rts", none, std::string(1, c)); }
    int Parms(int, int p, int s, int d) override {
        return Log("parms", failParms, std::to_string(p) + "," + std::to_string(s) + "," + std::to_string(d));
    }
    int Puts(int, const uint8_t* b, int n) override {
        const int r = Log("puts", failPuts, std::string(reinterpret_cast<const char*>(b), size_t(n)));
        return r < 0 ? r : n;
    }
    int Gets(int, uint8_t* buffer, int size) override {
        std::string answer;
        if (!answers.empty()) {
            answer = answers.front().substr(0, size_t(size));
            answers.erase(answers.begin());
        }
        std::copy(answer.begin(), answer.end(), buffer);
        const int r = Log("gets", failGets, answer);
        return r < 0 ? r : int(answer.size());
    }
    int RxClear(int) override { return Log("rxclear", none, ""); }
    int Done(int) override { return Log("done", none, ""); }

    std::vector<std::string> Names() const {
        std::vector<std::string> out;
        for (const SioCall& c : calls) out.push_back(c.name);
        return out;
    }
    std::vector<std::string> Sent() const {
        std::vector<std::string> out;
        for (const SioCall& c : calls)
            if (c.name == "puts") out.push_back(c.bytes);
        return out;
    }

    std::vector<SioCall> calls;
    std::vector<std::string> answers;
    // Each a one-shot failure value (0: none).
    int failReset = 0, failParms = 0, failPuts = 0, failGets = 0;

private:
    int none = 0;
    int Log(const char* name, int& fail, const std::string& bytes) {
        calls.push_back({clock_.now, name, bytes});
        const int r = fail;
        fail = 0;
        return r;
    }
    FakeClock& clock_;
};

class TelescopeTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetTelescopeLink();
        sim = std::make_unique<ScopedSimulator>();
        sim->sim().SetSerialPeer(0, &peer0);
        sim->sim().SetSerialPeer(1, &peer1);
        ASSERT_TRUE(OpenCamera());
        sim->sim().ClearRecords();
        previousLibrary = InstallSerialLibrary(&pc);
        messages.shown.clear();
    }
    void TearDown() override {
        ResetTelescopeLink();
        InstallSerialLibrary(previousLibrary);
        sim->sim().SetSerialPeer(0, nullptr);
        sim->sim().SetSerialPeer(1, nullptr);
        sim.reset();
        VelmoraTest::TearDown();
    }
    Settings& S() { return State().settings; }

    // The texts written to camera serial port `port`, in order, with the
    // clock of each write.
    struct Sent {
        uint32_t atMs;
        std::string text;
    };
    std::vector<Sent> SerialWrites(int port) const {
        std::vector<Sent> out;
        for (const SimCameraWrite& w : sim->sim().CameraWrites()) {
            if (w.bytes.size() >= 8 && w.bytes[1] == 10 && w.bytes[4] == port)
                out.push_back({w.atMs, std::string(w.bytes.begin() + 8, w.bytes.end())});
        }
        return out;
    }
    std::vector<std::string> Texts(int port) const {
        std::vector<std::string> out;
        for (const Sent& s : SerialWrites(port)) out.push_back(s.text);
        return out;
    }
    // The relay writes (request 9) with their clock.
    std::vector<std::pair<uint32_t, int>> RelayWrites() const {
        std::vector<std::pair<uint32_t, int>> out;
        for (const SimCameraWrite& w : sim->sim().CameraWrites())
            if (w.bytes.size() >= 8 && w.bytes[1] == 9) out.push_back({w.atMs, w.bytes[2]});
        return out;
    }
    void Answer(RecordingSerialPeer& peer, const std::string& text) {
        peer.pending.insert(peer.pending.end(), text.begin(), text.end());
    }

    std::unique_ptr<ScopedSimulator> sim;
    RecordingSerialPeer peer0, peer1;
    FakeSerialLibrary pc{clock};
    SerialLibrary* previousLibrary = nullptr;
};
