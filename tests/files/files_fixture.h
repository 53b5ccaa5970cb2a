// Shared fixture of the file tests: a fresh home, the file state reset, UTC
// as the PC's time zone, and helpers for images and files.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

#include "core/state.h"
#include "settings/settings_file.h"
#include "files/file_state.h"
#include "platform/files.h"
#include "support/test_env.h"

class FilesTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetFileState();
        setenv("TZ", "UTC", 1);
        tzset();
    }

    // Applies a camera model row to the geometry (full resolution).
    static void UseModel(int code) {
        State().geometry.modelCode = int16_t(code);
        State().geometry.binned = false;
        ApplyCameraModel();
    }

    // A geometry without a model row (code 3 keeps it): W x H with n blocks.
    static void UseGeometry(int width, int height, int blocks) {
        ImageGeometry& g = State().geometry;
        g.modelCode = 3;
        g.sensorWidth = int16_t(width);
        g.sensorHeight = int16_t(height);
        g.readBlocks = int16_t(blocks);
        g.binned = false;
        RecomputeGeometry();
    }

    // A reproducible pattern over the whole 16-bit range.
    static void FillPattern(Pixel* p, size_t n, uint32_t seed = 1) {
        uint32_t x = seed * 2654435761u + 12345u;
        for (size_t i = 0; i < n; ++i) {
            x = x * 1664525u + 1013904223u;
            p[i] = Pixel(x >> 16);
        }
        if (n > 3) {
            p[0] = 0;
            p[1] = 65535;
            p[2] = 32768;
            p[3] = 32767;
        }
    }

    // The little-endian bytes of pixels: the raw file of an image.
    static Bytes RawBytes(const Pixel* p, size_t n) {
        Bytes b(2 * n);
        for (size_t i = 0; i < n; ++i) {
            b[2 * i] = uint8_t(p[i]);
            b[2 * i + 1] = uint8_t(p[i] >> 8);
        }
        return b;
    }

    static size_t Pixels() { return size_t(State().geometry.width) * size_t(State().geometry.height); }

    static Bytes Read(const std::string& hostPath) { return ReadWholeFile(hostPath).value_or(Bytes{}); }

    static void Write(const std::string& hostPath, const Bytes& bytes) {
        std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
        ASSERT_TRUE(ReplaceFile(hostPath, bytes));
    }

    // The text of 80-byte card n (1-based) of a file's bytes.
    static std::string Card(const Bytes& file, int n) {
        return std::string(file.begin() + (n - 1) * 80, file.begin() + n * 80);
    }

    // A text padded with spaces to 80 bytes.
    static std::string Padded(const std::string& text) { return text + std::string(80 - text.size(), ' '); }

    std::string Host(const std::string& name) const { return home + "/" + name; }
};
