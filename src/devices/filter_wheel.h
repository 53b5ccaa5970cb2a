// The filter wheel: up to seven positions, driven either as the USB wheel
// (when "Use Korvane USB Filterwheel " is on and a wheel was found) or as a
// serial wheel on one of the camera's serial ports. The current filter's name
// goes into the image header.
#pragma once
#include <string>

// Filter positions 1..7 have a command byte.
inline constexpr int kMaxFilterPositions = 7;

struct FilterWheelState {
    int current = 1;                 // 1..number of filters
    std::string currentName = "None";  // for the image header; "None" before any choice
};
FilterWheelState& FilterWheel();
void ResetFilterWheel();

// The number of filters in force: the configured count, kept within 1..7.
int FilterCount();
// The camera serial port of the serial wheel: 0 for "Com1", 1 for "Com2"
// (the com choice of the program defaults).
int FilterWheelSerialPort();
// True when the USB wheel is used (option on and a wheel present).
bool UsingUsbFilterWheel();
// Where the wheel is driven, for the defaults dialog: "on USB", "on Com1",
// "on Com2".
std::string FilterWheelRouteText();

// Sets the current filter to n (kept within 1..number of filters), copies its
// name and moves the wheel. USB: report 0, 128 + n, 0, written with the
// filter wheel's live wait, 4 ms, 3 bytes read back. Serial: 0xA5 0x01 n
// 0xA6+n with WriteSerialPort on the wheel's port. False when the transfer
// failed (the current filter is still set).
bool SelectFilter(int n);
// n + 1, after the last filter 1.
bool NextFilter();
// n - 1, before 1 the last filter.
bool PreviousFilter();
// Filter 1.
bool FirstFilter();
