// A scripted USB stack for the device tests: interfaces listed per class,
// handles that record every block written and answer reads from a queue.
#pragma once
#include <cerrno>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "devices/transport.h"
#include "devices/usb_transport.h"

struct FakeLinkLog {
    std::vector<std::vector<uint8_t>> writes;
    std::deque<std::vector<uint8_t>> replies;  // one per read; a missing reply times out
    std::vector<size_t> readSizes;             // what each read asked for
    int failWrite = 0;                         // error number for the next write
    int failRead = 0;                          // error number for the next read
};

class FakeLink {
public:
    FakeLink(FakeLinkLog& log, uint16_t vid, uint16_t pid, int handle) : handle_(handle), log_(log), vid_(vid), pid_(pid) {}
    TransferResult DoWrite(const uint8_t* data, size_t count) {
        log_.writes.emplace_back(data, data + count);
        TransferResult r;
        if (log_.failWrite) {
            r.error = log_.failWrite;
            log_.failWrite = 0;
            return r;
        }
        r.ok = true;
        r.bytes = count;
        return r;
    }
    TransferResult DoRead(uint8_t* data, size_t count) {
        log_.readSizes.push_back(count);
        TransferResult r;
        if (log_.failRead) {
            r.error = log_.failRead;
            log_.failRead = 0;
            return r;
        }
        if (log_.replies.empty()) {
            r.error = ETIMEDOUT;
            return r;
        }
        std::vector<uint8_t> reply = log_.replies.front();
        log_.replies.pop_front();
        const size_t n = std::min(count, reply.size());
        std::memcpy(data, reply.data(), n);
        r.ok = true;
        r.bytes = n;
        return r;
    }
    InterfaceIdentity Ident() {
        InterfaceIdentity id;
        id.vid = vid_;
        id.pid = pid_;
        id.manufacturer = "Korvane";  // the product text cannot be read
        return id;
    }
    int handle_;

private:
    FakeLinkLog& log_;
    uint16_t vid_, pid_;
};

class FakeCamera : public CameraTransport {
public:
    FakeCamera(FakeLinkLog& log, uint16_t vid, uint16_t pid, int handle) : link_(log, vid, pid, handle) {}
    TransferResult Write(const uint8_t* d, size_t n) override { return link_.DoWrite(d, n); }
    TransferResult Read(uint8_t* d, size_t n) override { return link_.DoRead(d, n); }
    InterfaceIdentity Identity() override { return link_.Ident(); }
    int HandleNumber() const override { return link_.handle_; }

private:
    FakeLink link_;
};

class FakeReport : public ReportTransport {
public:
    FakeReport(FakeLinkLog& log, uint16_t vid, uint16_t pid) : link_(log, vid, pid, 0) {}
    TransferResult Write(const uint8_t* d, size_t n) override { return link_.DoWrite(d, n); }
    TransferResult Read(uint8_t* d, size_t n) override { return link_.DoRead(d, n); }
    InterfaceIdentity Identity() override { return link_.Ident(); }

private:
    FakeLink link_;
};

class FakeEnumerator : public DeviceEnumerator {
public:
    struct Entry {
        InterfaceClass cls;
        int index;
        std::string path;
        bool readable = true;
        bool openFails = false;
        bool denied = false;
    };
    std::vector<Entry> entries;
    bool hidFails = false, driverFails = false;
    std::vector<std::string> opened;  // paths opened, in order
    std::map<std::string, FakeLinkLog> logs;  // per path
    std::pair<int, int> version{5, 1};

    // Adds an interface with ids spelled in its path.
    Entry& Add(InterfaceClass cls, uint16_t vid, uint16_t pid, const std::string& where = "") {
        int index = 0;
        for (const Entry& e : entries)
            if (e.cls == cls) index = std::max(index, e.index + 1);
        entries.push_back({cls, index, MakeDevicePath(cls == InterfaceClass::Hid ? "hid" : "usb", vid, pid,
                                                      where.empty() ? std::to_string(entries.size()) : where)});
        return entries.back();
    }
    FakeLinkLog& LogFor(const std::string& path) { return logs[path]; }

    bool List(InterfaceClass cls, std::vector<EnumeratedInterface>& out) override {
        out.clear();
        if ((cls == InterfaceClass::Hid && hidFails) || (cls == InterfaceClass::CameraDriver && driverFails))
            return false;
        for (const Entry& e : entries)
            if (e.cls == cls) out.push_back({e.index, e.path, e.readable});
        return true;
    }
    const Entry* Find(const std::string& path) const {
        for (const Entry& e : entries)
            if (e.path == path) return &e;
        return nullptr;
    }
    static uint16_t Hex(const std::string& path, const char* key) {
        const size_t at = path.find(key);
        return uint16_t(std::strtoul(path.substr(at + 4, 4).c_str(), nullptr, 16));
    }
    std::unique_ptr<CameraTransport> OpenCamera(const std::string& path, int& error, bool& denied) override {
        const Entry* e = Find(path);
        denied = e && e->denied;
        if (!e || e->openFails || e->denied) {
            error = denied ? EACCES : ENODEV;
            return nullptr;
        }
        opened.push_back(path);
        return std::make_unique<FakeCamera>(logs[path], Hex(path, "vid_"), Hex(path, "pid_"), int(opened.size()));
    }
    std::unique_ptr<ReportTransport> OpenReport(const std::string& path, int& error, bool& denied) override {
        const Entry* e = Find(path);
        denied = e && e->denied;
        if (!e || e->openFails || e->denied) {
            error = denied ? EACCES : ENODEV;
            return nullptr;
        }
        opened.push_back(path);
        return std::make_unique<FakeReport>(logs[path], Hex(path, "vid_"), Hex(path, "pid_"));
    }
    std::pair<int, int> SystemVersion() override { return version; }
};

// Installs a FakeEnumerator for a test's lifetime.
class ScopedFakeEnumerator {
public:
    ScopedFakeEnumerator() {
        CloseDevices();
        previous_ = InstallEnumerator(&fake);
    }
    ~ScopedFakeEnumerator() {
        CloseDevices();
        InstallEnumerator(previous_);
    }
    FakeEnumerator fake;

private:
    DeviceEnumerator* previous_ = nullptr;
};
