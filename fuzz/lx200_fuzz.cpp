// Every answer the program reads from a mount, on arbitrary bytes: object
// info, the slew answers of both go-to commands and the position answers
// (LX200 and Autostar), over the camera's serial port and over the PC COM
// port. The first byte picks the route; the rest is what the mount says. On
// the PC route each line read takes a length byte and then that many bytes
// (0xff: the read fails as with a vanished device).
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "core/state.h"
#include "devices/camera.h"
#include "devices/sim/serial_peer.h"
#include "devices/sim/simulator.h"
#include "devices/transport.h"
#include "fuzz_support.h"
#include "platform/platform.h"
#include "telescope/lx200.h"
#include "telescope/serial_library.h"
#include "telescope/telescope_link.h"

namespace {

// The PC port's library, answering from the input.
class InputLibrary : public SerialLibrary {
public:
    const uint8_t* data = nullptr;
    size_t left = 0;
    int Reset(int, int, int) override { return 0; }
    int Baud(int, int) override { return 0; }
    int Dtr(int, char) override { return 0; }
    int Rts(int, char) override { return 0; }
    int Parms(int, int, int, int) override { return 0; }
    int Puts(int, const uint8_t*, int count) override { return count; }
    int Gets(int, uint8_t* buffer, int size) override {
        if (left == 0) return 0;
        const uint8_t length = *data++;
        --left;
        if (length == 0xff) return kSioIoError;
        size_t n = length;
        if (n > left) n = left;
        if (n > size_t(size)) n = size_t(size);
        for (size_t i = 0; i < n; ++i) buffer[i] = data[i];
        data += n;
        left -= n;
        return int(n);
    }
    int RxClear(int) override { return 0; }
    int Done(int) override { return 0; }
};

fuzz::StepClock simClock;
InputLibrary library;
RecordingSerialPeer peers[2];
ScopedSimulator* sim = nullptr;

// A fresh simulated camera with the two peers on its serial ports. Made
// again now and then: the simulated mount keeps its path through the ever
// later simulated time.
void MakeSimulator() {
    // Made by the static below, so that it goes before the device state it
    // uses at the end of the process.
    static std::unique_ptr<ScopedSimulator> made = std::make_unique<ScopedSimulator>();
    if (sim) {
        CloseDevices();
        made.reset();
        made = std::make_unique<ScopedSimulator>();
    }
    sim = made.get();
    (*sim)->SetSerialPeer(0, &peers[0]);
    (*sim)->SetSerialPeer(1, &peers[1]);
    if (!OpenCamera()) std::abort();
}

void Start() {
    static bool started = false;
    if (started) return;
    started = true;
    fuzz::Start();
    Platform p = Sys();
    p.clock = &simClock;
    InstallPlatform(p);
    MakeSimulator();
    InstallSerialLibrary(&library);
}

// A text the program keeps from a mount: at most 33 bytes, never past '#'.
void CheckKept(const std::string& text) {
    if (text.size() > 33 || text.find('#') != std::string::npos || text.find('\0') != std::string::npos)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Start();
    if (size == 0) return 0;
    const bool pcRoute = data[0] & 1;
    ResetTelescopeLink();
    State().settings.aoPort = pcRoute ? 3 : 1;
    State().settings.telescopeComPort = (data[0] & 2) ? '1' : '2';
    State().settings.driveMethod = 'a';
    library.data = data + 1;
    library.left = pcRoute ? size - 1 : 0;
    // The simulator's record of every write would grow run by run.
    static unsigned runs = 0;
    if (++runs % 4096 == 0) MakeSimulator();
    (*sim)->ClearRecords();
    for (RecordingSerialPeer& peer : peers) {
        peer.received.clear();
        peer.pending.clear();
    }
    if (!pcRoute) peers[TelescopePort()].pending.assign(data + 1, data + size);

    const TelescopeLinkState& link = TelescopeLink();
    CheckKept(GetObjectInfo());
    // A slew answer is "0" or the mount's text, and is the one kept.
    for (int go = 0; go < 2; ++go) {
        const std::string answer = go == 0 ? GotoCatalogue('m', 31) : GotoCoordinates(5, 35, -5, 23);
        CheckKept(answer);
        if (answer != link.slewAnswer) std::abort();
    }
    ReadPosition(false);
    CheckKept(link.raText);
    CheckKept(link.decText);
    ReadPosition(true);
    CheckKept(link.raText);
    CheckKept(link.decText);
    CheckKept(link.scopeInfo);
    return 0;
}
