// Whole-file reads and safe replacement of files.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

// Writes a file completely under a temporary name beside it, flushes it and
// renames it over the target, so a failed write leaves the old file intact.
// Returns false when any step fails (the temporary file is then removed).
bool ReplaceFile(const std::string& hostPath, const void* data, size_t size);
bool ReplaceFile(const std::string& hostPath, const Bytes& bytes);

// A writer for large files assembled in pieces: Open, Write..., Commit. A
// writer destroyed without Commit removes its temporary file.
class SafeFileWriter {
public:
    explicit SafeFileWriter(std::string hostPath);
    ~SafeFileWriter();
    SafeFileWriter(const SafeFileWriter&) = delete;
    SafeFileWriter& operator=(const SafeFileWriter&) = delete;
    bool Open();
    bool Write(const void* data, size_t size);
    bool Commit();

private:
    std::string target_;
    std::string temp_;
    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

// Reads a whole file; nullopt when it cannot be opened or read.
std::optional<Bytes> ReadWholeFile(const std::string& hostPath);
// The length of a file in bytes, or -1 when it cannot be opened.
int64_t FileLength(const std::string& hostPath);
bool RemoveFile(const std::string& hostPath);
