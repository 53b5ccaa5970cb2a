// Contrast stretches: every stretch builds a 32,768-entry tone curve indexed
// by the pixel's upper 15 bits and hands it to one engine, which rewrites image
// buffer A (output = 2 x entry, so results are even, 0..65534).
//
// Two layers:
//  - pure functions on (pixels, W, H, parameters) that build tables and apply
//    them, used by tests and benchmarks;
//  - commands on image buffer A that take the undo copy, show the progress
//    window, redraw and add one history line, used by the menu, the CLI and the
//    auto-processing.
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <string>

inline constexpr int kStretchTableSize = 32768;
using ToneTable = std::array<uint16_t, kStretchTableSize>;

// Progress of a long pixel loop: position 0..256 of the progress bar.
using ProgressFn = std::function<void(int position)>;

// Rows at the top of the image that processing leaves alone: 10 when the image
// carries the label marker (pixel 4 + pixel 5 == 34), else 0.
int KeptLabelRows(const uint16_t* pixels, int width, int height);

// ---- Table builders (pure). A false result means "this choice changes
// nothing": the command then leaves image, undo copy and history untouched.
// Normal Stretch, black 0..255, white 1..300; false when black >= white.
bool BuildNormalStretchTable(int black, int white, ToneTable& table);
// Power Law Stretch, p 0.1..3.0; false when p == 1.
bool BuildPowerStretchTable(double power, ToneTable& table);
// Remove Background with the auto-contrast black point m; false when m < 3.
bool BuildBackgroundTable(int blackPoint, ToneTable& table);
// Non-linear stretch, power c 2..50.
void BuildNonLinearTable(int power, ToneTable& table);
void BuildSineTable(ToneTable& table);
void BuildLogTable(ToneTable& table);
void BuildAntilogTable(ToneTable& table);
void BuildInvertTable(ToneTable& table);

// ---- Engine (pure): pixel = 2 x table[pixel >> 1] for every pixel below the
// label strip. progress (optional) gets 0, 16, ... 240 before each of the 16
// blocks.
void ApplyStretchTableTo(uint16_t* pixels, int width, int height, const ToneTable& table,
                         const ProgressFn& progress = {});

// The engine's pixel loop is built for several instruction sets and the best
// one the processor offers is used; tests can pick one (false when the
// processor lacks it).
enum class StretchKernel { Best, Scalar, Avx2, Avx512 };
bool UseStretchKernel(StretchKernel kernel);

// The black point of the auto-contrast histogram: the most frequent high byte
// of rows 5..24 (16-bit counters, lowest index wins ties).
int AutoContrastBlackPoint(const uint16_t* pixels, int width, int height);

// ---- Commands on image buffer A (geometry W x H from State()).
// The engine: busy cursor, progress window "CONTRAST STRETCH", undo copy,
// rewrite, redraw when asked. Adds no history line.
void ApplyStretchTable(const ToneTable& table, bool redraw);

// Each of these applies its table and adds its history line. Those returning
// bool return false when nothing was done (a no-op choice or a value out of
// range; an out-of-range value also shows a message).
bool NormalStretch(int black, int white);        // black 0..255, white 1..300
bool PowerStretch(double power);                 // 0.1..3.0
bool RemoveBackground(int blackPoint, bool redraw = true);  // m 0..255
bool NonLinearStretch(int power, bool redraw = true);       // 2..50
void SineStretch();
void LogStretch();
void AntilogStretch();
void InvertStretch();

// History lines.
std::string NormalStretchHistory(int black, int white);
std::string PowerStretchHistory(double power);
std::string BackgroundHistory(int blackPoint);
std::string NonLinearHistory(int power);
