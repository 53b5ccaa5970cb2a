// The guiding server's protocol: JSON lines over TCP that sequencers and
// capture programs speak to their guider. Requests are JSON-RPC objects
// ({"method", "params", "id"}); each gets exactly one response, in order,
// carrying "jsonrpc":"2.0" (clients tell answers from events by that key);
// events ({"Event", "Timestamp", "Host", "Inst", ...}) go to every client and
// never carry it.
//
// No sockets in here: a transport (poll() in velmora-cli, Qt in the program)
// reports connections, bytes read and departures, and writes and closes
// through ServerTransport. The methods are registered by the guider side
// (server_guider.h), so this core is tested with a fake transport.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

using Json = nlohmann::json;

// Where the core writes. Write answers false when the client is gone (the
// core then forgets it); Close ends one connection.
class ServerTransport {
public:
    virtual ~ServerTransport() = default;
    virtual bool Write(int client, const std::string& bytes) = 0;
    virtual void Close(int client) = 0;
};

// A refused call: the JSON-RPC error code and a message saying why.
struct RpcError {
    int code;
    std::string message;
};
inline constexpr int kParseError = -32700, kInvalidRequest = -32600, kUnknownMethod = -32601,
                     kBadParams = -32602, kRefused = 1;
// The longest line a client may send (bytes without its end); a longer one
// closes that connection.
inline constexpr size_t kMaxLineBytes = 64 * 1024;

// A request's parameters: absent, positional (an array) or named (an
// object). Get finds the index-th positional or the named one (null: absent).
class RpcParams {
public:
    // The index of a parameter that is only ever named.
    static constexpr size_t kNamed = size_t(-1);
    explicit RpcParams(const Json& params) : p_(params) {}
    const Json* Get(size_t index, const char* name) const;
    // Typed access; a present parameter of the wrong type throws a bad-params
    // RpcError, an absent one gives the fallback (required: throws too).
    bool Bool(size_t index, const char* name, bool fallback) const;
    double Number(size_t index, const char* name, double fallback, bool required = false) const;
    std::string String(size_t index, const char* name, const std::string& fallback, bool required = false) const;
    const Json& Raw() const { return p_; }

private:
    const Json& p_;
};
[[noreturn]] void ThrowBadParams(const std::string& why);
[[noreturn]] void ThrowRefused(const std::string& why);

// The seconds since 1970 (UTC, fractional) stamped on events.
double EventTimestamp();

class GuideServer {
public:
    // A method: its result, or an RpcError thrown.
    using Method = std::function<Json(const RpcParams&)>;
    // The connect burst after Version (the guider's state as events).
    using BurstFn = std::function<void(std::vector<Json>& events)>;

    GuideServer(ServerTransport& transport, int instance, std::string host);

    void AddMethod(const std::string& name, Method method);
    void SetConnectBurst(BurstFn burst) { burst_ = std::move(burst); }
    // The stamp of events (tests pin it).
    void SetClock(std::function<double()> now) { now_ = std::move(now); }

    // From the transport.
    void Connected(int client);
    void Received(int client, const char* data, size_t size);
    void Disconnected(int client);

    // An event to every client; sent after the response when it arises
    // during a call (a response comes before the events it causes).
    void Emit(const std::string& name, Json attributes = Json::object());
    // One request line's answer (public for tests and the burst).
    std::string Answer(const std::string& line);

    size_t ClientCount() const { return clients_.size(); }
    int Instance() const { return instance_; }

private:
    Json Stamped(const std::string& name, Json attributes) const;
    void Send(int client, const Json& message);
    void Drop(int client);
    void Flush();
    void Broadcast(const Json& event);

    ServerTransport& transport_;
    int instance_;
    std::string host_;
    std::map<std::string, Method> methods_;
    BurstFn burst_;
    std::function<double()> now_;
    std::map<int, std::string> clients_;  // client -> bytes of its unfinished line
    int calling_ = 0;                     // calls running
    std::vector<Json> deferred_;          // events of the running call
};
