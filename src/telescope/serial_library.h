// The PC serial library: the calls the program makes on a PC COM port, in the
// shape of the classic serial library (reset, baud, DTR, RTS, parameters,
// put, line get, receive clear, done). The program plugs in libserialport;
// tests plug in their own. COM port n (zero-based) is the device file named by
// $VELMORA_COM<n+1>, else /dev/ttyS<n>. Every call returns a value below 0 on
// failure.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Library error codes (negative results).
inline constexpr int kSioNoSuchPort = -2;   // the port was never reset / is closed
inline constexpr int kSioCannotOpen = -4;   // the device file could not be opened
inline constexpr int kSioBadParameter = -5;
inline constexpr int kSioIoError = -9;      // a read or write failed (device gone)

// Baud code 5 of the library is 9600 baud.
inline constexpr int kSioBaud9600 = 5;

class SerialLibrary {
public:
    virtual ~SerialLibrary() = default;
    // Opens the port with receive and transmit queues of the given sizes.
    virtual int Reset(int port, int rxQueue, int txQueue) = 0;
    virtual int Baud(int port, int baudCode) = 0;
    // 'S' raises the line, 'C' clears it.
    virtual int Dtr(int port, char command) = 0;
    virtual int Rts(int port, char command) = 0;
    // parity 0 = none, stopBits 0 = one stop bit, dataBits 8.
    virtual int Parms(int port, int parity, int stopBits, int dataBits) = 0;
    // Sends `count` bytes; returns the count sent.
    virtual int Puts(int port, const uint8_t* bytes, int count) = 0;
    // Up to `size` bytes of what the port has received so far, without
    // waiting; returns the count read, 0 when nothing is there. (The line
    // read of an answer, with its waits, is the telescope link's.)
    virtual int Gets(int port, uint8_t* buffer, int size) = 0;
    virtual int RxClear(int port) = 0;
    // Closes the port.
    virtual int Done(int port) = 0;
};

// The device file of zero-based COM port n.
std::string ComPortPath(int port);

// The library in force: the installed one, else libserialport.
SerialLibrary& ActiveSerialLibrary();
// Installs a library (tests); nullptr returns to libserialport. Returns the
// previous one (nullptr when it was the default).
SerialLibrary* InstallSerialLibrary(SerialLibrary* library);
// The libserialport library.
SerialLibrary& LibSerialPortLibrary();

// The calls as the telescope code makes them: through the library in force,
// with every block traced (channel "com<n+1>").
int SioReset(int port, int rxQueue, int txQueue);
int SioBaud(int port, int baudCode);
int SioDTR(int port, char command);
int SioRTS(int port, char command);
int SioParms(int port, int parity, int stopBits, int dataBits);
int SioPuts(int port, const uint8_t* bytes, int count);
int SioGets(int port, uint8_t* buffer, int size);
int SioRxClear(int port);
int SioDone(int port);
