#include "telescope/serial_library.h"

#include <libserialport.h>

#include <cstdlib>
#include <map>

#include "devices/transport_trace.h"

namespace {

SerialLibrary* installed = nullptr;
unsigned firstByteTimeoutMs = 500;
unsigned nextByteTimeoutMs = 20;

// libserialport behind the library's calls. One open port per COM number.
class LibSerialPort : public SerialLibrary {
public:
    ~LibSerialPort() override {
        for (auto& [n, p] : ports_) Close(p);
    }

    int Reset(int port, int, int) override {
        Done(port);
        sp_port* p = nullptr;
        if (sp_get_port_by_name(ComPortPath(port).c_str(), &p) != SP_OK) return kSioCannotOpen;
        if (sp_open(p, SP_MODE_READ_WRITE) != SP_OK) {
            sp_free_port(p);
            return kSioCannotOpen;
        }
        ports_[port] = p;
        return 0;
    }
    int Baud(int port, int baudCode) override {
        sp_port* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (baudCode != kSioBaud9600) return kSioBadParameter;
        return sp_set_baudrate(p, 9600) == SP_OK ? 0 : kSioIoError;
    }
    // A pseudo-terminal has no modem lines; raising them there is not an
    // error.
    int Dtr(int port, char command) override {
        sp_port* p = Find(port);
        if (!p) return kSioNoSuchPort;
        const sp_return r = sp_set_dtr(p, command == 'S' ? SP_DTR_ON : SP_DTR_OFF);
        return r == SP_OK || r == SP_ERR_FAIL ? 0 : kSioIoError;
    }
    int Rts(int port, char command) override {
        sp_port* p = Find(port);
        if (!p) return kSioNoSuchPort;
        const sp_return r = sp_set_rts(p, command == 'S' ? SP_RTS_ON : SP_RTS_OFF);
        return r == SP_OK || r == SP_ERR_FAIL ? 0 : kSioIoError;
    }
    int Parms(int port, int parity, int stopBits, int dataBits) override {
        sp_port* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (sp_set_parity(p, parity == 0 ? SP_PARITY_NONE : SP_PARITY_EVEN) != SP_OK) return kSioIoError;
        if (sp_set_stopbits(p, stopBits == 0 ? 1 : 2) != SP_OK) return kSioIoError;
        if (sp_set_bits(p, dataBits) != SP_OK) return kSioIoError;
        if (sp_set_flowcontrol(p, SP_FLOWCONTROL_NONE) != SP_OK) return kSioIoError;
        return 0;
    }
    int Puts(int port, const uint8_t* bytes, int count) override {
        sp_port* p = Find(port);
        if (!p) return kSioNoSuchPort;
        const int r = sp_blocking_write(p, bytes, size_t(count), 1000);
        return r < 0 ? kSioIoError : r;
    }
    // Waits for the first byte, then takes bytes while they keep coming, up
    // to the closing '#' or `size` bytes.
    int Gets(int port, uint8_t* buffer, int size) override {
        sp_port* p = Find(port);
        if (!p) return kSioNoSuchPort;
        int n = 0;
        unsigned timeout = firstByteTimeoutMs;
        while (n < size) {
            const int r = sp_blocking_read(p, buffer + n, 1, timeout);
            if (r < 0) return kSioIoError;
            if (r == 0) break;
            n += r;
            if (buffer[n - 1] == '#') break;
            timeout = nextByteTimeoutMs;
        }
        return n;
    }
    int RxClear(int port) override {
        sp_port* p = Find(port);
        if (!p) return kSioNoSuchPort;
        return sp_flush(p, SP_BUF_INPUT) == SP_OK ? 0 : kSioIoError;
    }
    int Done(int port) override {
        auto it = ports_.find(port);
        if (it == ports_.end()) return kSioNoSuchPort;
        Close(it->second);
        ports_.erase(it);
        return 0;
    }

private:
    sp_port* Find(int port) {
        auto it = ports_.find(port);
        return it == ports_.end() ? nullptr : it->second;
    }
    static void Close(sp_port* p) {
        sp_close(p);
        sp_free_port(p);
    }
    std::map<int, sp_port*> ports_;
};

std::string Channel(int port) { return "com" + std::to_string(port + 1); }

}  // namespace

std::string ComPortPath(int port) {
    const std::string name = "VELMORA_COM" + std::to_string(port + 1);
    if (const char* path = std::getenv(name.c_str()); path && *path) return path;
    return "/dev/ttyS" + std::to_string(port);
}

SerialLibrary& LibSerialPortLibrary() {
    static LibSerialPort library;
    return library;
}

SerialLibrary& ActiveSerialLibrary() { return installed ? *installed : LibSerialPortLibrary(); }

SerialLibrary* InstallSerialLibrary(SerialLibrary* library) {
    SerialLibrary* previous = installed;
    installed = library;
    return previous;
}

void SetSerialReadTimeouts(unsigned firstByteMs, unsigned nextByteMs) {
    firstByteTimeoutMs = firstByteMs;
    nextByteTimeoutMs = nextByteMs;
}

int SioReset(int port, int rxQueue, int txQueue) { return ActiveSerialLibrary().Reset(port, rxQueue, txQueue); }
int SioBaud(int port, int baudCode) { return ActiveSerialLibrary().Baud(port, baudCode); }
int SioDTR(int port, char command) { return ActiveSerialLibrary().Dtr(port, command); }
int SioRTS(int port, char command) { return ActiveSerialLibrary().Rts(port, command); }
int SioParms(int port, int parity, int stopBits, int dataBits) {
    return ActiveSerialLibrary().Parms(port, parity, stopBits, dataBits);
}

int SioPuts(int port, const uint8_t* bytes, int count) {
    if (TraceOn()) TraceBlock('>', Channel(port).c_str(), bytes, size_t(count > 0 ? count : 0));
    return ActiveSerialLibrary().Puts(port, bytes, count);
}

int SioGets(int port, uint8_t* buffer, int size) {
    const int n = ActiveSerialLibrary().Gets(port, buffer, size);
    if (TraceOn() && n > 0) TraceBlock('<', Channel(port).c_str(), buffer, size_t(n));
    return n;
}

int SioRxClear(int port) { return ActiveSerialLibrary().RxClear(port); }
int SioDone(int port) { return ActiveSerialLibrary().Done(port); }
