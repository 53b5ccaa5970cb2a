#include "telescope/telescope_link.h"

#include <algorithm>
#include <cstdio>
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

// The link failed: within a user action the PC port is not tried again.
void Failed() {
    if (tl.actions > 0) tl.linkFailed = true;
}

// A library result: a negative value shows "ERROR %d " and closes the port.
int Checked(int result) {
    if (result >= 0) return result;
    CheckStatus(result);
    SioDone(PcPort());
    tl.comOpen = false;
    Failed();
    return -1;
}

// Opens the PC port when it is not open (and has not failed within the
// current action); true when it is open afterwards.
bool EnsureComOpen() {
    if (tl.comOpen) return true;
    if (tl.linkFailed) return false;
    OpenComPort();
    return tl.comOpen;
}

// The PC route's put: the text through the send buffer, then the waits of
// the line (at least 1 ms after the call, then 10 ms). False when the put
// failed.
bool PcPuts(const uint8_t* bytes, size_t length, uint32_t startMs) {
    length = std::min(length, tl.sendBuffer.size());
    if (bytes != tl.sendBuffer.data()) std::memmove(tl.sendBuffer.data(), bytes, length);
    const bool ok = Checked(SioPuts(PcPort(), tl.sendBuffer.data(), int(length))) >= 0;
    if (ok) tl.answerPending = true;
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

// The PC line read (kAnswerGapMs, kAnswerWaitMs), then the receive queue
// cleared. Bytes after the closing '#' go with the clearing.
std::string PcRead() {
    tl.replyCount = 0;
    tl.replyBuffer.fill(0);
    if (!EnsureComOpen()) return "";
    const int port = PcPort();
    const int size = int(tl.replyBuffer.size());
    const uint32_t firstWait = tl.answerPending ? kAnswerWaitMs : kAnswerGapMs;
    tl.answerPending = false;
    uint32_t lastMs = NowMs();
    int n = 0;
    while (n < size) {
        const int got = Checked(SioGets(port, tl.replyBuffer.data() + n, size - n));
        if (got < 0) break;
        if (got > 0) {
            const uint8_t* from = tl.replyBuffer.data() + n;
            const uint8_t* hash = std::find(from, from + got, uint8_t('#'));
            n += int(hash - from) + (hash < from + got ? 1 : 0);
            if (hash < from + got) break;
            lastMs = NowMs();
            continue;
        }
        if (NowMs() - lastMs >= (n > 0 ? kAnswerGapMs : firstWait)) break;
        WaitMs(1);
    }
    std::fill(tl.replyBuffer.begin() + n, tl.replyBuffer.end(), 0);
    tl.replyCount = n;
    if (tl.comOpen) Checked(SioRxClear(port));
    return std::string(reinterpret_cast<const char*>(tl.replyBuffer.data()), size_t(n));
}

}  // namespace

TelescopeLinkState& TelescopeLink() { return tl; }

void ResetTelescopeLink() {
    if (tl.comOpen) SioDone(PcPort());
    tl = TelescopeLinkState{};
}

bool UsesPcRoute() { return State().settings.aoPort > 2; }

void BeginTelescopeAction() {
    if (tl.actions++ == 0) tl.linkFailed = false;
}

void EndTelescopeAction() {
    if (tl.actions > 0 && --tl.actions == 0) tl.linkFailed = false;
}

bool PcLinkFailed() { return tl.linkFailed; }

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
    // The first failing call ends the open.
    int result = SioReset(port, 1024, 1024);
    if (result >= 0) result = SioBaud(port, kSioBaud9600);
    if (result >= 0) result = SioDTR(port, 'S');
    if (result >= 0) result = SioRTS(port, 'S');
    if (result >= 0) result = SioParms(port, 0, 0, 8);
    if (result < 0) {
        SioDone(port);
        char text[64];
        std::snprintf(text, sizeof text, "ERROR %d \nOpen Communications Failed", result);
        ShowMessage(50, text);
        Failed();
        return 0;
    }
    tl.comOpen = true;
    tl.answerPending = false;
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

std::string ReadCoordinateAnswers(int port) {
    std::string reply;
    if (UsesPcRoute()) {
        reply = PcRead();
    } else {
        std::string acks, info;
        ReadSerialPort(port, 2, &acks);
        ReadSerialPort(port, 33, &info);
        reply = acks.substr(0, acks.find('\0')) + info;
    }
    size_t n = 0;
    while (n < 2 && n < reply.size() && (reply[n] == '0' || reply[n] == '1')) ++n;
    tl.scopeInfo = UpToHash(reinterpret_cast<const uint8_t*>(reply.data()) + n, reply.size() - n);
    return reply.substr(0, n);
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
