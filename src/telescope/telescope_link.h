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
    // A command went out on the PC port since the last answer was read.
    bool answerPending = false;
    // The user actions in progress (nested count) and whether the PC link
    // failed within them.
    int actions = 0;
    bool linkFailed = false;
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

// One user action on the link: a button, a held arrow from press to
// release, a command line, a polling loop. Within it, once the PC port has
// failed (it could not be opened, or a call on it failed) the port is not
// tried again: the action shows one message however many commands it sends.
// Outside every action each send tries the port afresh. Actions nest; the
// outermost one starts with a clean slate.
void BeginTelescopeAction();
void EndTelescopeAction();
class TelescopeAction {
public:
    TelescopeAction() { BeginTelescopeAction(); }
    ~TelescopeAction() { EndTelescopeAction(); }
    TelescopeAction(const TelescopeAction&) = delete;
    TelescopeAction& operator=(const TelescopeAction&) = delete;
};
// True when the PC port failed within the current action.
bool PcLinkFailed();

// The PC line read: it takes an answer's bytes as they arrive and ends at a
// closing '#', at 50 bytes, or once the line has been quiet for
// kAnswerGapMs after the last byte. While no byte has come it waits up to
// kAnswerWaitMs for a command's answer (a mount that never answers), but
// only kAnswerGapMs when every answer has already been read.
inline constexpr uint32_t kAnswerGapMs = 20;
inline constexpr uint32_t kAnswerWaitMs = 500;

// Sets the telescope port index from the com choice of the settings ('1'
// gives camera port 0, anything else 1), once per run; later calls keep it.
int PrepareTelescopeLink();
// The telescope port index (prepared on first use).
int TelescopePort();

// Opens the PC COM port: queues 1024/1024, 9600 baud, DTR and RTS raised, no
// parity, one stop bit, 8 data bits. 1 on success; 0 with the port closed
// after one message: "ERROR %d " (the failing call) and, on its next line,
// "Open Communications Failed".
int OpenComPort();

// Sends the first `length` bytes of `text` (camera route: request 10 on
// `port`; PC route: after opening the port if needed, then 1 ms + 10 ms +
// 50 ms). Nothing is sent on the PC route while the port cannot be opened.
// False when the bytes did not go out.
bool SendSerialCommand(int port, const std::string& text, size_t length);
inline bool SendSerialCommand(int port, const std::string& text) { return SendSerialCommand(port, text, text.size()); }
// Reads an answer: camera route `count` bytes (request 11); PC route the
// line read (kAnswerGapMs), then the receive queue is cleared. A count of 33 copies
// the reply up to '#' into the scope info text. Returns the bytes read (a
// camera reply is padded to `count` by the camera).
std::string ReadSerialReply(int port, size_t count);
// The answers to the two co-ordinate texts and "#:LI#": one acknowledgement
// byte per co-ordinate ('1' taken, '0' refused), then the object information
// up to '#', which becomes the scope info text. Returns the acknowledgements
// (none from a mount that does not send them). Camera route: 2 bytes, then
// 33; PC route: one line read.
std::string ReadCoordinateAnswers(int port);
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
