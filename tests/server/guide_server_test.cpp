// Bad input to the guiding server's protocol core, without sockets: every
// request gets one answer (the right error code, a reason, its id), lines
// split at CR, LF or CR LF, an over-long line closes only its connection,
// and a client gone in the middle of a call harms nobody else.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>

#include "core/state.h"
#include "devices/sim/simulator.h"
#include "guiding/guider_state.h"
#include "server/guide_server.h"
#include "server/server_guider.h"
#include "support/test_env.h"

namespace {

class FakeTransport : public ServerTransport {
public:
    bool Write(int client, const std::string& bytes) override {
        if (gone.count(client)) return false;
        out[client] += bytes;
        return true;
    }
    void Close(int client) override { closed.insert(client); }
    // The lines written to a client since the last call.
    std::vector<std::string> Take(int client) {
        std::vector<std::string> lines;
        const std::string text = std::exchange(out[client], "");
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text.substr(start, end - start));
        EXPECT_EQ(start, text.size()) << "a line without CR LF";
        return lines;
    }
    std::map<int, std::string> out;
    std::set<int> closed, gone;
};

class GuideServerTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetGuider();
        State().settings.driveMethod = 'b';
        sim_ = std::make_unique<ScopedSimulator>();
    }
    void TearDown() override {
        guider_.reset();
        sim_.reset();
        VelmoraTest::TearDown();
    }
    // The responses among the lines (events dropped, checked to have no "jsonrpc").
    std::vector<Json> Responses(int client) {
        std::vector<Json> r;
        for (const std::string& line : transport_.Take(client)) {
            const Json j = Json::parse(line);
            if (j.contains("Event")) EXPECT_FALSE(j.contains("jsonrpc")) << line;
            else r.push_back(j);
        }
        return r;
    }
    void Send(int client, const std::string& text) { server_.Received(client, text.data(), text.size()); }

    FakeTransport transport_;
    GuideServer server_{transport_, 3, "test-host"};
    std::unique_ptr<ScopedSimulator> sim_;
    std::unique_ptr<ServerGuider> guider_;
};

const char* kSettle = R"({"pixels":1.5,"time":5,"timeout":60})";

TEST_F(GuideServerTest, BadInputGetsOneAnswerEachWithTheRightError) {
    guider_ = std::make_unique<ServerGuider>(server_, "Simulator");
    server_.Connected(1);
    server_.Connected(2);
    const std::vector<Json> burst = [&] {
        std::vector<Json> b;
        for (const std::string& l : transport_.Take(1)) b.push_back(Json::parse(l));
        return b;
    }();
    ASSERT_EQ(burst.size(), 2u);
    EXPECT_EQ(burst[0]["Event"], "Version");
    EXPECT_EQ(burst[0]["Inst"], 3);
    EXPECT_EQ(burst[0]["Host"], "test-host");
    EXPECT_EQ(burst[1]["Event"], "AppState");
    EXPECT_EQ(burst[1]["State"], "Stopped");
    transport_.Take(2);

    struct Row {
        int client;
        std::string line;
        Json id;
        int code;             // 0: a result
        std::string expect;   // a piece of the error message, or the result's JSON
    };
    const std::string settle = kSettle;
    const Row rows[] = {
        {1, "{oops\n", nullptr, kParseError, "not JSON"},
        {1, "[1,2]\n", nullptr, kInvalidRequest, "not a JSON object"},
        {1, "{\"id\":3}\n", 3, kInvalidRequest, "no method"},
        {1, "{\"method\":\"warp\",\"id\":4}\n", 4, kUnknownMethod, "warp"},
        {1, "{\"method\":\"set_connected\",\"params\":\"yes\",\"id\":5}\n", 5, kBadParams, "array or an object"},
        {1, "{\"method\":\"set_connected\",\"params\":[1],\"id\":6}\n", 6, kBadParams, "set_connected"},
        {1, "{\"method\":\"guide\",\"params\":[" + settle + "],\"id\":7}\n", 7, kRefused, "not connected"},
        {1, "{\"method\":\"set_connected\",\"params\":[true],\"id\":8}\n", 8, 0, "0"},
        {1, "{\"method\":\"set_exposure\",\"params\":[123],\"id\":9}\n", 9, kRefused, "could not set exposure duration"},
        {1, "{\"method\":\"set_exposure\",\"params\":[1e300],\"id\":9}\n", 9, kRefused, "could not set exposure"},
        {1, "{\"method\":\"set_exposure\",\"params\":{\"exposure\":2000},\"id\":9}\n", 9, 0, "0"},
        {1, "{\"method\":\"get_exposure\",\"id\":9}\n", 9, 0, "2000"},
        {1, "{\"method\":\"guide\",\"params\":[{\"pixels\":1.5}],\"id\":10}\n", 10, kBadParams, "settle.time"},
        {1, "{\"method\":\"get_algo_param\",\"params\":[\"z\",\"MinMove\"],\"id\":11}\n", 11, kBadParams, "axis"},
        {1, "{\"method\":\"set_algo_param\",\"params\":[\"ra\",\"Aggressiveness\",5],\"id\":12}\n", 12, kRefused,
         "between"},
        {1, "{\"method\":\"dither\",\"params\":[3,false," + settle + "],\"id\":13}\n", 13, kRefused, "not guiding"},
        // Accepted: settling runs from now on, so the next dither and guide are refused.
        {1, "{\"method\":\"guide\",\"params\":{\"settle\":" + settle + "},\"id\":14}\n", 14, 0, "0"},
        {1, "{\"method\":\"dither\",\"params\":[3,false," + settle + "],\"id\":15}\n", 15, kRefused, "settling"},
        {1, "{\"method\":\"guide\",\"params\":[" + settle + ",true],\"id\":\"x\"}\r\n", "x", kRefused, "settling"},
        // CR alone ends a line too, and blank lines are skipped.
        {1, "\r\n\n{\"method\":\"get_settling\",\"id\":17}\r", 17, 0, "true"},
        // The other client gets its own answer, with its own id.
        {2, "{\"method\":\"get_app_state\",\"id\":[\"two\"]}\n", Json::array({"two"}), 0, "\"Looping\""},
        {1, "{\"method\":\"get_profile\"}\n", nullptr, 0, "{\"id\":1,\"name\":\"Simulator\"}"},
    };
    for (const Row& row : rows) {
        Send(row.client, row.line);
        const std::vector<Json> answers = Responses(row.client);
        ASSERT_EQ(answers.size(), 1u) << row.line;
        const Json& a = answers[0];
        EXPECT_EQ(a["jsonrpc"], "2.0") << row.line;
        EXPECT_EQ(a["id"], row.id) << row.line;
        if (row.code == 0) {
            ASSERT_TRUE(a.contains("result")) << a.dump();
            EXPECT_EQ(a["result"].dump(), row.expect) << row.line;
        } else {
            ASSERT_TRUE(a.contains("error")) << a.dump();
            EXPECT_EQ(a["error"]["code"], row.code) << row.line;
            EXPECT_NE(a["error"]["message"].get<std::string>().find(row.expect), std::string::npos) << a.dump();
        }
        EXPECT_TRUE(Responses(3 - row.client).empty()) << "the other client got an answer to " << row.line;
    }

    // A line of more than 64 KiB closes that connection only; the request
    // split over two reads is answered once it is complete.
    Send(2, "{\"method\":\"get_paused\",\"params\":[\"" + std::string(kMaxLineBytes, 'a'));
    EXPECT_TRUE(transport_.closed.count(2));
    Send(1, "{\"method\":\"get_pa");
    EXPECT_TRUE(Responses(1).empty());
    Send(1, "used\",\"id\":20}\n");
    EXPECT_EQ(Responses(1).at(0)["result"], false);
    EXPECT_EQ(server_.ClientCount(), 1u);

    // A client gone in the middle of a call: its answer goes nowhere, it is
    // forgotten, and the others carry on.
    server_.Connected(4);
    transport_.gone.insert(4);
    Send(4, "{\"method\":\"stop_capture\",\"id\":21}\n");
    EXPECT_EQ(server_.ClientCount(), 1u);
    Send(1, "{\"method\":\"get_connected\",\"id\":22}\n");
    EXPECT_EQ(Responses(1).at(0)["result"], true);

    // The accepted guide ends with exactly one failed SettleDone when stopped.
    guider_->Step();
    int settleDone = 0;
    for (const std::string& line : transport_.Take(1)) {
        const Json e = Json::parse(line);
        if (e.value("Event", "") != "SettleDone") continue;
        ++settleDone;
        EXPECT_EQ(e["Status"], 1);
        EXPECT_FALSE(e["Error"].get<std::string>().empty());
    }
    EXPECT_EQ(settleDone, 1);
    EXPECT_EQ(guider_->AppState(), "Stopped");
}

}  // namespace
