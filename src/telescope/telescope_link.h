// The serial link to the telescope mount and the AO unit: text commands over
// one of the camera's two serial ports (camera requests 10 and 11) or over a
// PC COM port (the serial library, 9600 8N1, DTR and RTS raised), and the
// camera's guide-relay outputs. Every wait is a wait on the platform clock.
// The AO port setting of the settings record picks the route: above 2 the PC
// port (zero-based number pcComPort), otherwise the camera port given by the
// caller.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

// Run-time state of the link, kept until the program ends.
struct TelescopeLinkState {
    // The current direction to move ('e', 'w', 'n', 's') and the pulse
    // length in ms, set by the guiding code before a pulse.
    char direction = 'e';
    uint32_t pulseLength = 0;
    // The last x and y directions (for the guiding code).
    char lastX = 'e';
    char lastY = 'n';
    // The camera serial port of LX200 traffic: 0 for "Com1", 1 otherwise;
    // -1 until PrepareTelescopeLink.
    int portIndex = -1;
    // The last AO command (7 characters and a zero) or a relay byte in the
    // first position; the PC route also copies text commands here.
    std::array<uint8_t, 64> sendBuffer{};
    // The last PC line read and its length.
    std::array<uint8_t, 50> replyBuffer{};
    int replyCount = 0;
    // The last reply up to '#' (at most 33 characters), the last position
    // answers and the last slew answer ("0" or the mount's text).
    std::string scopeInfo;
    std::string raText;
    std::string decText;
    std::string slewAnswer;
    // The PC COM port is open.
    bool comOpen = false;
    // AO state: net steps since the last centring, the time of the last
    // mount bump and its letter.
    int16_t aoY = 0;
    int16_t aoX = 0;
    uint32_t lastBumpMs = 0;
    bool bumped = false;
    std::string bumpText;
};
TelescopeLinkState& TelescopeLink();
// Forgets everything (tests); closes the PC port when it is open.
void ResetTelescopeLink();

// True when the text commands travel through the PC COM port.
bool UsesPcRoute();

// Sets the telescope port index from the com choice of the settings ('1'
// gives camera port 0, anything else 1), once per run; later calls keep it.
int PrepareTelescopeLink();
// The telescope port index (prepared on first use).
int TelescopePort();

// Opens the PC COM port: queues 1024/1024, 9600 baud, DTR and RTS raised, no
// parity, one stop bit, 8 data bits. 1 on success; 0 after "ERROR %d " (the
// failing call) and "Open Communications Failed", with the port closed.
int OpenComPort();

// Sends the first `length` bytes of `text` (camera route: request 10 on
// `port`; PC route: after opening the port if needed, then 1 ms + 10 ms +
// 50 ms). Nothing is sent on the PC route while the port cannot be opened.
// False when the bytes did not go out.
bool SendSerialCommand(int port, const std::string& text, size_t length);
inline bool SendSerialCommand(int port, const std::string& text) { return SendSerialCommand(port, text, text.size()); }
// Reads an answer: camera route `count` bytes (request 11); PC route one line
// of up to 50 bytes, then the receive queue is cleared. A count of 33 copies
// the reply up to '#' into the scope info text. Returns the bytes read (a
// camera reply is padded to `count` by the camera).
std::string ReadSerialReply(int port, size_t count);
// The mount's answer to a slew: "0" when the first byte is '0', else the text
// up to '#' (also the scope info text). Kept as the last slew answer.
std::string ReadSlewReply(int port);

// The relay outputs (bit 0 west, 1 south, 2 north, 3 east; 0 releases all).
// False when the camera did not take them.
bool WriteRelays(uint8_t bits);
// The relay bit of a direction letter: n 4, e 8, w 1, s 2; 0 for others.
uint8_t RelayBit(char direction);

// The AO command in the send buffer, `length` bytes: in AO relay mode its
// first byte goes to the relay outputs and nothing else happens; otherwise
// through the camera port of the AO port setting or the PC port (1 ms +
// 10 ms), then a 50 ms wait.
// False when the command did not go out.
bool SendAoCommand(size_t length);
