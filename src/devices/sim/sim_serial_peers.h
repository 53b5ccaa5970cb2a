// What the simulated camera's serial ports lead to: an LX200 / Autostar mount
// and an AO unit, both on either port (the mount takes the ":...#" texts,
// the AO unit its seven-character commands), driving the simulator's mount
// model.
#pragma once
#include <cstdint>
#include <vector>

#include "devices/sim/ao_unit.h"
#include "devices/sim/lx200_mount.h"
#include "devices/sim/serial_peer.h"

// Hands every byte to several peers; answers come from the first.
class SerialSplitter : public SerialPeer {
public:
    explicit SerialSplitter(std::vector<SerialPeer*> peers) : peers_(std::move(peers)) {}
    void Receive(const uint8_t* bytes, size_t count, uint32_t nowMs) override {
        for (SerialPeer* p : peers_) p->Receive(bytes, count, nowMs);
    }
    std::vector<uint8_t> Answer(size_t count, uint32_t nowMs) override {
        return peers_.empty() ? std::vector<uint8_t>{} : peers_.front()->Answer(count, nowMs);
    }

private:
    std::vector<SerialPeer*> peers_;
};

class Simulator;

// When the simulator is in use (VELMORA_SIMULATE) and its serial ports are
// empty, puts the mount (Autostar when `autostar`) and the AO unit on both
// ports of the process-wide simulator. Returns true when they are there.
bool EnsureSimulatedSerialPeers(bool autostar);
// The process-wide simulated mount and AO unit (made by the call above).
Lx200Mount* SimulatedLx200();
AoUnit* SimulatedAoUnit();
