#pragma once
// Command numbers of the main window. Menus, accelerators, toolbar buttons,
// key bindings and panels all send these; the registry (command_registry.h)
// maps each to its unit.
namespace qm::cmd {

// File
inline constexpr int kNewCanvas = 40001;
inline constexpr int kOpen = 40002;
inline constexpr int kOpenClipboard = 40003;
inline constexpr int kSave = 40004;
inline constexpr int kSaveAs = 40005;
inline constexpr int kScanAcquire = 40006;
inline constexpr int kScanSelect = 40007;
inline constexpr int kEnvironment = 40008;
inline constexpr int kKeySettings = 40009;
inline constexpr int kQuit = 40010;
inline constexpr int kRecentFilesMenu = 40011;
inline constexpr int kSaveFixed = 40012;
inline constexpr int kFixedFolder = 40013;

// Edit
inline constexpr int kUndo = 40050;
inline constexpr int kRedo = 40051;
inline constexpr int kCopyLayer24 = 40052;
inline constexpr int kCopyLayer32 = 40053;
inline constexpr int kCopyComposite = 40054;
inline constexpr int kPasteLayer = 40055;
inline constexpr int kPasteLayerTransparent = 40056;
inline constexpr int kFlipHorizontal = 40057;
inline constexpr int kFlipVertical = 40058;
inline constexpr int kRotateClockwise = 40059;
inline constexpr int kRotateCounterClockwise = 40060;
inline constexpr int kImageSize = 40061;
inline constexpr int kCanvasSize = 40062;

// Selection
inline constexpr int kSelectAll = 40100;
inline constexpr int kPasteAsComposite = 40101;
inline constexpr int kFirstSelection = 40100;
inline constexpr int kLastSelection = 40124;

// View
inline constexpr int kFirstWindow = 40150;  // + window index, 9 windows
inline constexpr int kWindowCount = 9;
inline constexpr int kAllWindows = 40160;
inline constexpr int kFullScreen = 40161;
inline constexpr int kChecker = 40162;
inline constexpr int kMirror = 40163;
inline constexpr int kGrid = 40164;
inline constexpr int kGridSettings = 40165;
inline constexpr int kZoomMenu = 40166;
inline constexpr int kZoomIn = 40167;
inline constexpr int kZoomOut = 40168;

// Help
inline constexpr int kHelp = 40200;
inline constexpr int kHomePage = 40201;
inline constexpr int kVersion = 40202;

// Filters: 41000 + index (52 of them), and the three groups run by mode.
inline constexpr int kFirstFilter = 41000;
inline constexpr int kFilterCount = 52;
inline constexpr int kFirstColourReplace = 41800;  // 4
inline constexpr int kFirstAlphaOperation = 41810;  // 4
inline constexpr int kFirstCloud = 41820;  // 3

// Layer commands, forwarded to the layer window.
inline constexpr int kFirstLayer = 42300;
inline constexpr int kLastLayer = 42312;
inline constexpr int kMergeVisibleKeepAlpha = 42315;
inline constexpr int kMergeVisibleToNew = 42316;

// Numbered families.
inline constexpr int kFirstZoomPreset = 3000;  // 14 presets
inline constexpr int kZoomPresetCount = 14;
inline constexpr int kFirstRecentFile = 3100;  // 10 files
inline constexpr int kFirstRecentFolder = 3200;  // 8 folders
inline constexpr int kFirstSaveAsFormat = 3250;  // PSD, BMP, PNG, JPEG, GIF
inline constexpr int kSaveAsFormatCount = 5;

}  // namespace qm::cmd
