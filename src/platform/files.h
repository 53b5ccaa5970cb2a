// Whole-file reads and safe replacement of files.
#pragma once
#include <cstdint>
#include <cstdio>
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

// Opens a regular file for binary reading; nullptr when it cannot be opened
// or is something else (a FIFO, a device, a folder: such a file is never
// opened for reading, so a FIFO cannot block).
std::FILE* OpenRegularFile(const std::string& hostPath);
// True when something that is not a regular file stands at the path (links
// followed): the readers refuse it.
bool IsNonRegularFile(const std::string& hostPath);
// Reads a regular file, at most maxBytes from its start; nullopt when it
// cannot be opened, is not a regular file or a read fails.
std::optional<Bytes> ReadWholeFile(const std::string& hostPath, size_t maxBytes = SIZE_MAX);
// The length of a file in bytes, or -1 when it cannot be opened.
int64_t FileLength(const std::string& hostPath);
bool RemoveFile(const std::string& hostPath);
// Removes the temporary files a killed save left in a folder: names of the
// writers' form "<name>.tmp<pid>" whose process no longer runs. Returns how
// many were removed.
int RemoveStaleTempFiles(const std::string& hostFolder);
