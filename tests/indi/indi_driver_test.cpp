// End to end: indiserver runs indi_velmora_ccd on the simulator on a free
// local port; the test speaks INDI's XML over a socket (no libindi client):
// connect, full and binned frames, a sub-frame, a West pulse that moves the
// star, the guider head, the cooler, the filter wheel, refusals, disconnect.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kDevice = "Velmora CCD";

struct Element {
    std::string tag;
    std::map<std::string, std::string> attrs;
    std::string body;
    std::string Attr(const std::string& name) const {
        auto it = attrs.find(name);
        return it == attrs.end() ? std::string() : it->second;
    }
};

std::string Unescape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '&') {
            out += s[i];
            continue;
        }
        const size_t semi = s.find(';', i);
        if (semi == std::string::npos) {
            out += s[i];
            continue;
        }
        const std::string entity = s.substr(i + 1, semi - i - 1);
        if (entity == "lt") out += '<';
        else if (entity == "gt") out += '>';
        else if (entity == "amp") out += '&';
        else if (entity == "quot") out += '"';
        else if (entity == "apos") out += '\'';
        else out += "&" + entity + ";";
        i = semi;
    }
    return out;
}

// Takes one complete element off the front of `text` (leading text and XML
// declarations skipped); nullopt when it is not complete yet.
std::optional<Element> TakeElement(std::string& text) {
    for (;;) {
        const size_t lt = text.find('<');
        if (lt == std::string::npos) {
            text.clear();
            return std::nullopt;
        }
        if (text.compare(lt, 2, "<?") == 0) {
            const size_t end = text.find("?>", lt);
            if (end == std::string::npos) return std::nullopt;
            text.erase(0, end + 2);
            continue;
        }
        const size_t close = text.find('>', lt);
        if (close == std::string::npos) return std::nullopt;
        Element e;
        size_t p = lt + 1;
        while (p < close && !std::isspace(static_cast<unsigned char>(text[p])) && text[p] != '/' && text[p] != '>')
            e.tag += text[p++];
        // Attributes name="value".
        while (p < close) {
            while (p < close && (std::isspace(static_cast<unsigned char>(text[p])) || text[p] == '/')) ++p;
            const size_t eq = text.find('=', p);
            if (eq == std::string::npos || eq > close) break;
            const std::string name = text.substr(p, eq - p);
            const char quote = text[eq + 1];
            const size_t endq = text.find(quote, eq + 2);
            if (endq == std::string::npos) return std::nullopt;
            e.attrs[name] = Unescape(text.substr(eq + 2, endq - eq - 2));
            p = endq + 1;
        }
        if (text[close - 1] == '/') {
            text.erase(0, close + 1);
            return e;
        }
        const std::string endTag = "</" + e.tag + ">";
        const size_t end = text.find(endTag, close);
        if (end == std::string::npos) return std::nullopt;
        e.body = text.substr(close + 1, end - close - 1);
        text.erase(0, end + endTag.size());
        return e;
    }
}

std::vector<Element> Children(const Element& e) {
    std::vector<Element> out;
    std::string body = e.body;
    while (auto child = TakeElement(body)) out.push_back(*child);
    return out;
}

std::optional<double> NumberOf(const Element& vector, const std::string& name) {
    for (const Element& c : Children(vector))
        if (c.Attr("name") == name) return std::strtod(c.body.c_str(), nullptr);
    return std::nullopt;
}

std::string SwitchOf(const Element& vector, const std::string& name) {
    for (const Element& c : Children(vector))
        if (c.Attr("name") == name) {
            std::string v = c.body;
            v.erase(std::remove_if(v.begin(), v.end(), [](char ch) { return std::isspace(static_cast<unsigned char>(ch)); }),
                    v.end());
            return v;
        }
    return "";
}

// The properties a stream updates while they are not defined (defNumber and
// the like define, delProperty removes one or, without a name, all).
std::vector<std::string> UpdatedUndefined(const std::vector<Element>& stream) {
    std::vector<std::string> defined, wrong;
    for (const Element& e : stream) {
        const std::string name = e.Attr("name");
        if (e.tag.rfind("def", 0) == 0) {
            defined.push_back(name);
        } else if (e.tag == "delProperty") {
            if (name.empty()) defined.clear();
            std::erase(defined, name);
        } else if (e.tag.rfind("set", 0) == 0 && std::find(defined.begin(), defined.end(), name) == defined.end()) {
            wrong.push_back(name);
        }
    }
    return wrong;
}

std::vector<uint8_t> Base64(const std::string& text) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    int table[256];
    std::fill(std::begin(table), std::end(table), -1);
    for (size_t i = 0; i < alphabet.size(); ++i) table[uint8_t(alphabet[i])] = int(i);
    std::vector<uint8_t> out;
    out.reserve(text.size() * 3 / 4);
    uint32_t acc = 0;
    int bits = 0;
    for (char c : text) {
        const int v = table[uint8_t(c)];
        if (v < 0) continue;
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(uint8_t(acc >> bits));
        }
    }
    return out;
}

// A 16-bit FITS image: its header numbers and pixels.
struct FitsImage {
    int bitpix = 0, width = 0, height = 0;
    double bzero = 0;
    std::string filter;  // the FILTER card's text
    int xorg = -1, yorg = -1;  // XORGSUBF, YORGSUBF
    std::vector<int> pixels;
    int At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

std::optional<FitsImage> ParseFits(const std::vector<uint8_t>& bytes) {
    FitsImage image;
    size_t card = 0;
    bool end = false;
    for (; (card + 1) * 80 <= bytes.size(); ++card) {
        const std::string c(reinterpret_cast<const char*>(&bytes[card * 80]), 80);
        const std::string key = c.substr(0, 8);
        const double value = c.size() > 10 ? std::strtod(c.c_str() + 10, nullptr) : 0;
        if (key == "BITPIX  ") image.bitpix = int(value);
        if (key == "NAXIS1  ") image.width = int(value);
        if (key == "NAXIS2  ") image.height = int(value);
        if (key == "BZERO   ") image.bzero = value;
        if (key == "XORGSUBF") image.xorg = int(value);
        if (key == "YORGSUBF") image.yorg = int(value);
        if (key == "FILTER  ") {
            const size_t a = c.find('\''), b = c.find('\'', a + 1);
            if (a != std::string::npos && b != std::string::npos) image.filter = c.substr(a + 1, b - a - 1);
            while (!image.filter.empty() && image.filter.back() == ' ') image.filter.pop_back();
        }
        if (key == "END     ") {
            end = true;
            break;
        }
    }
    if (!end || image.bitpix != 16 || image.width <= 0 || image.height <= 0) return std::nullopt;
    const size_t data = (card * 80 / 2880 + 1) * 2880;
    const size_t count = size_t(image.width) * image.height;
    if (data + count * 2 > bytes.size()) return std::nullopt;
    image.pixels.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const int16_t raw = int16_t((bytes[data + 2 * i] << 8) | bytes[data + 2 * i + 1]);
        image.pixels[i] = int(raw + image.bzero);
    }
    return image;
}

int Median(const FitsImage& image) {
    std::vector<int> v = image.pixels;
    std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
    return v[v.size() / 2];
}

// Local maxima standing at least `above` over the median: the stars.
struct Peak {
    int x, y, value;
};
std::vector<Peak> Stars(const FitsImage& image, int above, int margin) {
    const int level = Median(image) + above;
    std::vector<Peak> peaks;
    for (int y = std::max(1, margin); y < image.height - std::max(1, margin); ++y)
        for (int x = std::max(1, margin); x < image.width - std::max(1, margin); ++x) {
            const int v = image.At(x, y);
            if (v < level) continue;
            bool top = true;
            for (int dy = -1; dy <= 1 && top; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx || dy) && (image.At(x + dx, y + dy) > v || (image.At(x + dx, y + dy) == v && (dy < 0 || (dy == 0 && dx < 0))))) {
                        top = false;
                        break;
                    }
            if (top) peaks.push_back({x, y, v});
        }
    std::sort(peaks.begin(), peaks.end(), [](const Peak& a, const Peak& b) { return a.value > b.value; });
    return peaks;
}

// Intensity-weighted centre of the light above the median in a box.
std::pair<double, double> Centroid(const FitsImage& image, double cx, double cy, int half) {
    const int background = Median(image);
    double sum = 0, sx = 0, sy = 0;
    for (int y = int(cy) - half; y <= int(cy) + half; ++y)
        for (int x = int(cx) - half; x <= int(cx) + half; ++x) {
            if (x < 0 || y < 0 || x >= image.width || y >= image.height) continue;
            const double w = std::max(0, image.At(x, y) - background - 30);
            sum += w;
            sx += w * x;
            sy += w * y;
        }
    if (sum <= 0) return {cx, cy};
    return {sx / sum, sy / sum};
}

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
    const int port = ntohs(addr.sin_port);
    close(fd);
    return port;
}

// indiserver with the driver, in its own process group so that the test can
// end the server and the driver together.
class IndiServer {
public:
    // asanOptions go after the sanitizer options in force (a sanitizer
    // build's driver).
    bool Start(const std::string& dir, bool simulate, const std::string& asanOptions = "") {
        port_ = FreePort();
        std::vector<std::string> env;
        std::string asan;
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            if (entry.rfind("VELMORA_", 0) == 0 || entry.rfind("HOME=", 0) == 0) continue;
            if (entry.rfind("ASAN_OPTIONS=", 0) == 0) {
                asan = entry.substr(13);
                continue;
            }
            env.push_back(entry);
        }
        if (!asanOptions.empty()) asan += (asan.empty() ? "" : ":") + asanOptions;
        if (!asan.empty()) env.push_back("ASAN_OPTIONS=" + asan);
        if (simulate) env.push_back("VELMORA_SIMULATE=1");
        env.push_back("VELMORA_SIM_MODEL=4");
        env.push_back("VELMORA_HOME=" + dir);
        env.push_back("HOME=" + dir);
        std::vector<char*> envp;
        for (std::string& e : env) envp.push_back(e.data());
        envp.push_back(nullptr);
        std::string program = INDISERVER_PATH, portText = std::to_string(port_), driver = INDI_DRIVER_PATH;
        // Its own local socket (the default one is shared by every
        // indiserver of the machine), and a driver that dies stays dead.
        std::string p = "-p", u = "-u", socketPath = dir + "/indiserver.socket", r = "-r", zero = "0";
        std::vector<char*> argv{program.data(), p.data(), portText.data(), u.data(), socketPath.data(),
                                r.data(), zero.data(), driver.data(), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        const std::string log = dir + "/indiserver.log";
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawnattr_t attr;
        posix_spawnattr_init(&attr);
        posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attr, 0);
        const int rc = posix_spawn(&pid_, program.c_str(), &actions, &attr, argv.data(), envp.data());
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attr);
        if (rc != 0) pid_ = 0;
        return rc == 0;
    }
    ~IndiServer() { Stop(); }
    void Stop() {
        if (pid_ <= 0) return;
        const pid_t group = pid_;
        kill(-group, SIGTERM);
        bool reaped = false;
        for (int i = 0; i < 30 && !reaped; ++i) {
            reaped = waitpid(pid_, nullptr, WNOHANG) == pid_;
            if (!reaped) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        // Whatever is left of the group (the driver) goes too.
        kill(-group, SIGKILL);
        if (!reaped) waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
    int Port() const { return port_; }
    pid_t Pid() const { return pid_; }

private:
    pid_t pid_ = 0;
    int port_ = 0;
};

class IndiClient {
public:
    ~IndiClient() {
        if (fd_ >= 0) close(fd_);
    }
    bool Connect(int port, int timeoutMs) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < end) {
            fd_ = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in addr{};
            addr.sin_family = AF_INET;
            addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
            addr.sin_port = htons(uint16_t(port));
            if (connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return true;
            close(fd_);
            fd_ = -1;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return false;
    }
    void Send(const std::string& xml) {
        size_t sent = 0;
        while (sent < xml.size()) {
            const ssize_t n = send(fd_, xml.data() + sent, xml.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return;
            sent += size_t(n);
        }
    }
    // Index of the next element to arrive.
    size_t Mark() const { return seen_.size(); }
    const std::vector<Element>& Seen() const { return seen_; }
    // The first element from `from` on that matches; waits up to timeoutMs.
    std::optional<Element> WaitFor(const std::function<bool(const Element&)>& match, int timeoutMs, size_t from) {
        const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        size_t next = from;
        for (;;) {
            for (; next < seen_.size(); ++next)
                if (match(seen_[next])) return seen_[next];
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
            if (left <= 0) return std::nullopt;
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, int(std::min<long long>(left, 200))) > 0) {
                char chunk[1 << 16];
                const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
                if (n <= 0) return std::nullopt;
                buffer_.append(chunk, size_t(n));
                while (auto e = TakeElement(buffer_)) {
                    if (e->tag == "setBLOBVector") blobs_.push_back(*e);
                    // BLOB bodies are kept once, outside the element list.
                    if (e->tag == "setBLOBVector") e->body.clear();
                    seen_.push_back(*e);
                }
            }
        }
    }
    // A vector property update of `name` (def or set), in `state` when given.
    std::optional<Element> WaitProperty(const std::string& name, const std::string& state, int timeoutMs,
                                        size_t from) {
        return WaitFor(
            [&](const Element& e) {
                return e.tag.find("Vector") != std::string::npos && e.tag.rfind("new", 0) != 0 &&
                       e.Attr("device") == kDevice && e.Attr("name") == name &&
                       (state.empty() || e.Attr("state") == state);
            },
            timeoutMs, from);
    }
    std::optional<Element> WaitMessage(const std::string& part, int timeoutMs, size_t from) {
        return WaitFor([&](const Element& e) { return e.tag == "message" && e.Attr("message").find(part) != std::string::npos; },
                       timeoutMs, from);
    }
    // The oldest BLOB of a property not taken yet.
    std::optional<Element> TakeBlob(const std::string& name) {
        for (auto it = blobs_.begin(); it != blobs_.end(); ++it)
            if (it->Attr("name") == name) {
                Element e = *it;
                blobs_.erase(it);
                return e;
            }
        return std::nullopt;
    }

private:
    int fd_ = -1;
    std::string buffer_;
    std::vector<Element> seen_;
    std::vector<Element> blobs_;
};

std::string NewNumber(const std::string& name, const std::vector<std::pair<std::string, double>>& values) {
    std::string xml = "<newNumberVector device=\"" + std::string(kDevice) + "\" name=\"" + name + "\">";
    for (const auto& [element, value] : values)
        xml += "<oneNumber name=\"" + element + "\">" + std::to_string(value) + "</oneNumber>";
    return xml + "</newNumberVector>";
}

std::string NewSwitch(const std::string& name, const std::string& element) {
    return "<newSwitchVector device=\"" + std::string(kDevice) + "\" name=\"" + name + "\"><oneSwitch name=\"" +
           element + "\">On</oneSwitch></newSwitchVector>";
}

class IndiDriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(INDISERVER_PATH).empty() || !std::filesystem::exists(INDISERVER_PATH))
            GTEST_SKIP() << "indiserver is not installed";
        char pattern[] = "/tmp/velmora_indi_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        // The free port can be taken before indiserver binds it: then again
        // on another one.
        bool listening = false;
        for (int attempt = 0; attempt < 3 && !listening; ++attempt) {
            ASSERT_TRUE(server_.Start(dir_, Simulate(), driverAsanOptions_));
            listening = client_.Connect(server_.Port(), 5000);
            if (!listening) server_.Stop();
        }
        ASSERT_TRUE(listening) << "indiserver did not listen";
    }
    virtual bool Simulate() const { return true; }
    void TearDown() override {
        server_.Stop();
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
    }

    // Takes an exposure of the main camera (CCD1) or the guider (CCD2) and
    // returns the decoded FITS image; checks the BLOB's size rules.
    std::optional<FitsImage> Expose(const std::string& property, const std::string& element, double seconds,
                                    const std::string& blobName) {
        return ExposeOn(client_, property, element, seconds, blobName);
    }
    std::optional<FitsImage> ExposeOn(IndiClient& client, const std::string& property, const std::string& element,
                                      double seconds, const std::string& blobName) {
        const size_t mark = client.Mark();
        client.Send(NewNumber(property, {{element, seconds}}));
        auto done = client.WaitFor(
            [&](const Element& e) {
                return (e.tag == "setBLOBVector" && e.Attr("name") == blobName) ||
                       (e.Attr("name") == property && e.Attr("state") == "Alert");
            },
            30000, mark);
        if (!done || done->tag != "setBLOBVector") {
            ADD_FAILURE() << property << " gave no image";
            return std::nullopt;
        }
        auto blob = client.TakeBlob(blobName);
        if (!blob) return std::nullopt;
        const std::vector<Element> parts = Children(*blob);
        if (parts.empty()) return std::nullopt;
        const Element& one = parts[0];
        EXPECT_EQ(one.Attr("format"), ".fits");
        const std::vector<uint8_t> bytes = Base64(one.body);
        EXPECT_EQ(std::to_string(bytes.size()), one.Attr("size"));
        // A FITS file is whole blocks of 2880 bytes.
        EXPECT_EQ(bytes.size() % 2880, 0u);
        auto image = ParseFits(bytes);
        if (image) {
            const size_t data = size_t(image->width) * image->height * 2;
            EXPECT_GE(bytes.size(), data + 2880);
            EXPECT_LT(bytes.size(), data + 2880 * 12);
        }
        return image;
    }

    std::string dir_;
    std::string driverAsanOptions_;
    IndiServer server_;
    IndiClient client_;
};

TEST_F(IndiDriverTest, SimulatedCameraEndToEnd) {
    const auto deadline = Clock::now() + std::chrono::seconds(90);
    client_.Send("<getProperties version=\"1.7\"/>");
    ASSERT_TRUE(client_.WaitProperty("CONNECTION", "", 10000, 0)) << "the driver did not define its properties";
    client_.Send("<enableBLOB device=\"Velmora CCD\">Also</enableBLOB>");

    size_t mark = client_.Mark();
    client_.Send(NewSwitch("CONNECTION", "CONNECT"));
    ASSERT_TRUE(client_.WaitProperty("CONNECTION", "Ok", 15000, mark));
    // The sensor of model 4 (Fir) from the camera model table.
    auto info = client_.WaitFor(
        [](const Element& e) {
            return e.Attr("name") == "CCD_INFO" && e.tag.rfind("new", 0) != 0 &&
                   NumberOf(e, "CCD_PIXEL_SIZE").value_or(0) > 0;
        },
        5000, mark);
    ASSERT_TRUE(info);
    EXPECT_EQ(NumberOf(*info, "CCD_MAX_X"), 2048);
    EXPECT_EQ(NumberOf(*info, "CCD_MAX_Y"), 2048);
    EXPECT_NEAR(NumberOf(*info, "CCD_PIXEL_SIZE").value_or(0), 7.4, 1e-6);
    // The guide head's own pixels (the standard guider's), the one format
    // the driver sends, and its own filter wheel.
    auto guiderInfo = client_.WaitFor(
        [](const Element& e) { return e.Attr("name") == "GUIDER_INFO" && NumberOf(e, "CCD_PIXEL_SIZE_Y") > 0; }, 5000, mark);
    ASSERT_TRUE(guiderInfo);
    EXPECT_NEAR(NumberOf(*guiderInfo, "CCD_PIXEL_SIZE_X").value_or(0), 9.8, 1e-6);
    EXPECT_NEAR(NumberOf(*guiderInfo, "CCD_PIXEL_SIZE_Y").value_or(0), 12.6, 1e-6);
    auto format = client_.WaitProperty("CCD_CAPTURE_FORMAT", "", 5000, 0);
    ASSERT_TRUE(format);
    ASSERT_EQ(Children(*format).size(), 1u);
    EXPECT_EQ(SwitchOf(*format, "INDI_MONO"), "On");
    auto active = client_.WaitProperty("ACTIVE_DEVICES", "", 5000, 0);
    ASSERT_TRUE(active);
    const std::vector<Element> devices = Children(*active);
    ASSERT_GE(devices.size(), 4u);
    EXPECT_EQ(devices[3].Attr("name"), "ACTIVE_FILTER");
    EXPECT_NE(devices[3].body.find(kDevice), std::string::npos) << devices[3].body;

    // A 1 s full frame.
    auto full = Expose("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 1.0, "CCD1");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->width, 2048);
    EXPECT_EQ(full->height, 2048);
    const std::vector<Peak> stars = Stars(*full, 300, 160);
    ASSERT_GE(stars.size(), 3u) << "no stars in the full frame";
    const auto [sx, sy] = Centroid(*full, stars[0].x, stars[0].y, 6);

    // A 2 x 2 binned frame: half the size, the star at half its position.
    mark = client_.Mark();
    client_.Send(NewNumber("CCD_BINNING", {{"HOR_BIN", 2}, {"VER_BIN", 2}}));
    ASSERT_TRUE(client_.WaitProperty("CCD_BINNING", "Ok", 5000, mark));
    // 1.5 s: timed on the host, read with the immediate read request.
    auto binned = Expose("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 1.5, "CCD1");
    ASSERT_TRUE(binned);
    EXPECT_EQ(binned->width, 1024);
    EXPECT_EQ(binned->height, 1024);
    EXPECT_GE(Stars(*binned, 300, 2).size(), 3u);
    const auto [bx, by] = Centroid(*binned, sx / 2, sy / 2, 4);
    EXPECT_NEAR(bx, sx / 2, 1.5);
    EXPECT_NEAR(by, sy / 2, 1.5);

    // A binning out of range is refused with an alert and the reason.
    mark = client_.Mark();
    client_.Send(NewNumber("CCD_BINNING", {{"HOR_BIN", 9}, {"VER_BIN", 9}}));
    EXPECT_TRUE(client_.WaitProperty("CCD_BINNING", "Alert", 5000, mark));
    EXPECT_TRUE(client_.WaitMessage("binning 9x9 is not available", 5000, mark));
    mark = client_.Mark();
    client_.Send(NewNumber("CCD_BINNING", {{"HOR_BIN", 1}, {"VER_BIN", 1}}));
    ASSERT_TRUE(client_.WaitProperty("CCD_BINNING", "Ok", 5000, mark));

    // The filter wheel: seven positions named from the settings file (slot n
    // names filter n), then filter 3.
    auto names = client_.WaitProperty("FILTER_NAME", "", 1000, 0);
    ASSERT_TRUE(names);
    const std::vector<Element> slots = Children(*names);
    ASSERT_EQ(slots.size(), 7u);
    EXPECT_EQ(slots[0].Attr("name"), "FILTER_SLOT_NAME_1");
    EXPECT_NE(slots[2].body.find("Filter 4"), std::string::npos);
    // The filter wheel: filter 3.
    mark = client_.Mark();
    client_.Send(NewNumber("FILTER_SLOT", {{"FILTER_SLOT_VALUE", 3}}));
    auto slot = client_.WaitProperty("FILTER_SLOT", "Ok", 10000, mark);
    ASSERT_TRUE(slot);
    EXPECT_EQ(NumberOf(*slot, "FILTER_SLOT_VALUE"), 3);
    // The following frames name it in their header (slot 3's name).

    // A 256 x 256 sub-frame around the star, before and after a 1 s pulse
    // West: the picture moves -x at the simulated guide rate (3 px/s), the
    // way the default direction letters take West.
    const int fx = int(std::lround(sx)) - 128, fy = int(std::lround(sy)) - 128;
    mark = client_.Mark();
    client_.Send(NewNumber("CCD_FRAME", {{"X", fx}, {"Y", fy}, {"WIDTH", 256}, {"HEIGHT", 256}}));
    ASSERT_TRUE(client_.WaitProperty("CCD_FRAME", "Ok", 5000, mark));
    auto before = Expose("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 1.0, "CCD1");
    ASSERT_TRUE(before);
    EXPECT_EQ(before->width, 256);
    EXPECT_EQ(before->height, 256);
    EXPECT_EQ(before->filter, "Filter 4");
    EXPECT_EQ(before->xorg, fx);
    EXPECT_EQ(before->yorg, fy);
    const auto [x1, y1] = Centroid(*before, sx - fx, sy - fy, 6);
    EXPECT_NEAR(x1, sx - fx, 1.0);
    EXPECT_NEAR(y1, sy - fy, 1.0);
    mark = client_.Mark();
    client_.Send(NewNumber("TELESCOPE_TIMED_GUIDE_WE", {{"TIMED_GUIDE_W", 1000}, {"TIMED_GUIDE_E", 0}}));
    // Busy while the relay is held, Idle once released.
    ASSERT_TRUE(client_.WaitProperty("TELESCOPE_TIMED_GUIDE_WE", "Busy", 5000, mark));
    ASSERT_TRUE(client_.WaitProperty("TELESCOPE_TIMED_GUIDE_WE", "Idle", 5000, mark));
    auto after = Expose("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 1.0, "CCD1");
    ASSERT_TRUE(after);
    const auto [x2, y2] = Centroid(*after, x1 - 3, y1, 8);
    std::printf("star at (%.2f, %.2f), binned (%.2f, %.2f); after 1 s West it moved (%.2f, %.2f) px\n", sx, sy, bx, by, x2 - x1, y2 - y1);
    EXPECT_LT(x2 - x1, -1.0) << "the star did not move west";
    EXPECT_GT(x2 - x1, -8.0);
    EXPECT_LT(std::abs(y2 - y1), 1.5);

    // A frame off the sensor is refused.
    mark = client_.Mark();
    client_.Send(NewNumber("CCD_FRAME", {{"X", 2000}, {"Y", 0}, {"WIDTH", 256}, {"HEIGHT", 256}}));
    EXPECT_TRUE(client_.WaitProperty("CCD_FRAME", "Alert", 5000, mark));
    EXPECT_TRUE(client_.WaitMessage("Sorry, outside Image area - try again", 5000, mark));

    // An aborted exposure delivers no image.
    mark = client_.Mark();
    client_.Send(NewNumber("CCD_EXPOSURE", {{"CCD_EXPOSURE_VALUE", 3}}));
    ASSERT_TRUE(client_.WaitProperty("CCD_EXPOSURE", "Busy", 5000, mark));
    client_.Send(NewSwitch("CCD_ABORT_EXPOSURE", "ABORT"));
    EXPECT_TRUE(client_.WaitProperty("CCD_ABORT_EXPOSURE", "Ok", 5000, mark));
    EXPECT_FALSE(client_.WaitFor([](const Element& e) { return e.tag == "setBLOBVector"; }, 3500, mark));
    client_.TakeBlob("CCD1");

    // The guider head: 500 x 290.
    auto guider = Expose("GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE", 0.5, "CCD2");
    ASSERT_TRUE(guider);
    EXPECT_EQ(guider->width, 500);
    EXPECT_EQ(guider->height, 290);

    // The cooler: 13 degrees, reached from the 15 degrees ambient.
    mark = client_.Mark();
    client_.Send(NewNumber("CCD_TEMPERATURE", {{"CCD_TEMPERATURE_VALUE", 13}}));
    auto cooled = client_.WaitFor(
        [](const Element& e) {
            return e.Attr("name") == "CCD_TEMPERATURE" && e.Attr("state") == "Ok" &&
                   NumberOf(e, "CCD_TEMPERATURE_VALUE") == 13;
        },
        20000, mark);
    EXPECT_TRUE(cooled) << "the cooler did not reach 13 degrees";
    auto cooler = client_.WaitProperty("CCD_COOLER", "", 5000, mark);
    ASSERT_TRUE(cooler);
    EXPECT_EQ(SwitchOf(*cooler, "COOLER_ON"), "On");

    // A filter renamed from INDI goes into the program's settings file (8
    // characters, as the program defaults dialog keeps them) and comes back
    // from it on the next connection.
    mark = client_.Mark();
    client_.Send("<newTextVector device=\"Velmora CCD\" name=\"FILTER_NAME\"><oneText name=\"FILTER_SLOT_NAME_1\">"
                 "Hydrogen-alpha</oneText></newTextVector>");
    EXPECT_TRUE(client_.WaitProperty("FILTER_NAME", "Ok", 5000, mark));
    mark = client_.Mark();
    client_.Send(NewSwitch("CONNECTION", "DISCONNECT"));
    ASSERT_TRUE(client_.WaitFor(
        [](const Element& e) { return e.Attr("name") == "CONNECTION" && SwitchOf(e, "DISCONNECT") == "On"; }, 10000,
        mark));
    mark = client_.Mark();
    client_.Send(NewSwitch("CONNECTION", "CONNECT"));
    ASSERT_TRUE(client_.WaitProperty("CONNECTION", "Ok", 15000, mark));
    auto renamed = client_.WaitFor(
        [](const Element& e) { return e.tag == "defTextVector" && e.Attr("name") == "FILTER_NAME"; }, 5000, mark);
    ASSERT_TRUE(renamed);
    ASSERT_FALSE(Children(*renamed).empty());
    std::string first = Children(*renamed)[0].body;
    first.erase(std::remove_if(first.begin(), first.end(), [](char c) { return std::isspace(static_cast<unsigned char>(c)); }),
                first.end());
    EXPECT_EQ(first, "Hydrogen");

    mark = client_.Mark();
    client_.Send(NewSwitch("CONNECTION", "DISCONNECT"));
    auto off = client_.WaitFor(
        [](const Element& e) { return e.Attr("name") == "CONNECTION" && SwitchOf(e, "DISCONNECT") == "On"; }, 10000,
        mark);
    EXPECT_TRUE(off);
    // Through two connections every update came after its definition.
    EXPECT_EQ(UpdatedUndefined(client_.Seen()), std::vector<std::string>{});
    EXPECT_LT(Clock::now(), deadline);
}

// Binnings the camera has no mode for, the countdown of a host-timed
// exposure, and guider sub-frames at the head's own and the host's binning.
TEST_F(IndiDriverTest, EveryBinningTheCountdownAndGuiderSubFrames) {
    client_.Send("<getProperties version=\"1.7\"/>");
    ASSERT_TRUE(client_.WaitProperty("CONNECTION", "", 10000, 0));
    client_.Send("<enableBLOB device=\"Velmora CCD\">Also</enableBLOB>");
    size_t mark = client_.Mark();
    client_.Send(NewSwitch("CONNECTION", "CONNECT"));
    ASSERT_TRUE(client_.WaitProperty("CONNECTION", "Ok", 15000, mark));

    // The 2048 x 2048 sensor at binnings read 1 x 1 and averaged.
    struct Binning {
        int hor, ver, width, height;
    };
    for (const Binning& b : {Binning{5, 5, 409, 409}, Binning{6, 6, 341, 341}, Binning{7, 7, 292, 292},
                             Binning{2, 3, 1024, 682}}) {
        mark = client_.Mark();
        client_.Send(NewNumber("CCD_BINNING", {{"HOR_BIN", b.hor}, {"VER_BIN", b.ver}}));
        ASSERT_TRUE(client_.WaitProperty("CCD_BINNING", "Ok", 5000, mark)) << b.hor << "x" << b.ver;
        auto image = Expose("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 0.2, "CCD1");
        ASSERT_TRUE(image) << b.hor << "x" << b.ver;
        EXPECT_EQ(image->width, b.width);
        EXPECT_EQ(image->height, b.height);
        EXPECT_GE(Stars(*image, 300, 2).size(), 3u) << b.hor << "x" << b.ver;
    }

    // A 3.2 s exposure tells the time left at least once a second.
    mark = client_.Mark();
    auto image = Expose("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 3.2, "CCD1");
    ASSERT_TRUE(image);
    std::vector<double> left;
    for (size_t i = mark; i < client_.Seen().size(); ++i) {
        const Element& e = client_.Seen()[i];
        if (e.tag == "setNumberVector" && e.Attr("name") == "CCD_EXPOSURE" && e.Attr("state") == "Busy")
            left.push_back(NumberOf(e, "CCD_EXPOSURE_VALUE").value_or(-1));
    }
    ASSERT_GE(left.size(), 4u);
    EXPECT_NEAR(left.front(), 3.2, 1e-6);
    for (size_t i = 1; i < left.size(); ++i) EXPECT_LE(left[i - 1] - left[i], 1.15) << "after " << left[i - 1] << " s";
    EXPECT_LE(left.back(), 1.15);

    // The guider's brightest star on the whole frame, then a 200 x 120
    // sub-frame around it at 1 x 1, the head's 2 x 2 and the host's 3 x 3.
    auto whole = Expose("GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE", 0.5, "CCD2");
    ASSERT_TRUE(whole);
    const std::vector<Peak> peaks = Stars(*whole, 8000, 12);
    ASSERT_FALSE(peaks.empty());
    const auto [gx, gy] = Centroid(*whole, peaks[0].x, peaks[0].y, 4);
    const int x0 = std::clamp(int(gx) - 100, 0, 300), y0 = std::clamp(int(gy) - 60, 0, 170);
    mark = client_.Mark();
    client_.Send(NewNumber("GUIDER_FRAME", {{"X", x0}, {"Y", y0}, {"WIDTH", 200}, {"HEIGHT", 120}}));
    ASSERT_TRUE(client_.WaitProperty("GUIDER_FRAME", "Ok", 5000, mark));
    struct GuiderCase {
        int bin, width, height;
    };
    for (const GuiderCase& c : {GuiderCase{1, 200, 120}, GuiderCase{2, 100, 60}, GuiderCase{3, 66, 40}}) {
        mark = client_.Mark();
        client_.Send(NewNumber("GUIDER_BINNING", {{"HOR_BIN", c.bin}, {"VER_BIN", c.bin}}));
        ASSERT_TRUE(client_.WaitProperty("GUIDER_BINNING", "Ok", 5000, mark)) << c.bin;
        auto part = Expose("GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE", 0.5, "CCD2");
        ASSERT_TRUE(part) << c.bin;
        EXPECT_EQ(part->width, c.width);
        EXPECT_EQ(part->height, c.height);
        EXPECT_EQ(part->xorg, x0 / c.bin);
        EXPECT_EQ(part->yorg, y0 / c.bin);
        const double ex = (gx - x0) / c.bin, ey = (gy - y0) / c.bin;
        const auto [px, py] = Centroid(*part, ex, ey, 4);
        EXPECT_NEAR(px, ex, 1.5) << c.bin;
        EXPECT_NEAR(py, ey, 1.5) << c.bin;
    }
    // A guider frame off the head is refused.
    mark = client_.Mark();
    client_.Send(NewNumber("GUIDER_FRAME", {{"X", 400}, {"Y", 0}, {"WIDTH", 200}, {"HEIGHT", 120}}));
    EXPECT_TRUE(client_.WaitProperty("GUIDER_FRAME", "Alert", 5000, mark));
}

// Without VELMORA_SIMULATE the driver looks on USB, where the test machine
// has no camera: the connection ends in an alert with the program's text,
// the driver goes on, and the SIMULATION switch then connects.
class IndiDriverNoCameraTest : public IndiDriverTest {
protected:
    bool Simulate() const override { return false; }
};

TEST_F(IndiDriverNoCameraTest, MissingCameraIsAnAlertThenSimulationConnects) {
    client_.Send("<getProperties version=\"1.7\"/>");
    ASSERT_TRUE(client_.WaitProperty("CONNECTION", "", 10000, 0));
    auto simulation = client_.WaitProperty("SIMULATION", "", 5000, 0);
    ASSERT_TRUE(simulation);
    EXPECT_EQ(SwitchOf(*simulation, "DISABLE"), "On");
    size_t mark = client_.Mark();
    client_.Send(NewSwitch("CONNECTION", "CONNECT"));
    EXPECT_TRUE(client_.WaitProperty("CONNECTION", "Alert", 15000, mark));
    EXPECT_TRUE(client_.WaitMessage("Sorry, No camera found on USB", 5000, mark));
    mark = client_.Mark();
    client_.Send(NewSwitch("SIMULATION", "ENABLE"));
    ASSERT_TRUE(client_.WaitProperty("SIMULATION", "Ok", 5000, mark));
    mark = client_.Mark();
    client_.Send(NewSwitch("CONNECTION", "CONNECT"));
    EXPECT_TRUE(client_.WaitProperty("CONNECTION", "Ok", 15000, mark));
}

// The driver under a rough client: one that goes away mid-exposure, one that
// aborts during the read-out, two at once, a burst of a thousand changes.
// After each the driver is the same process and a fresh client can still
// connect and expose.
class IndiRoughClientTest : public IndiDriverTest {
protected:
    void SetUp() override {
        IndiDriverTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(Attach(client_, true));
        driver_ = DriverPid();
        ASSERT_GT(driver_, 0) << "no driver process under indiserver";
    }
    // Properties, BLOBs, and the camera connected (by this client when
    // `connect`).
    static bool Attach(IndiClient& client, bool connect) {
        client.Send("<getProperties version=\"1.7\"/>");
        if (!client.WaitProperty("CONNECTION", "", 10000, 0)) return false;
        client.Send("<enableBLOB device=\"Velmora CCD\">Also</enableBLOB>");
        if (!connect) return true;
        const size_t mark = client.Mark();
        client.Send(NewSwitch("CONNECTION", "CONNECT"));
        return client.WaitProperty("CONNECTION", "Ok", 15000, mark).has_value();
    }
    // The driver: indiserver's child.
    pid_t DriverPid() const {
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") != std::string::npos) continue;
            FILE* f = std::fopen((entry.path() / "stat").c_str(), "r");
            if (!f) continue;
            int pid = 0, ppid = 0;
            char state = 0;
            char comm[64] = {};
            const int got = std::fscanf(f, "%d (%63[^)]) %c %d", &pid, comm, &state, &ppid);
            std::fclose(f);
            if (got == 4 && ppid == server_.Pid() && std::string(comm).rfind("indi_velmora", 0) == 0) return pid;
        }
        return 0;
    }
    // Resident memory of a process in kB (VmRSS); -1 when it is gone.
    static long RssKb(pid_t pid) {
        FILE* f = std::fopen(("/proc/" + std::to_string(pid) + "/status").c_str(), "r");
        if (!f) return -1;
        long kb = -1;
        char line[256];
        while (std::fgets(line, sizeof line, f))
            if (std::sscanf(line, "VmRSS: %ld kB", &kb) == 1) break;
        std::fclose(f);
        return kb;
    }
    // The driver still runs as the same process, and a new client can
    // connect and take a frame.
    void ExpectServing() {
        EXPECT_EQ(DriverPid(), driver_) << "the driver died";
        IndiClient fresh;
        ASSERT_TRUE(fresh.Connect(server_.Port(), 5000)) << "indiserver no longer listens";
        ASSERT_TRUE(Attach(fresh, false));
        auto image = ExposeOn(fresh, "CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 0.2, "CCD1");
        ASSERT_TRUE(image);
        EXPECT_GT(image->width, 0);
    }
    pid_t driver_ = 0;
};

TEST_F(IndiRoughClientTest, ClientThatLeavesMidExposure) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    {
        IndiClient rough;
        ASSERT_TRUE(rough.Connect(server_.Port(), 5000));
        ASSERT_TRUE(Attach(rough, false));
        const size_t mark = rough.Mark();
        rough.Send(NewNumber("CCD_EXPOSURE", {{"CCD_EXPOSURE_VALUE", 2.5}}));
        ASSERT_TRUE(rough.WaitProperty("CCD_EXPOSURE", "Busy", 5000, mark));
    }  // the socket closes with the exposure running
    // The exposure ends for the clients still there.
    EXPECT_TRUE(client_.WaitFor([](const Element& e) { return e.tag == "setBLOBVector"; }, 15000, 0));
    client_.TakeBlob("CCD1");
    ExpectServing();
    EXPECT_LT(Clock::now(), deadline);
}

TEST_F(IndiRoughClientTest, AbortDuringTheReadOut) {
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    // Host-timed: the time left reaches 0 as the read-out begins.
    size_t mark = client_.Mark();
    client_.Send(NewNumber("CCD_EXPOSURE", {{"CCD_EXPOSURE_VALUE", 1.5}}));
    ASSERT_TRUE(client_.WaitFor(
        [](const Element& e) {
            return e.tag == "setNumberVector" && e.Attr("name") == "CCD_EXPOSURE" &&
                   NumberOf(e, "CCD_EXPOSURE_VALUE") == 0;
        },
        10000, mark));
    client_.Send(NewSwitch("CCD_ABORT_EXPOSURE", "ABORT"));
    client_.Send(NewSwitch("CCD_ABORT_EXPOSURE", "ABORT"));
    EXPECT_TRUE(client_.WaitProperty("CCD_ABORT_EXPOSURE", "Ok", 10000, mark));
    // At most the one image of the read that had begun, then a whole next
    // frame.
    client_.WaitFor([](const Element&) { return false; }, 500, mark);
    int images = 0;
    while (client_.TakeBlob("CCD1")) ++images;
    EXPECT_LE(images, 1);
    auto next = Expose("CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 0.2, "CCD1");
    ASSERT_TRUE(next);
    EXPECT_EQ(next->width, 2048);
    EXPECT_EQ(next->height, 2048);
    ExpectServing();
    EXPECT_LT(Clock::now(), deadline);
}

TEST_F(IndiRoughClientTest, TwoClientsAtOnce) {
    const auto deadline = Clock::now() + std::chrono::seconds(90);
    IndiClient other;
    ASSERT_TRUE(other.Connect(server_.Port(), 5000));
    ASSERT_TRUE(Attach(other, false));
    // One exposes the main camera at 2 x 2, the other the guider and, during
    // the main exposure, asks for 1 x 1: refused, the running frame goes out
    // as it was read (a 1024 x 1024 read sent as 2048 x 2048 would run past
    // its buffer). Afterwards the change is taken.
    size_t mark = client_.Mark();
    client_.Send(NewNumber("CCD_BINNING", {{"HOR_BIN", 2}, {"VER_BIN", 2}}));
    ASSERT_TRUE(client_.WaitProperty("CCD_BINNING", "Ok", 5000, mark));
    mark = client_.Mark();
    size_t otherMark = other.Mark();
    client_.Send(NewNumber("CCD_EXPOSURE", {{"CCD_EXPOSURE_VALUE", 2.0}}));
    ASSERT_TRUE(client_.WaitProperty("CCD_EXPOSURE", "Busy", 5000, mark));
    other.Send(NewNumber("CCD_BINNING", {{"HOR_BIN", 1}, {"VER_BIN", 1}}));
    auto refused = other.WaitProperty("CCD_BINNING", "Alert", 5000, otherMark);
    ASSERT_TRUE(refused);
    EXPECT_EQ(NumberOf(*refused, "HOR_BIN"), 2);
    EXPECT_TRUE(other.WaitMessage("cannot change during an exposure", 5000, otherMark));
    auto guider = ExposeOn(other, "GUIDER_EXPOSURE", "GUIDER_EXPOSURE_VALUE", 0.3, "CCD2");
    ASSERT_TRUE(guider);
    EXPECT_EQ(guider->width, 500);
    EXPECT_EQ(guider->height, 290);
    ASSERT_TRUE(client_.WaitFor([](const Element& e) { return e.tag == "setBLOBVector" && e.Attr("name") == "CCD1"; },
                                15000, mark));
    auto blob = client_.TakeBlob("CCD1");
    ASSERT_TRUE(blob);
    auto main = ParseFits(Base64(Children(*blob).at(0).body));
    ASSERT_TRUE(main);
    EXPECT_EQ(main->width, 1024);
    EXPECT_EQ(main->height, 1024);
    // Both clients saw the main frame.
    EXPECT_TRUE(other.WaitFor([](const Element& e) { return e.tag == "setBLOBVector" && e.Attr("name") == "CCD1"; },
                              15000, otherMark));
    other.TakeBlob("CCD1");
    otherMark = other.Mark();
    other.Send(NewNumber("CCD_BINNING", {{"HOR_BIN", 1}, {"VER_BIN", 1}}));
    ASSERT_TRUE(other.WaitProperty("CCD_BINNING", "Ok", 5000, otherMark));
    auto whole = ExposeOn(other, "CCD_EXPOSURE", "CCD_EXPOSURE_VALUE", 0.2, "CCD1");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->width, 2048);
    EXPECT_EQ(whole->height, 2048);
    ExpectServing();
    EXPECT_LT(Clock::now(), deadline);
}

// A thousand property changes in one burst (numbers, switches, texts; good
// values and refused ones): the driver answers the last, and its memory
// stays within 5 MB of what it was after a first, smaller burst. A sanitizer
// build's driver keeps no freed memory aside here and no stack frames off the
// stack (each burst touches more of both: 4.5 MB), so that its memory is what
// it holds.
class IndiBurstTest : public IndiRoughClientTest {
protected:
    IndiBurstTest() {
        driverAsanOptions_ = "quarantine_size_mb=0:thread_local_quarantine_size_kb=0:detect_stack_use_after_return=0";
    }
};

TEST_F(IndiBurstTest, BurstOfAThousandChanges) {
    const auto deadline = Clock::now() + std::chrono::seconds(150);
    auto burst = [&](int count, int last) {
        std::string xml;
        for (int i = 0; i < count; ++i) {
            switch (i % 8) {
                case 0: xml += NewNumber("CCD_BINNING", {{"HOR_BIN", 1 + i % 9}, {"VER_BIN", 1 + i % 9}}); break;
                case 1: xml += NewNumber("CCD_FRAME", {{"X", i % 2100}, {"Y", 0}, {"WIDTH", 100}, {"HEIGHT", 100}}); break;
                case 2: xml += NewNumber("TELESCOPE_TIMED_GUIDE_NS", {{"TIMED_GUIDE_N", 1 + i % 3}, {"TIMED_GUIDE_S", 0}}); break;
                case 3: xml += NewNumber("GUIDER_BINNING", {{"HOR_BIN", 1 + i % 4}, {"VER_BIN", 1 + i % 4}}); break;
                case 4: xml += NewSwitch("CCD_COOLER", i % 16 == 4 ? "COOLER_ON" : "COOLER_OFF"); break;
                case 5: xml += NewNumber("GUIDER_FRAME", {{"X", i % 600}, {"Y", 0}, {"WIDTH", 50}, {"HEIGHT", 50}}); break;
                case 6:
                    xml += "<newTextVector device=\"Velmora CCD\" name=\"FILTER_NAME\"><oneText name=\"FILTER_SLOT_NAME_2\">"
                           "F" + std::to_string(i) + "&amp;&lt;x&gt;</oneText></newTextVector>";
                    break;
                default: xml += NewSwitch("UPLOAD_MODE", "UPLOAD_CLIENT"); break;
            }
        }
        // The last change marks the end: a frame only it asks for.
        xml += NewNumber("CCD_FRAME", {{"X", last}, {"Y", 0}, {"WIDTH", 64}, {"HEIGHT", 64}});
        const size_t mark = client_.Mark();
        client_.Send(xml);
        return client_.WaitFor(
                   [&](const Element& e) {
                       return e.tag == "setNumberVector" && e.Attr("name") == "CCD_FRAME" && NumberOf(e, "X") == last;
                   },
                   60000, mark)
            .has_value();
    };
    ASSERT_TRUE(burst(100, 11)) << "the driver did not answer the first burst";
    const long before = RssKb(driver_);
    ASSERT_GT(before, 0);
    ASSERT_TRUE(burst(1000, 13)) << "the driver did not answer the burst";
    const long after = RssKb(driver_);
    std::printf("driver RSS %ld kB before, %ld kB after 1000 changes\n", before, after);
    EXPECT_GT(after, 0) << "the driver died";
    EXPECT_LT(after - before, 5 * 1024);
    client_.Send(NewNumber("CCD_FRAME", {{"X", 0}, {"Y", 0}, {"WIDTH", 2048}, {"HEIGHT", 2048}}));
    ExpectServing();
    EXPECT_LT(Clock::now(), deadline);
}

}  // namespace
