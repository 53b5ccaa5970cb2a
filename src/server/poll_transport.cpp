#include "server/poll_transport.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "platform/stop_signal.h"

namespace {

// A client that does not read its events: beyond this much unsent output the
// connection is closed rather than the program's memory filled.
constexpr size_t kMaxPendingBytes = 4 * 1024 * 1024;

void NonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL, 0) | O_NONBLOCK); }

}  // namespace

PollTransport::~PollTransport() { CloseAll(); }

bool PollTransport::Listen(const std::string& address, int port, std::string& error) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(uint16_t(port));
    if (inet_pton(AF_INET, address.c_str(), &a.sin_addr) != 1) {
        error = "not an IPv4 address: " + address;
        return false;
    }
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) {
        error = std::strerror(errno);
        return false;
    }
    const int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(listenFd_, 8) != 0) {
        error = "cannot listen on " + address + ":" + std::to_string(port) + ": " + std::strerror(errno);
        close(listenFd_);
        listenFd_ = -1;
        return false;
    }
    NonBlocking(listenFd_);
    return true;
}

void PollTransport::Service(int timeoutMs) {
    if (servicing_ || listenFd_ < 0) {
        if (timeoutMs > 0) poll(nullptr, 0, timeoutMs);
        return;
    }
    servicing_ = true;
    std::vector<pollfd> fds{{listenFd_, POLLIN, 0}};
    std::vector<int> ids;
    for (auto& [id, c] : clients_) {
        fds.push_back({c.fd, short(POLLIN | (c.out.empty() ? 0 : POLLOUT)), 0});
        ids.push_back(id);
    }
    if (poll(fds.data(), fds.size(), timeoutMs) > 0) {
        if (fds[0].revents & POLLIN) {
            sockaddr_in peer{};
            socklen_t len = sizeof peer;
            const int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&peer), &len, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (fd >= 0) {
                char text[INET_ADDRSTRLEN] = "";
                inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
                const int id = nextId_++;
                clients_[id] = Client{fd, std::string(text) + ":" + std::to_string(ntohs(peer.sin_port)), {}};
                std::printf("client %d connected from %s\n", id, clients_[id].peer.c_str());
                std::fflush(stdout);
                if (server_) server_->Connected(id);
            }
        }
        for (size_t i = 1; i < fds.size(); ++i) {
            const int id = ids[i - 1];
            auto it = clients_.find(id);
            if (it == clients_.end()) continue;
            if (fds[i].revents & POLLOUT) FlushClient(it->second);
            if (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) {
                char buffer[16384];
                const ssize_t n = recv(it->second.fd, buffer, sizeof buffer, 0);
                if (n > 0) {
                    if (server_) server_->Received(id, buffer, size_t(n));
                } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
                    Remove(id, true);
                }
            }
        }
    }
    servicing_ = false;
}

bool PollTransport::FlushClient(Client& c) {
    while (!c.out.empty()) {
        const ssize_t n = send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL);
        if (n > 0) {
            c.out.erase(0, size_t(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return true;
        } else {
            return false;
        }
    }
    return true;
}

bool PollTransport::Write(int client, const std::string& bytes) {
    auto it = clients_.find(client);
    if (it == clients_.end()) return false;
    it->second.out += bytes;
    if (!FlushClient(it->second) || it->second.out.size() > kMaxPendingBytes) {
        Remove(client, false);
        return false;
    }
    return true;
}

void PollTransport::Close(int client) { Remove(client, false); }

void PollTransport::Remove(int client, bool tellServer) {
    auto it = clients_.find(client);
    if (it == clients_.end()) return;
    close(it->second.fd);
    std::printf("client %d left\n", client);
    std::fflush(stdout);
    clients_.erase(it);
    if (tellServer && server_) server_->Disconnected(client);
}

void PollTransport::CloseAll() {
    while (!clients_.empty()) {
        Client& c = clients_.begin()->second;
        FlushClient(c);
        Remove(clients_.begin()->first, true);
    }
    if (listenFd_ >= 0) close(listenFd_);
    listenFd_ = -1;
}

class PollingPlatform::PollClock : public Clock {
public:
    PollClock(Clock& inner, PollTransport& t) : inner_(inner), t_(t) {}
    uint32_t Milliseconds() override { return inner_.Milliseconds(); }
    int64_t UnixSeconds() override { return inner_.UnixSeconds(); }
    void WaitMs(uint32_t ms) override {
        const uint32_t start = Milliseconds();
        // A stop signal ends the wait, as the plain clock's does.
        while (!StopSignal()) {
            const uint32_t elapsed = Milliseconds() - start;
            if (elapsed >= ms) break;
            const uint32_t left = ms - elapsed;
            // Short waits (the timing of a pulse) are left to the plain clock.
            if (left < 5) inner_.WaitMs(left);
            else t_.Service(int(std::min<uint32_t>(left - 2, 20)));
        }
    }

private:
    Clock& inner_;
    PollTransport& t_;
};

class PollingPlatform::PollPump : public EventPump {
public:
    explicit PollPump(PollTransport& t) : t_(t) {}
    void Pump() override { t_.Service(0); }
    bool TakeInterrupt() override { return false; }

private:
    PollTransport& t_;
};

PollingPlatform::PollingPlatform(PollTransport& transport)
    : clock_(new PollClock(*Sys().clock, transport)), pump_(new PollPump(transport)) {
    Platform p = Sys();
    p.clock = clock_;
    p.events = pump_;
    previous_ = InstallPlatform(p);
}

PollingPlatform::~PollingPlatform() {
    InstallPlatform(previous_);
    delete clock_;
    delete pump_;
}
