#include "platform/files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

SafeFileWriter::SafeFileWriter(std::string hostPath) : target_(std::move(hostPath)) {
    temp_ = target_ + ".tmp" + std::to_string(::getpid());
}

SafeFileWriter::~SafeFileWriter() {
    if (file_) {
        std::fclose(file_);
        std::remove(temp_.c_str());
    }
}

bool SafeFileWriter::Open() {
    file_ = std::fopen(temp_.c_str(), "wb");
    failed_ = file_ == nullptr;
    return !failed_;
}

bool SafeFileWriter::Write(const void* data, size_t size) {
    if (!file_ || failed_) return false;
    if (size && std::fwrite(data, 1, size, file_) != size) failed_ = true;
    return !failed_;
}

bool SafeFileWriter::Commit() {
    if (!file_) return false;
    bool ok = !failed_ && std::fflush(file_) == 0 && ::fsync(::fileno(file_)) == 0;
    ok = (std::fclose(file_) == 0) && ok;
    file_ = nullptr;
    if (ok) {
        std::error_code ec;
        fs::rename(temp_, target_, ec);
        ok = !ec;
    }
    if (!ok) std::remove(temp_.c_str());
    return ok;
}

bool ReplaceFile(const std::string& hostPath, const void* data, size_t size) {
    SafeFileWriter writer(hostPath);
    return writer.Open() && writer.Write(data, size) && writer.Commit();
}

bool ReplaceFile(const std::string& hostPath, const Bytes& bytes) {
    return ReplaceFile(hostPath, bytes.data(), bytes.size());
}

std::FILE* OpenRegularFile(const std::string& hostPath) {
    // Opened without blocking, so a FIFO with no writer does not hang here;
    // then refused unless it is a regular file.
    const int fd = ::open(hostPath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    std::FILE* file = ::fdopen(fd, "rb");
    if (!file) ::close(fd);
    return file;
}

bool IsNonRegularFile(const std::string& hostPath) {
    std::error_code ec;
    const fs::file_status status = fs::status(hostPath, ec);
    return !ec && fs::exists(status) && !fs::is_regular_file(status);
}

std::optional<Bytes> ReadWholeFile(const std::string& hostPath, size_t maxBytes) {
    std::FILE* f = OpenRegularFile(hostPath);
    if (!f) return std::nullopt;
    Bytes bytes;
    uint8_t chunk[1 << 16];
    size_t n;
    while (bytes.size() < maxBytes &&
           (n = std::fread(chunk, 1, std::min(sizeof chunk, maxBytes - bytes.size()), f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    const bool bad = std::ferror(f);
    std::fclose(f);
    if (bad) return std::nullopt;
    return bytes;
}

int64_t FileLength(const std::string& hostPath) {
    std::error_code ec;
    const auto size = fs::file_size(hostPath, ec);
    return ec ? -1 : static_cast<int64_t>(size);
}

bool RemoveFile(const std::string& hostPath) { return std::remove(hostPath.c_str()) == 0; }

// The process id of a writer's temporary name "<name>.tmp<pid>", or 0.
static pid_t TempFileOwner(const std::string& name) {
    const size_t mark = name.rfind(".tmp");
    // The writers' targets all have an extension: "IMG1.FIT.tmp123".
    if (mark == std::string::npos || mark + 4 == name.size()) return 0;
    const size_t dot = name.rfind('.', mark == 0 ? 0 : mark - 1);
    if (mark == 0 || dot == std::string::npos || dot == 0 || dot + 1 == mark) return 0;
    pid_t pid = 0;
    for (size_t i = mark + 4; i < name.size(); ++i) {
        if (name[i] < '0' || name[i] > '9' || pid > 99'999'999) return 0;
        pid = pid * 10 + (name[i] - '0');
    }
    return pid;
}

int RemoveStaleTempFiles(const std::string& hostFolder) {
    std::error_code ec;
    int removed = 0;
    for (const fs::directory_entry& entry : fs::directory_iterator(hostFolder, ec)) {
        if (!entry.is_regular_file(ec)) continue;
        const pid_t pid = TempFileOwner(entry.path().filename().string());
        if (pid <= 0) continue;
        // A running process (ours or another save in progress) keeps its file.
        const bool running = pid == ::getpid() || ::kill(pid, 0) == 0 || errno == EPERM;
        if (!running && fs::remove(entry.path(), ec)) ++removed;
    }
    return removed;
}
