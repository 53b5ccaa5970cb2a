// The guiding server's protocol core on arbitrary bytes from two clients:
// every line written back is one JSON object, an answer carries "jsonrpc"
// and an event never does.
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "server/guide_server.h"

namespace {

class CheckingTransport : public ServerTransport {
public:
    bool Write(int, const std::string& bytes) override {
        size_t start = 0;
        for (size_t end; (end = bytes.find("\r\n", start)) != std::string::npos; start = end + 2) {
            const Json j = Json::parse(bytes.substr(start, end - start), nullptr, false);
            if (j.is_discarded() || !j.is_object() || j.contains("jsonrpc") == j.contains("Event")) std::abort();
        }
        if (start != bytes.size()) std::abort();
        return true;
    }
    void Close(int) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Start();
    CheckingTransport transport;
    GuideServer server(transport, 1, "fuzz");
    server.SetClock([] { return 1.7e9; });
    server.AddMethod("echo", [](const RpcParams& p) { return p.Raw(); });
    server.AddMethod("number", [&](const RpcParams& p) {
        server.Emit("Settling", {{"Distance", p.Number(0, "distance", 0, true)}});
        return Json(p.Bool(1, "flag", false));
    });
    server.AddMethod("refuse", [](const RpcParams& p) -> Json { ThrowRefused(p.String(0, "why", "no")); });
    server.Connected(1);
    server.Connected(2);
    // The first byte of every chunk picks the client and the chunk's length.
    for (size_t i = 0; i < size;) {
        const int client = 1 + (data[i] & 1);
        const size_t n = std::min<size_t>(size - i - 1, 1 + (data[i] >> 1) * 8);
        server.Received(client, reinterpret_cast<const char*>(data + i + 1), n);
        i += n + 1;
    }
    server.Disconnected(1);
    server.Disconnected(2);
    return 0;
}
