#pragma once

// The window's command identifiers, shared by the menus, the toolbars and the context menus.
namespace q417::cmd {

// Standard commands.
inline constexpr int kNew = 57600;
inline constexpr int kOpen = 57601;
inline constexpr int kSave = 57603;
inline constexpr int kSaveAs = 57604;
inline constexpr int kPrintSetup = 57606;
inline constexpr int kPrint = 57607;
inline constexpr int kPrintPreview = 57609;
inline constexpr int kRecentFile = 57616;
inline constexpr int kCopy = 57634;
inline constexpr int kCut = 57635;
inline constexpr int kSelectAll = 57642;
inline constexpr int kAbout = 57664;
inline constexpr int kExit = 57665;
inline constexpr int kViewToolbar = 59392;
inline constexpr int kViewStatusBar = 59393;

// The application's own.
inline constexpr int kGridLines = 32772;
inline constexpr int kPort = 32773;
inline constexpr int kOptions = 32774;
inline constexpr int kNewSite = 32775;
inline constexpr int kEditLocation = 32776;
inline constexpr int kDeleteSite = 32777;
inline constexpr int kReadoutStatus = 32779;
inline constexpr int kReconnect = 32783;
inline constexpr int kDelete = 32785;
inline constexpr int kAddReadoutData = 32786;
inline constexpr int kCalibration = 32787;
inline constexpr int kUnitKPa = 32789;
inline constexpr int kUnitPsi = 32790;
inline constexpr int kUnitInH2O = 32791;
inline constexpr int kUnitFtH2O = 32792;
inline constexpr int kUnitMmH2O = 32793;
inline constexpr int kUnitMH2O = 32794;
inline constexpr int kAddReadoutDataTool = 32803;
inline constexpr int kUploadSiteInfoTool = 32804;
inline constexpr int kUploadSiteInfo = 32805;
inline constexpr int kStartLineTrace = 32810;
inline constexpr int kStopLineTrace = 32811;
inline constexpr int kPlotReadings = 32812;

}  // namespace q417::cmd
