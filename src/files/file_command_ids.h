// Dialog templates and control numbers of the file commands' dialogs. The
// command numbers themselves are in app/command_ids.h (namespace cmd).
#pragma once

namespace fitsdlg {
inline constexpr int kTemplate = 14;
inline constexpr int kContinue = 1;
inline constexpr int kAbort = 2;
inline constexpr int kObject = 101;
inline constexpr int kObserver = 102;
inline constexpr int kDate = 103;
inline constexpr int kTelescope = 104;
inline constexpr int kInstrument = 105;
inline constexpr int kComments = 106;
inline constexpr int kHistory = 107;
inline constexpr int kEightBit = 108;
inline constexpr int kOrigin = 109;
inline constexpr int kTime = 110;
inline constexpr int kUtScroll = 111;
inline constexpr int kUtValue = 112;
inline constexpr int kFocalLength = 113;
inline constexpr int kAperture = 114;
inline constexpr int kFilter = 115;
inline constexpr int kExposure = 116;
inline constexpr int kUnsigned = 117;
}  // namespace fitsdlg

namespace deletedlg {
inline constexpr int kTemplate = 9;
inline constexpr int kName = 101;
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
}  // namespace deletedlg

namespace hpmdlg {
inline constexpr int kTemplate = 32;
inline constexpr int kDirectory = 32001;
inline constexpr int kName = 32002;
inline constexpr int kCount = 32003;
inline constexpr int kFullName = 32004;
inline constexpr int kThreshold = 32005;
inline constexpr int kChange = 32006;
inline constexpr int kScroll = 32007;
inline constexpr int kSave = 1;
inline constexpr int kFinished = 2;
}  // namespace hpmdlg
