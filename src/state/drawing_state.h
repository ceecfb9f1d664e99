#pragma once
// The process-wide state that config.ini persists: window rectangles, the
// environment options, and the drawing state (current tool, per-tool sizes,
// densities, draw types and option words, colours, colour mask, texture
// selection, brush slots, ruler), plus the recent lists. Plain data: the GUI
// and the engine read and change the fields directly.
//
// A default-constructed Settings holds the built-in defaults (the settings
// table in settings_table.h lists the same values; a test keeps them equal).
// Values loaded from a file are already range-checked (settings_file.h), so
// readers may index tables with them without further tests.
//
// Colours are 0x00RRGGBB. Option words keep their packed bit layouts; the
// accessors below name the fields.
#include <array>
#include <cstdint>
#include <numbers>
#include <string>
#include <string_view>

namespace qm {

inline constexpr int kToolCount = 19;
inline constexpr int kDrawTypeCount = 10;
inline constexpr int kBrushSlotCount = 7;
inline constexpr int kMaxMaskColours = 5;
inline constexpr int kMaskColourRecentCount = 8;
inline constexpr int kRecentSizeCount = 5;
inline constexpr int kRecentFileCount = 10;
inline constexpr int kRecentFolderCount = 8;
// Longest paths kept, in characters; longer ones are dropped, never cut.
inline constexpr int kMaxRecentFileChars = 511;
inline constexpr int kMaxFolderChars = 255;
// Font face names are cut (at a character boundary) to this many bytes.
inline constexpr int kMaxFontNameBytes = 31;
// A stored left or x coordinate of this value means "never placed".
inline constexpr int kNeverPlaced = -10000;

// Tool numbers (the order of every per-tool list).
enum ToolIndex : int {
  kToolPencil = 0,
  kToolThinLine = 1,
  kToolPen = 2,
  kToolPen2 = 3,
  kToolBrush = 4,
  kToolWatercolour = 5,
  kToolSpray = 6,
  kToolDotEraser = 7,
  kToolPenEraser = 8,
  kToolBrushEraser = 9,
  kToolBlur = 10,
  kToolFinger = 11,
  kToolDodge = 12,
  kToolBurn = 13,
  kToolFill = 14,
  kToolGradient = 15,
  kToolText = 16,
  kToolLayerMove = 17,
  kToolRectSelect = 18,
};

// Bit i set: the tool accepts draw type i (the tool window enables only these).
constexpr uint16_t allowed_draw_types(int tool) {
  switch (tool) {
    case kToolGradient: return 0xBF;
    case kToolFill: case kToolText: case kToolLayerMove: case kToolRectSelect: return 0;
    case kToolWatercolour: return 0x01;
    case kToolFinger: return 0xC7;
    default: return (tool >= 0 && tool < kToolCount) ? 0x3FF : 0;
  }
}

struct WindowRect {
  int left = kNeverPlaced, top = kNeverPlaced, right = 0, bottom = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};
struct WindowPoint {
  int x = kNeverPlaced, y = kNeverPlaced;
  friend bool operator==(const WindowPoint&, const WindowPoint&) = default;
};

// [Window]: screen coordinates; kNeverPlaced selects the default placement.
struct WindowLayout {
  WindowRect main{kNeverPlaced, 0, 500, 400};  // normal (restored) rectangle
  int main_show_cmd = 3;                       // 1 normal, 2 minimised, 3 maximised
  WindowPoint tool, control, layer;
  int layer_height = 290;
  WindowRect texture, palette;
  WindowPoint ex_palette;
  WindowRect preview, image_view, filter_list;
  friend bool operator==(const WindowLayout&, const WindowLayout&) = default;
};

// WinViewFlag / ViewBkFlag bits: one per floating window.
inline constexpr int kWinTool = 0x001, kWinControl = 0x002, kWinLayer = 0x004,
                     kWinPalette = 0x008, kWinExPalette = 0x010, kWinTexture = 0x020,
                     kWinPreview = 0x040, kWinImageView = 0x080, kWinFilterList = 0x100;
// ExViewFlag bits.
inline constexpr int kViewMirror = 0x01, kViewChecker = 0x02, kViewFullScreen = 0x04,
                     kViewGrid = 0x08, kViewFilePreview = 0x10, kViewControlFolded = 0x20,
                     kViewWindowsHidden = 0x40, kViewPasteComposite = 0x80;
// OptFlag bits.
inline constexpr int kOptConfirmSave = 0x01, kOptAskOnQuit = 0x02, kOptTitleNameOnly = 0x04,
                     kOptAutoActivate = 0x08, kOptTransparentPickErases = 0x10,
                     kOptBrushCircle = 0x20, kOptEraseFillReleasesReference = 0x40;
// CenterGridCol: the top bit shows the centre cross.
inline constexpr uint32_t kCentreCrossShown = 0x80000000u;

// [Env]
struct Environment {
  int win_view_flag = 31;  // 16 bits
  int ex_view_flag = 144;
  int view_bk_flag = 1;    // 16 bits
  int opt_flag = 58;
  int img_v_flag = 0;      // 16 bits
  int prev_flag = 0;
  int tablet_flag = 1;
  int def_img_w = 300, def_img_h = 300;
  int last_img_w = 300, last_img_h = 300;
  int scale_d_add = 25, scale_u_add = 100;
  int undo_cnt = 30;
  int grid_w = 100, grid_h = 100;
  int grid_pixel_per = 5;
  int col_bar_type = 1;
  int tex_view_size = 1;   // 0..5: 16, 24, 32, 48, 64, 96 pixels
  int pal_view_w = 12, pal_view_h = 12;
  int pal_r_btt = 0;
  int pal_def_tab = 0;
  int ex_pal_type = 0;
  int prev_scale = 100, img_v_scale = 100;
  int info_bar_pos = 1;
  int png_comp = 6;
  int jpeg_comp = 85;      // 16 bits: quality 1..100, bit 15 chroma subsampling
  int scale_type = 4;
  int rotate_angle = 65536;  // low 16 bits: signed angle; bit 16 smoothing
  int def_erase = 0;
  int brush_cir_size = 10;
  int tale_tool = kToolDotEraser;  // tool while the pen's eraser end is used
  int tab_side1 = 0, tab_side2 = 0;
  int erase_bk_tool = 0;
  int fix_save_opt = 0;    // low 4 bits: format index
  uint32_t canv_bk_col = 0xB4B4B4;
  uint32_t check_col1 = 0xD8D8D8, check_col2 = 0xF8F8F8;
  uint32_t grid_col = 0x0080FF;
  uint32_t center_grid_col = 0xFF00FF;  // | kCentreCrossShown
  uint32_t grad_map_col1 = 0xFFFFFF, grad_map_col2 = 0;
  std::string open_dir, save_dir, img_v_dir, fix_save_dir;
  int code_page = 932;     // layer names in files: 932 Japanese, 949 Korean
  std::string scan_device;  // the scanner chosen last (a SANE device name); "" the first one
  friend bool operator==(const Environment&, const Environment&) = default;
};

// [ToolEnv]: one packed option word per tool family.
struct ToolOptions {
  int pencil = 0;           // bits 0-7 dot shape 0..9, bit 15 blend
  int pen = 0xA004;         // bits 0-7 smoothing 0..40, bits 11-15 switches
  int pen2 = 0;             // minimums: bits 8-15 size %, bits 0-7 density %
  int brush = 0x3C00;
  int erase_pen = 0x1E64;
  int erase_brush = 0x3C00;
  int splay = 0x1E00;
  int dodge = 0x3C3C;
  int burn = 0x3C3C;
  int water = 0x11400;      // minimums, bits 16-23 water amount 0..3
  int paint = 1;            // fill switches, bits 0-3
  int grad = 0;             // bits 0-7 kind 0..4, bits 8-11 tone 0..8, bit 15 reverse
  friend bool operator==(const ToolOptions&, const ToolOptions&) = default;
};

// Packed-field readers (the words are range-checked at load).
constexpr int pencil_shape(int word) { return word & 0xFF; }
constexpr int pen_smoothing(int word) { return word & 0xFF; }
constexpr int minimum_size_percent(int word) { return (word >> 8) & 0xFF; }
constexpr int minimum_density_percent(int word) { return word & 0xFF; }
constexpr int water_amount(int word) { return (word >> 16) & 0xFF; }
constexpr int with_water_amount(int word, int amount) {
  return (word & ~0xFF0000) | ((amount & 0xFF) << 16);
}
constexpr int gradient_kind(int word) { return word & 0xFF; }
constexpr int gradient_tone(int word) { return (word >> 8) & 0x0F; }

// "ＭＳ Ｐゴシック", spelled out in UTF-8 so the source stays ASCII.
inline constexpr std::string_view kDefaultFontName =
    "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF";

// [Text]
struct TextSettings {
  int win_x = -1, win_y = -1;  // dialog position, -1: centred
  std::string font_name{kDefaultFontName};
  int char_set = 1;
  int font_size = 12;    // 1..1000 points
  int char_space = 0;    // -500..1000
  int line_space = 0;    // -500..1000
  int flag = 256;        // bit 0 bold, 1 italic, 2 vertical, 3 smoothing, 8 preview
  friend bool operator==(const TextSettings&, const TextSettings&) = default;
};

// Ruler of freehand strokes (not persisted).
struct Ruler {
  int kind = 0;  // 0 none, 1 line, 2 concentrated, 3 circle, 4 ellipse, 5 grid
  double line_angle = std::numbers::pi / 2;  // radians, image space
  double grid_angle = std::numbers::pi / 2;
  double centre_x = 0, centre_y = 0;         // image coordinates
  double aspect_x = 1.0, aspect_y = 1.0;     // ellipse: width / height, height / width
  friend bool operator==(const Ruler&, const Ruler&) = default;
};

// A brush slot: size in the high byte, density in the low byte; 511 is empty.
inline constexpr int kEmptyBrushSlot = 511;

// [Draw], [ToolEnv], [BrushSave], [MaskColRecent] and the runtime-only ruler.
struct DrawingState {
  int tool = kToolPencil;
  int current_colour = 0;                   // which of `colours` is current, 0 or 1
  std::array<uint32_t, 2> colours{0x000000, 0xFFFFFF};
  int colour_mask_type = 0;                 // 0 off, 1 protect, 2 only on; 0 at start
  int colour_mask_count = 1;                // 1..5
  std::array<uint32_t, kMaxMaskColours> mask_colours{};
  int texture_on = 0;
  int texture_sel = 0;                      // start-up clamps it to the library
  std::array<int, kToolCount> draw_type{};
  std::array<int, kToolCount> brush_size{1, 1, 8, 30, 30, 30, 10, 1, 30, 30,
                                         20, 20, 30, 30, 1, 1, 1, 1, 1};
  std::array<int, kToolCount> brush_alpha{255, 255, 255, 255, 255, 100, 255, 255, 255, 64,
                                          64, 64, 64, 64, 255, 255, 255, 255, 255};
  ToolOptions options;
  std::array<std::array<int, kBrushSlotCount>, kToolCount> brush_slots = [] {
    std::array<std::array<int, kBrushSlotCount>, kToolCount> table{};
    for (auto& tool : table) tool.fill(kEmptyBrushSlot);
    return table;
  }();
  std::array<uint32_t, kMaskColourRecentCount> mask_colour_recent{};
  Ruler ruler;

  uint32_t current_colour_value() const { return colours[current_colour & 1]; }
  friend bool operator==(const DrawingState&, const DrawingState&) = default;
};

// Canvas sizes in the recent list: width × 65536 + height.
constexpr int pack_canvas_size(int width, int height) { return width * 65536 + height; }
constexpr int packed_width(int packed) { return int(uint32_t(packed) >> 16); }
constexpr int packed_height(int packed) { return packed & 0xFFFF; }

// [NewSizeRecent], [RecentFile], [RecentDir]: most recent first; an empty
// path is an unused entry.
struct RecentLists {
  std::array<int, kRecentSizeCount> new_sizes{
      pack_canvas_size(400, 400), pack_canvas_size(400, 400), pack_canvas_size(400, 400),
      pack_canvas_size(400, 400), pack_canvas_size(400, 400)};
  std::array<std::string, kRecentFileCount> files;
  std::array<std::string, kRecentFolderCount> folders;
  friend bool operator==(const RecentLists&, const RecentLists&) = default;
};

struct Settings {
  WindowLayout windows;
  Environment env;
  TextSettings text;
  DrawingState draw;
  RecentLists recent;
  friend bool operator==(const Settings&, const Settings&) = default;
};

// Number of characters in `text` (code points when it is UTF-8, else bytes).
int text_length_chars(const std::string& text);

// Recent-list updates. A path goes to the front; an equal entry further down
// and, when the list is full, the oldest entry drop out. A path longer than
// `max_chars` characters, or one holding a line break, is not added (it could
// not be stored); false then.
bool push_recent_path(std::string* list, int count, const std::string& path, int max_chars);
template <size_t N>
bool push_recent_file(std::array<std::string, N>& list, const std::string& path) {
  return push_recent_path(list.data(), int(N), path, kMaxRecentFileChars);
}
template <size_t N>
bool push_recent_folder(std::array<std::string, N>& list, const std::string& path) {
  return push_recent_path(list.data(), int(N), path, kMaxFolderChars);
}
// Removes entry `index` and closes the gap (an empty entry fills the end).
void remove_recent_path(std::string* list, int count, int index);
// A chosen size moves to the front; a new one is inserted there and the last drops.
void push_recent_size(std::array<int, kRecentSizeCount>& list, int packed_size);

}  // namespace qm
