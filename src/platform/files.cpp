#include "platform/files.h"

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

std::optional<Bytes> ReadWholeFile(const std::string& hostPath) {
    std::FILE* f = std::fopen(hostPath.c_str(), "rb");
    if (!f) return std::nullopt;
    Bytes bytes;
    uint8_t chunk[1 << 16];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
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
