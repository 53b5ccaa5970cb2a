#include "telescope/telescope_link.h"

#include <algorithm>
#include <cstring>

#include "core/messages.h"
#include "core/state.h"
#include "devices/camera.h"
#include "devices/camera_protocol.h"
#include "devices/sim/sim_serial_peers.h"
#include "devices/transport.h"
#include "platform/platform.h"
#include "telescope/motion_stop.h"
#include "telescope/serial_library.h"
#include "telescope/telescope_timing.h"

namespace {

TelescopeLinkState tl;

int PcPort() { return State().settings.pcComPort; }

// A library result: a negative value shows "ERROR %d " and closes the port.
int Checked(int result) {
    if (result >= 0) return result;
    CheckStatus(result);
    SioDone(PcPort());
    tl.comOpen = false;
    return -1;
}

// Opens the PC port when it is not open; true when it is open afterwards.
bool EnsureComOpen() {
    if (!tl.comOpen) OpenComPort();
    return tl.comOpen;
}

// The PC route's put: the text through the send buffer, then the waits of
// the line (at least 1 ms after the call, then 10 ms). False when the put
// failed.
bool PcPuts(const uint8_t* bytes, size_t length, uint32_t startMs) {
    length = std::min(length, tl.sendBuffer.size());
    if (bytes != tl.sendBuffer.data()) std::memmove(tl.sendBuffer.data(), bytes, length);
    const bool ok = Checked(SioPuts(PcPort(), tl.sendBuffer.data(), int(length))) >= 0;
    WaitUntil(startMs + 1);
    WaitMs(10);
    return ok;
}

// The 33-byte rule: the reply up to the first '#', at most 33 bytes.
std::string UpToHash(const uint8_t* bytes, size_t count) {
    count = std::min<size_t>(count, 33);
    size_t n = 0;
    while (n < count && bytes[n] != '#' && bytes[n] != 0) ++n;
    return std::string(reinterpret_cast<const char*>(bytes), n);
}

// The PC line read: up to 50 bytes, then the receive queue cleared.
std::string PcRead() {
    tl.replyCount = 0;
    tl.replyBuffer.fill(0);
    if (!EnsureComOpen()) return "";
    const int n = Checked(SioGets(PcPort(), tl.replyBuffer.data(), int(tl.replyBuffer.size())));
    if (n > 0) tl.replyCount = n;
    if (tl.comOpen) Checked(SioRxClear(PcPort()));
    return std::string(reinterpret_cast<const char*>(tl.replyBuffer.data()), size_t(tl.replyCount));
}

}  // namespace

TelescopeLinkState& TelescopeLink() { return tl; }

void ResetTelescopeLink() {
    if (tl.comOpen) SioDone(PcPort());
    tl = TelescopeLinkState{};
}

bool UsesPcRoute() { return State().settings.aoPort > 2; }

int PrepareTelescopeLink() {
    if (tl.portIndex < 0) {
        tl.portIndex = State().settings.telescopeComPort == '1' ? 0 : 1;
        // Under --simulate the camera's serial ports lead to a simulated
        // mount and AO unit.
        EnsureSimulatedSerialPeers(State().settings.driveMethod == 'a');
    }
    return tl.portIndex;
}

int TelescopePort() { return PrepareTelescopeLink(); }

int OpenComPort() {
    const int port = PcPort();
    tl.comOpen = false;
    // The first failing call ends the open (its "ERROR %d " was shown).
    const bool ok = Checked(SioReset(port, 1024, 1024)) >= 0 && Checked(SioBaud(port, kSioBaud9600)) >= 0 &&
                    Checked(SioDTR(port, 'S')) >= 0 && Checked(SioRTS(port, 'S')) >= 0 &&
                    Checked(SioParms(port, 0, 0, 8)) >= 0;
    if (!ok) {
        ShowMessage(50, "Open Communications Failed");
        return 0;
    }
    tl.comOpen = true;
    return 1;
}

bool SendSerialCommand(int port, const std::string& text, size_t length) {
    length = std::min(length, text.size());
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    if (!UsesPcRoute()) return WriteSerialPort(port, bytes, length);
    const uint32_t start = NowMs();
    if (!EnsureComOpen()) return false;
    const bool ok = PcPuts(bytes, length, start);
    WaitMs(50);
    return ok;
}

std::string ReadSerialReply(int port, size_t count) {
    std::string reply;
    if (UsesPcRoute()) {
        reply = PcRead();
    } else {
        ReadSerialPort(port, count, &reply);
    }
    if (count == 33) tl.scopeInfo = UpToHash(reinterpret_cast<const uint8_t*>(reply.data()), reply.size());
    return reply;
}

std::string ReadSlewReply(int port) {
    std::string reply;
    if (UsesPcRoute()) {
        reply = PcRead();
    } else {
        ReadSerialPort(port, 1, &reply);
        if (reply.empty() || reply[0] != '0') ReadSerialPort(port, 33, &reply);
    }
    if (!reply.empty() && reply[0] == '0') {
        tl.slewAnswer = "0";
    } else {
        tl.scopeInfo = UpToHash(reinterpret_cast<const uint8_t*>(reply.data()), reply.size());
        tl.slewAnswer = tl.scopeInfo;
    }
    return tl.slewAnswer;
}

bool WriteRelays(uint8_t bits) {
    Running().relays = bits;
    return SetGuideOutputs(bits);
}

uint8_t RelayBit(char direction) {
    switch (direction) {
        case 'n': return kRelayNorth;
        case 'e': return kRelayEast;
        case 'w': return kRelayWest;
        case 's': return kRelaySouth;
        default: return 0;
    }
}

bool SendAoCommand(size_t length) {
    const Settings& s = State().settings;
    if (s.aoOption) return WriteRelays(tl.sendBuffer[0]);
    length = std::min(length, tl.sendBuffer.size());
    PrepareTelescopeLink();  // AO guiding may be the link's first use
    bool ok = false;
    if (s.aoPort < 3) {
        ok = WriteSerialPort(s.aoPort, tl.sendBuffer.data(), length);
    } else {
        const uint32_t start = NowMs();
        ok = EnsureComOpen() && PcPuts(tl.sendBuffer.data(), length, start);
    }
    WaitMs(50);
    return ok;
}
