#include "server/guide_server.h"

#include <chrono>

namespace {

// The program's version as the Version event gives it.
constexpr const char* kVersion = "1.0.0";

std::string Line(const Json& message) {
    // Invalid UTF-8 in an echoed value is replaced, never thrown.
    return message.dump(-1, ' ', false, Json::error_handler_t::replace) + "\r\n";
}

Json ErrorReply(int code, const std::string& message, const Json& id) {
    return Json{{"jsonrpc", "2.0"}, {"error", {{"code", code}, {"message", message}}}, {"id", id}};
}

}  // namespace

[[noreturn]] void ThrowBadParams(const std::string& why) { throw RpcError{kBadParams, why}; }
[[noreturn]] void ThrowRefused(const std::string& why) { throw RpcError{kRefused, why}; }

const Json* RpcParams::Get(size_t index, const char* name) const {
    if (p_.is_array()) return index < p_.size() ? &p_[index] : nullptr;
    if (p_.is_object() && name) {
        auto it = p_.find(name);
        return it == p_.end() ? nullptr : &*it;
    }
    return nullptr;
}

bool RpcParams::Bool(size_t index, const char* name, bool fallback) const {
    const Json* v = Get(index, name);
    if (!v || v->is_null()) return fallback;
    if (!v->is_boolean()) ThrowBadParams(std::string("parameter ") + name + " must be true or false");
    return v->get<bool>();
}

double RpcParams::Number(size_t index, const char* name, double fallback, bool required) const {
    const Json* v = Get(index, name);
    if (!v || v->is_null()) {
        if (required) ThrowBadParams(std::string("parameter ") + name + " is missing");
        return fallback;
    }
    if (!v->is_number()) ThrowBadParams(std::string("parameter ") + name + " must be a number");
    return v->get<double>();
}

std::string RpcParams::String(size_t index, const char* name, const std::string& fallback, bool required) const {
    const Json* v = Get(index, name);
    if (!v || v->is_null()) {
        if (required) ThrowBadParams(std::string("parameter ") + name + " is missing");
        return fallback;
    }
    if (!v->is_string()) ThrowBadParams(std::string("parameter ") + name + " must be a string");
    return v->get<std::string>();
}

double EventTimestamp() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count() / 1e6;
}

GuideServer::GuideServer(ServerTransport& transport, int instance, std::string host)
    : transport_(transport), instance_(instance), host_(std::move(host)), now_(EventTimestamp) {}

void GuideServer::AddMethod(const std::string& name, Method method) { methods_[name] = std::move(method); }

Json GuideServer::Stamped(const std::string& name, Json attributes) const {
    Json e = Json::object();
    e["Event"] = name;
    e["Timestamp"] = now_();
    e["Host"] = host_;
    e["Inst"] = instance_;
    for (auto& [key, value] : attributes.items()) e[key] = value;
    return e;
}

void GuideServer::Send(int client, const Json& message) {
    if (!clients_.count(client)) return;
    if (!transport_.Write(client, Line(message))) Drop(client);
}

void GuideServer::Drop(int client) {
    if (clients_.erase(client)) transport_.Close(client);
}

void GuideServer::Connected(int client) {
    clients_[client];
    Send(client, Stamped("Version", {{"PHDVersion", kVersion},
                                     {"PHDSubver", "Velmora"},
                                     {"MsgVersion", 1},
                                     {"OverlapSupport", true}}));
    std::vector<Json> burst;
    if (burst_) burst_(burst);
    for (Json& e : burst) {
        const std::string name = e.value("Event", "");
        e.erase("Event");
        Send(client, Stamped(name, std::move(e)));
    }
}

void GuideServer::Disconnected(int client) { clients_.erase(client); }

void GuideServer::Received(int client, const char* data, size_t size) {
    auto it = clients_.find(client);
    if (it == clients_.end()) return;
    std::string& buffer = it->second;
    buffer.append(data, size);
    size_t start = 0;
    for (;;) {
        const size_t end = buffer.find_first_of("\r\n", start);
        if (end == std::string::npos) break;
        if (end - start > kMaxLineBytes) {
            Drop(client);
            return;
        }
        const std::string line = buffer.substr(start, end - start);
        start = end + 1;
        if (line.empty()) continue;  // the LF of a CR LF, or a blank line
        const std::string reply = Answer(line);
        // The call may have lost the client (a failed write, a departure).
        it = clients_.find(client);
        if (it == clients_.end()) {
            Flush();
            return;
        }
        if (!transport_.Write(client, reply)) {
            Drop(client);
            Flush();
            return;
        }
        Flush();
        it = clients_.find(client);
        if (it == clients_.end()) return;
    }
    std::string& rest = clients_[client];
    rest.erase(0, start);
    if (rest.size() > kMaxLineBytes) Drop(client);
}

std::string GuideServer::Answer(const std::string& line) {
    Json request = Json::parse(line, nullptr, false);
    if (request.is_discarded()) return Line(ErrorReply(kParseError, "parse error: the line is not JSON", nullptr));
    if (!request.is_object()) return Line(ErrorReply(kInvalidRequest, "invalid request: not a JSON object", nullptr));
    const Json id = request.contains("id") ? request["id"] : Json(nullptr);
    auto method = request.find("method");
    if (method == request.end() || !method->is_string())
        return Line(ErrorReply(kInvalidRequest, "invalid request: no method name", id));
    const Json params = request.contains("params") ? request["params"] : Json::array();
    if (!params.is_array() && !params.is_object() && !params.is_null())
        return Line(ErrorReply(kBadParams, "params must be an array or an object", id));
    auto found = methods_.find(method->get<std::string>());
    if (found == methods_.end())
        return Line(ErrorReply(kUnknownMethod, "unknown method " + method->get<std::string>(), id));
    ++calling_;
    Json reply;
    try {
        const Json none = Json::array();
        Json result = found->second(RpcParams(params.is_null() ? none : params));
        reply = Json{{"jsonrpc", "2.0"}, {"result", result.is_null() ? Json(0) : result}, {"id", id}};
    } catch (const RpcError& e) {
        reply = ErrorReply(e.code, e.message, id);
    } catch (const Json::exception& e) {
        reply = ErrorReply(kBadParams, std::string("bad parameters: ") + e.what(), id);
    }
    --calling_;
    return Line(reply);
}

void GuideServer::Emit(const std::string& name, Json attributes) {
    Json e = Stamped(name, std::move(attributes));
    if (calling_ > 0) {
        deferred_.push_back(std::move(e));
        return;
    }
    Broadcast(e);
}

void GuideServer::Broadcast(const Json& event) {
    std::vector<int> ids;
    for (const auto& [id, _] : clients_) ids.push_back(id);
    for (int id : ids) Send(id, event);
}

void GuideServer::Flush() {
    std::vector<Json> events;
    events.swap(deferred_);
    for (const Json& e : events) Broadcast(e);
}
