#pragma once

// The command ids of menus, tool bar and accelerators. Map-view commands go to the active
// map view and are disabled when none is active.

namespace kivo::app::cmd {

inline constexpr int kOpenAmsr2 = 32878;
inline constexpr int kOpenAmsrE = 32879;
inline constexpr int kOpenAmsr2Output = 32894;
inline constexpr int kAnimationAmsr2 = 32881;
inline constexpr int kAnimationAmsrE = 32882;
inline constexpr int kSaveImage = 32792;
inline constexpr int kSaveKml = 32793;
inline constexpr int kSaveBinary = 32794;
inline constexpr int kSaveCsv = 32795;
inline constexpr int kSaveCsvLatLon = 32815;
inline constexpr int kCopyWindow = 32834;
inline constexpr int kCopySelection = 32835;
inline constexpr int kSaveHdf = 32895;
inline constexpr int kSaveGeoTiff = 32896;  // the value grid as a georeferenced float32 GeoTIFF
inline constexpr int kBatch = 32791;
inline constexpr int kQuit = 57665;
inline constexpr int kToolBar = 59392;
inline constexpr int kStatusBar = 59393;
inline constexpr int kAutoAdjust = 32799;
inline constexpr int kZoomIn = 32800;
inline constexpr int kZoomOut = 32817;
inline constexpr int kReset = 32797;
inline constexpr int kBack = 32842;
inline constexpr int kProjEqr = 32808;
inline constexpr int kProjOrtho = 32809;
inline constexpr int kProjNorth = 32806;
inline constexpr int kProjSouth = 32807;
inline constexpr int kProjBoth = 32891;
inline constexpr int kStdLon0 = 32851;  // 32851..32858: 0, 45, 90, 135, 180, -135, -90, -45
inline constexpr int kStdLonLast = 32858;
inline constexpr int kProjMercator = 32810;
inline constexpr int kMetaData = 32887;
inline constexpr int kBarVertical = 32862;
inline constexpr int kBarHorizontal = 32863;
inline constexpr int kModeZoom = 32819;
inline constexpr int kModePan = 32812;
inline constexpr int kModeSelect = 32813;
inline constexpr int kSelectArea = 32821;
inline constexpr int kBatchHistory = 32785;
inline constexpr int kEditColourTable = 32869;
inline constexpr int kEditLookupTable = 32870;
inline constexpr int kPrefUser = 32886;
inline constexpr int kPrefImage = 32888;
inline constexpr int kPrefMapLayer = 32889;
inline constexpr int kPrefMapFile = 32890;
inline constexpr int kHelp = 32884;
inline constexpr int kRelatedLink = 32885;
inline constexpr int kVersion = 57664;
inline constexpr int kMoveRight = 32801;
inline constexpr int kMoveLeft = 32802;
inline constexpr int kMoveUp = 32803;
inline constexpr int kMoveDown = 32818;
inline constexpr int kBackToolBar = 32805;

// The standard longitude of commands 32851..32858.
inline constexpr int kStdLonDegrees[8] = {0, 45, 90, 135, 180, -135, -90, -45};

}  // namespace kivo::app::cmd
