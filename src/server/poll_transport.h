// The guiding server's sockets in velmora-cli: a listening TCP socket and its
// clients, served by poll() from the one thread. Service() is called between
// frames and, through PollingClock, inside every wait of the loops, so a
// request is answered while an exposure runs.
#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "platform/platform.h"
#include "server/guide_server.h"

class PollTransport : public ServerTransport {
public:
    ~PollTransport() override;
    // Binds and listens; false with the reason in error.
    bool Listen(const std::string& address, int port, std::string& error);
    void SetServer(GuideServer* server) { server_ = server; }
    // Accepts, reads and writes what is ready, waiting up to timeoutMs for
    // something to happen. A nested call (from a wait inside a request) only
    // sleeps.
    void Service(int timeoutMs);
    void CloseAll();

    bool Write(int client, const std::string& bytes) override;
    void Close(int client) override;

private:
    struct Client {
        int fd = -1;
        std::string peer;
        std::string out;  // bytes not yet taken by the socket
    };
    bool FlushClient(Client& c);
    void Remove(int client, bool tellServer);

    int listenFd_ = -1;
    GuideServer* server_ = nullptr;
    std::map<int, Client> clients_;
    int nextId_ = 1;
    bool servicing_ = false;
};

// The real clock with the sockets served inside its waits, and the event pump
// of the loops serving them too. Installed for the life of the object.
class PollingPlatform {
public:
    explicit PollingPlatform(PollTransport& transport);
    ~PollingPlatform();
    PollingPlatform(const PollingPlatform&) = delete;
    PollingPlatform& operator=(const PollingPlatform&) = delete;

private:
    class PollClock;
    class PollPump;
    Platform previous_;
    PollClock* clock_;
    PollPump* pump_;
};
