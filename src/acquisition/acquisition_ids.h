// Control ids of the acquisition dialogs: the camera control dialog and the
// "Sub-Frame Selection" dialog. The menu commands are numbered in
// app/command_ids.h (namespace cmd).
#pragma once

namespace acq {

// Camera control dialog (TCamDialog) controls.
inline constexpr int kIdTakePhoto = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdHelp = 9;
inline constexpr int kIdDelaySeconds = 10;
inline constexpr int kIdDelayMinutes = 11;
inline constexpr int kIdAutoguidePhoto = 12;
inline constexpr int kIdGoToAutoguider = 13;
inline constexpr int kIdCameraMode = 14;
inline constexpr int kIdAutoGuiderStatus = 15;
inline constexpr int kIdExposureArrows = 104;
inline constexpr int kIdExposureEdit = 105;
inline constexpr int kIdAverage = 106;
inline constexpr int kIdFocusStart = 107;
inline constexpr int kIdFocusStop = 108;
inline constexpr int kIdMaxValue = 109;
inline constexpr int kIdCountArrows = 111;
inline constexpr int kIdCountEdit = 112;
inline constexpr int kIdAutoDark = 113;
inline constexpr int kIdAltSlew = 115;
inline constexpr int kIdAutoSave = 116;
inline constexpr int kIdDelayBefore = 117;
inline constexpr int kIdContinuous = 118;
inline constexpr int kIdDelayArrows = 119;
inline constexpr int kIdDelayEdit = 120;
inline constexpr int kIdLastFileNo = 122;
inline constexpr int kIdAutoFlat = 123;
inline constexpr int kIdAutoProcess = 125;
inline constexpr int kIdAutochange = 126;
inline constexpr int kIdStretchScroll = 128;
inline constexpr int kIdStretchEdit = 129;
inline constexpr int kIdUnitThousandths = 171;
inline constexpr int kIdUnitHundredths = 172;
inline constexpr int kIdUnitTenths = 173;
inline constexpr int kIdUnitSeconds = 174;
inline constexpr int kIdUnitMinutes = 175;
inline constexpr int kIdModeHighRes = 301;
inline constexpr int kIdModeBin2 = 302;
inline constexpr int kIdModeBin3 = 303;
inline constexpr int kIdModeBin4 = 304;
inline constexpr int kIdModeBin8 = 305;
inline constexpr int kIdModeBin8x16 = 306;
inline constexpr int kIdModeSubFrame = 307;
inline constexpr int kIdFilterFirst = 315;
inline constexpr int kIdFilterNext = 316;
inline constexpr int kIdFilterPrev = 317;
inline constexpr int kIdFilterNumber = 318;
inline constexpr int kIdFilterName = 319;
inline constexpr int kIdSubDir = 710;
inline constexpr int kIdFwhm = 716;
inline constexpr int kIdBinFocusFrame = 736;
inline constexpr int kIdCoolerScroll = 737;
inline constexpr int kIdCoolerActual = 738;
inline constexpr int kIdCoolerSet = 739;
inline constexpr int kIdCoolingOn = 740;
inline constexpr int kIdFirmware = 741;
inline constexpr int kIdMonitor = 742;
inline constexpr int kIdCoolingText = 744;
inline constexpr int kIdDarkFrame = 746;
inline constexpr int kIdTrigger = 747;

// Camera dialog close codes.
inline constexpr int kCloseTakePhoto = 1;
inline constexpr int kCloseCancel = 0;
inline constexpr int kCloseAutoguider = 2;

// "Sub-Frame Selection" dialog (template 23).
inline constexpr int kIdSubHalf = 210;
inline constexpr int kIdSubThird = 211;
inline constexpr int kIdSubQuarter = 212;
inline constexpr int kIdSubOk = 1;
inline constexpr int kIdSubHelp = 9;

}  // namespace acq
