// Fixture for the display tests: fresh records, a small image helper.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/state.h"
#include "display/display_state.h"
#include "support/test_env.h"

class DisplayTest : public VelmoraTest {
protected:
    void SetUp() override {
        VelmoraTest::SetUp();
        ResetDisplayState();
        // Other parts install their hooks when the program starts: keep them
        // aside so each test starts without any, and put them back after.
        savedPickHooks_ = PickingHooks();
        savedViewHooks_ = ViewHooks();
        PickingHooks() = PickHooks{};
        ViewHooks() = DisplayViewHooks{};
    }
    void TearDown() override {
        PickingHooks() = savedPickHooks_;
        ViewHooks() = savedViewHooks_;
        ResetDisplayState();
        VelmoraTest::TearDown();
    }
    // Sets the image geometry to w x h (unbinned) and fills image buffer A.
    static void SetImage(int w, int h, uint16_t value) {
        ImageGeometry& g = State().geometry;
        g.sensorWidth = int16_t(w);
        g.sensorHeight = int16_t(h);
        g.binned = false;
        RecomputeGeometry();
        std::fill(State().imageA, State().imageA + size_t(w) * h, value);
    }
    static uint16_t& Px(int x, int y) { return State().imageA[size_t(y) * State().geometry.width + x]; }
    static uint32_t U32(const std::vector<uint8_t>& f, size_t at) {
        return f[at] | f[at + 1] << 8 | f[at + 2] << 16 | uint32_t(f[at + 3]) << 24;
    }
    static uint16_t U16(const std::vector<uint8_t>& f, size_t at) { return uint16_t(f[at] | f[at + 1] << 8); }

private:
    PickHooks savedPickHooks_;
    DisplayViewHooks savedViewHooks_;
};
