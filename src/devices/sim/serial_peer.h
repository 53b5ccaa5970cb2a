// What sits on the far side of one of the simulated camera's serial ports:
// a mount, an AO unit, a serial filter wheel. The camera hands it every byte
// the program writes with WriteSerialPort and asks it for the bytes a
// ReadSerialPort returns.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

class MountModel;

class SerialPeer {
public:
    virtual ~SerialPeer() = default;
    // Bytes the program sent to the port, stamped with the clock.
    virtual void Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) = 0;
    // Up to `count` bytes of answer; fewer (or none) when nothing is waiting.
    // The camera pads a short answer with zeros to the asked size.
    virtual std::vector<uint8_t> Answer(size_t count, uint32_t nowMs) = 0;
};

// A peer that only records what it got and answers from a queue (tests and
// the serial filter wheel).
class RecordingSerialPeer : public SerialPeer {
public:
    void Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) override {
        received.insert(received.end(), bytes, bytes + count);
    }
    std::vector<uint8_t> Answer(size_t count, uint32_t) override {
        const size_t n = count < pending.size() ? count : pending.size();
        std::vector<uint8_t> out(pending.begin(), pending.begin() + long(n));
        pending.erase(pending.begin(), pending.begin() + long(n));
        return out;
    }
    std::vector<uint8_t> received;
    std::vector<uint8_t> pending;
};
