#include "telescope/serial_library.h"

#include <fcntl.h>
#include <libserialport.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <map>

#include "devices/transport_trace.h"

namespace {

SerialLibrary* installed = nullptr;

// One open port: libserialport's handle, or for a device file it cannot
// describe (a pseudo-terminal has no entry in the system's serial port
// list) a plain terminal file descriptor.
struct OpenPort {
    sp_port* sp = nullptr;
    int fd = -1;
};

// libserialport behind the library's calls. One open port per COM number.
class LibSerialPort : public SerialLibrary {
public:
    ~LibSerialPort() override {
        for (auto& [n, p] : ports_) Close(p);
    }

    int Reset(int port, int, int) override {
        Done(port);
        const std::string path = ComPortPath(port);
        OpenPort p;
        if (sp_get_port_by_name(path.c_str(), &p.sp) == SP_OK) {
            if (sp_open(p.sp, SP_MODE_READ_WRITE) != SP_OK) {
                sp_free_port(p.sp);
                return kSioCannotOpen;
            }
        } else {
            p.sp = nullptr;
            p.fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            if (p.fd < 0) return kSioCannotOpen;
            if (!isatty(p.fd)) {
                close(p.fd);
                return kSioCannotOpen;
            }
            termios t{};
            tcgetattr(p.fd, &t);
            cfmakeraw(&t);
            t.c_cflag |= CLOCAL | CREAD;
            tcsetattr(p.fd, TCSANOW, &t);
        }
        ports_[port] = p;
        return 0;
    }
    int Baud(int port, int baudCode) override {
        OpenPort* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (baudCode != kSioBaud9600) return kSioBadParameter;
        if (p->sp) return sp_set_baudrate(p->sp, 9600) == SP_OK ? 0 : kSioIoError;
        termios t{};
        if (tcgetattr(p->fd, &t) != 0) return kSioIoError;
        cfsetispeed(&t, B9600);
        cfsetospeed(&t, B9600);
        return tcsetattr(p->fd, TCSANOW, &t) == 0 ? 0 : kSioIoError;
    }
    // A pseudo-terminal has no modem lines; raising them there is not an
    // error.
    int Dtr(int port, char command) override { return Line(port, command, TIOCM_DTR); }
    int Rts(int port, char command) override { return Line(port, command, TIOCM_RTS); }
    int Parms(int port, int parity, int stopBits, int dataBits) override {
        OpenPort* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (p->sp) {
            if (sp_set_parity(p->sp, parity == 0 ? SP_PARITY_NONE : SP_PARITY_EVEN) != SP_OK) return kSioIoError;
            if (sp_set_stopbits(p->sp, stopBits == 0 ? 1 : 2) != SP_OK) return kSioIoError;
            if (sp_set_bits(p->sp, dataBits) != SP_OK) return kSioIoError;
            if (sp_set_flowcontrol(p->sp, SP_FLOWCONTROL_NONE) != SP_OK) return kSioIoError;
            return 0;
        }
        termios t{};
        if (tcgetattr(p->fd, &t) != 0) return kSioIoError;
        t.c_cflag &= ~tcflag_t(PARENB | PARODD | CSTOPB | CSIZE | CRTSCTS);
        if (parity != 0) t.c_cflag |= PARENB;
        if (stopBits != 0) t.c_cflag |= CSTOPB;
        t.c_cflag |= dataBits == 7 ? CS7 : CS8;
        return tcsetattr(p->fd, TCSANOW, &t) == 0 ? 0 : kSioIoError;
    }
    int Puts(int port, const uint8_t* bytes, int count) override {
        OpenPort* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (p->sp) {
            const int r = sp_blocking_write(p->sp, bytes, size_t(count), 1000);
            return r < 0 ? kSioIoError : r;
        }
        int sent = 0;
        while (sent < count) {
            pollfd w{p->fd, POLLOUT, 0};
            if (poll(&w, 1, 1000) <= 0 || (w.revents & (POLLERR | POLLHUP))) return kSioIoError;
            const ssize_t n = write(p->fd, bytes + sent, size_t(count - sent));
            if (n < 0 && errno != EAGAIN) return kSioIoError;
            if (n > 0) sent += int(n);
        }
        return sent;
    }
    // What the port has received so far, up to `size` bytes; no wait.
    int Gets(int port, uint8_t* buffer, int size) override {
        OpenPort* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (size <= 0) return 0;
        if (p->sp) {
            const int r = sp_nonblocking_read(p->sp, buffer, size_t(size));
            return r < 0 ? kSioIoError : r;
        }
        pollfd r{p->fd, POLLIN, 0};
        const int ready = poll(&r, 1, 0);
        if (ready < 0 || (r.revents & (POLLERR | POLLNVAL))) return kSioIoError;
        if (ready == 0) return 0;
        const ssize_t n = read(p->fd, buffer, size_t(size));
        if (n > 0) return int(n);
        if (n < 0 && errno == EAGAIN) return 0;
        return kSioIoError;  // end of file or error: the far end is gone
    }
    int RxClear(int port) override {
        OpenPort* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (p->sp) return sp_flush(p->sp, SP_BUF_INPUT) == SP_OK ? 0 : kSioIoError;
        return tcflush(p->fd, TCIFLUSH) == 0 ? 0 : kSioIoError;
    }
    int Done(int port) override {
        auto it = ports_.find(port);
        if (it == ports_.end()) return kSioNoSuchPort;
        Close(it->second);
        ports_.erase(it);
        return 0;
    }

private:
    OpenPort* Find(int port) {
        auto it = ports_.find(port);
        return it == ports_.end() ? nullptr : &it->second;
    }
    int Line(int port, char command, int bit) {
        OpenPort* p = Find(port);
        if (!p) return kSioNoSuchPort;
        if (p->sp) {
            const sp_return r = bit == TIOCM_DTR ? sp_set_dtr(p->sp, command == 'S' ? SP_DTR_ON : SP_DTR_OFF)
                                                 : sp_set_rts(p->sp, command == 'S' ? SP_RTS_ON : SP_RTS_OFF);
            return r == SP_OK || r == SP_ERR_FAIL ? 0 : kSioIoError;
        }
        ioctl(p->fd, command == 'S' ? TIOCMBIS : TIOCMBIC, &bit);  // no modem lines on a pseudo-terminal
        return 0;
    }
    static void Close(OpenPort& p) {
        if (p.sp) {
            sp_close(p.sp);
            sp_free_port(p.sp);
        }
        if (p.fd >= 0) close(p.fd);
    }
    std::map<int, OpenPort> ports_;
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
