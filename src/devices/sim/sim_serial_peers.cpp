#include "devices/sim/sim_serial_peers.h"

#include <memory>

#include "devices/sim/simulator.h"
#include "devices/usb_transport.h"

namespace {

struct Peers {
    std::unique_ptr<Lx200Mount> mount;
    std::unique_ptr<AoUnit> ao;
    std::unique_ptr<SerialSplitter> splitter;
};

Peers& ThePeers() {
    static Peers peers;
    return peers;
}

}  // namespace

bool EnsureSimulatedSerialPeers(bool autostar) {
    if (!SimulationRequested()) return false;
    Simulator& sim = Simulator::Instance();
    Peers& p = ThePeers();
    if (sim.SerialPeerAt(0) || sim.SerialPeerAt(1)) return sim.SerialPeerAt(0) == p.splitter.get() && p.splitter;
    Lx200Config config;
    config.autostar = autostar;
    config.seed = sim.Config().seed;
    p.mount = std::make_unique<Lx200Mount>(&sim.Mount(), config);
    p.ao = std::make_unique<AoUnit>(&sim.Mount());
    p.splitter = std::make_unique<SerialSplitter>(std::vector<SerialPeer*>{p.mount.get(), p.ao.get()});
    sim.SetSerialPeer(0, p.splitter.get());
    sim.SetSerialPeer(1, p.splitter.get());
    return true;
}

Lx200Mount* SimulatedLx200() { return ThePeers().mount.get(); }
AoUnit* SimulatedAoUnit() { return ThePeers().ao.get(); }
