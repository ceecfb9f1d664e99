#include "state/settings_table.h"

#include <algorithm>
#include <array>
#include <climits>
#include <type_traits>
#include <vector>

#include "document/layer.h"
#include "formats/layer_name.h"

namespace qm {
namespace {

using S = SettingSection;
using T = SettingType;
using R = SettingRule;

// Field access through a path of member pointers: (settings.*a).*b ...
template <auto... Path>
int64_t get_field(const Settings& s, int, int) {
  return int64_t((s .* ... .* Path));
}
template <auto... Path>
void set_field(Settings& s, int, int, int64_t v) {
  auto& field = (s .* ... .* Path);
  field = static_cast<std::remove_reference_t<decltype(field)>>(v);
}
template <auto... Path>
int64_t get_element(const Settings& s, int, int element) {
  return int64_t((s .* ... .* Path)[size_t(element)]);
}
template <auto... Path>
void set_element(Settings& s, int, int element, int64_t v) {
  auto& field = (s .* ... .* Path)[size_t(element)];
  field = static_cast<std::remove_reference_t<decltype(field)>>(v);
}
// Numbered sections: the key's number picks the entry.
template <auto... Path>
int64_t get_numbered(const Settings& s, int number, int) {
  return int64_t((s .* ... .* Path)[size_t(number)]);
}
template <auto... Path>
void set_numbered(Settings& s, int number, int, int64_t v) {
  auto& field = (s .* ... .* Path)[size_t(number)];
  field = static_cast<std::remove_reference_t<decltype(field)>>(v);
}
int64_t get_brush_slot(const Settings& s, int number, int element) {
  return s.draw.brush_slots[size_t(number)][size_t(element)];
}
void set_brush_slot(Settings& s, int number, int element, int64_t v) {
  s.draw.brush_slots[size_t(number)][size_t(element)] = int(v);
}
template <auto... Path>
std::string& text_field(Settings& s, int) {
  return (s .* ... .* Path);
}
template <auto... Path>
std::string& text_numbered(Settings& s, int number) {
  return (s .* ... .* Path)[size_t(number)];
}
template <auto... Path>
const std::string& text_field_get(const Settings& s, int) {
  return (s .* ... .* Path);
}
template <auto... Path>
const std::string& text_numbered_get(const Settings& s, int number) {
  return (s .* ... .* Path)[size_t(number)];
}

constexpr std::string_view kNumberKeys[] = {"0",  "1",  "2",  "3",  "4",  "5",  "6",
                                            "7",  "8",  "9",  "10", "11", "12", "13",
                                            "14", "15", "16", "17", "18"};

constexpr int32_t kBrushSizeDefaults[kToolCount] = {1,  1,  8,  30, 30, 30, 10, 1, 30, 30,
                                                    20, 20, 30, 30, 1,  1,  1,  1, 1};
constexpr int32_t kBrushAlphaDefaults[kToolCount] = {255, 255, 255, 255, 255, 100, 255,
                                                     255, 255, 64,  64,  64,  64,  64,
                                                     255, 255, 255, 255, 255};

// Screen coordinates are kept within 16 bits, as the window system stores
// them; differences of two of them can then never overflow.
constexpr int64_t kCoordMin = -32768, kCoordMax = 32767;

class TableBuilder {
 public:
  void section(S s) { section_ = s; }

  template <auto... Path>
  void range(std::string_view key, int32_t def, int64_t lo, int64_t hi, int bits = 32) {
    add(key, T::kInt, R::kRange, bits, def, lo, hi, get_field<Path...>, set_field<Path...>);
  }
  template <auto... Path>
  void coord(std::string_view key, int32_t def) {
    range<Path...>(key, def, kCoordMin, kCoordMax);
  }
  template <auto... Path>
  void rule(std::string_view key, R rule, int32_t def, int bits = 32) {
    add(key, T::kInt, rule, bits, def, 0, 0, get_field<Path...>, set_field<Path...>);
  }
  // One element of an array field, under its own key.
  template <auto... Path>
  void element(std::string_view key, int index, R rule, int32_t def) {
    add(key, T::kInt, rule, 32, def, 0, 0, get_numbered<Path...>, set_numbered<Path...>);
    table_.back().number = index;
  }
  template <auto... Path>
  void written_only(std::string_view key, int32_t def, int64_t lo, int64_t hi) {
    range<Path...>(key, def, lo, hi);
    table_.back().read = false;
  }
  template <auto... Path>
  void path(std::string_view key, int max_chars) {
    SettingDef d = base(key, T::kString, R::kPath, 8);
    d.max_chars = max_chars;
    d.text = text_field<Path...>;
    d.text_get = text_field_get<Path...>;
    table_.push_back(d);
  }
  template <auto... Path>
  void font_name(std::string_view key, std::string_view def) {
    SettingDef d = base(key, T::kString, R::kFontName, 8);
    d.text_def = def;
    d.max_chars = kMaxFontNameBytes;
    d.text = text_field<Path...>;
    d.text_get = text_field_get<Path...>;
    table_.push_back(d);
  }
  template <auto... Path>
  void list(std::string_view key, R rule, int bits, int count, int32_t def, const int32_t* defs,
            int64_t lo = 0, int64_t hi = 0) {
    add(key, T::kList, rule, bits, def, lo, hi, get_element<Path...>, set_element<Path...>);
    table_.back().count = count;
    table_.back().defs = defs;
  }
  void constant_text(std::string_view key, std::string_view text) {
    SettingDef d = base(key, T::kString, R::kFlags, 8);
    d.text_def = text;
    d.read = false;
    table_.push_back(d);
  }
  template <auto... Path>
  void numbered(int n, T type, R rule, int32_t def, int64_t lo = 0, int64_t hi = 0) {
    for (int i = 0; i < n; ++i) {
      add(kNumberKeys[i], type, rule, 32, def, lo, hi, get_numbered<Path...>,
          set_numbered<Path...>);
      table_.back().number = i;
    }
  }
  template <auto... Path>
  void numbered_paths(int n, int max_chars) {
    for (int i = 0; i < n; ++i) {
      SettingDef d = base(kNumberKeys[i], T::kString, R::kPath, 8);
      d.number = i;
      d.max_chars = max_chars;
      d.text = text_numbered<Path...>;
      d.text_get = text_numbered_get<Path...>;
      table_.push_back(d);
    }
  }
  void brush_slots() {
    for (int i = 0; i < kToolCount; ++i) {
      add(kNumberKeys[i], T::kList, R::kBrushSlot, 16, kEmptyBrushSlot, 0, 0, get_brush_slot,
          set_brush_slot);
      table_.back().number = i;
      table_.back().count = kBrushSlotCount;
    }
  }

  std::vector<SettingDef> take() { return std::move(table_); }

 private:
  SettingDef base(std::string_view key, T type, R rule, int bits) const {
    SettingDef d{};
    d.section = section_;
    d.key = key;
    d.type = type;
    d.rule = rule;
    d.bits = bits;
    d.count = 1;
    d.read = true;
    return d;
  }
  void add(std::string_view key, T type, R rule, int bits, int32_t def, int64_t lo, int64_t hi,
           int64_t (*get)(const Settings&, int, int), void (*set)(Settings&, int, int, int64_t)) {
    SettingDef d = base(key, type, rule, bits);
    d.def = def;
    d.lo = lo;
    d.hi = hi;
    d.get = get;
    d.set = set;
    table_.push_back(d);
  }

  S section_ = S::kQuillmark2;
  std::vector<SettingDef> table_;
};

#define WIN(field) &Settings::windows, &WindowLayout::field
#define ENV(field) &Settings::env, &Environment::field
#define TOOL(field) &Settings::draw, &DrawingState::options, &ToolOptions::field
#define TEXT(field) &Settings::text, &TextSettings::field
#define DRAW(field) &Settings::draw, &DrawingState::field

std::vector<SettingDef> build_table() {
  TableBuilder b;
  constexpr int32_t kNP = kNeverPlaced;

  b.section(S::kQuillmark2);
  b.constant_text("Version", "0");

  b.section(S::kWindow);
  b.coord<WIN(main), &WindowRect::left>("MainLeft", kNP);
  b.coord<WIN(main), &WindowRect::top>("MainTop", 0);
  b.coord<WIN(main), &WindowRect::right>("MainRight", 500);
  b.coord<WIN(main), &WindowRect::bottom>("MainBottom", 400);
  b.range<WIN(main_show_cmd)>("MainShowCmd", 3, 1, 3);
  b.coord<WIN(tool), &WindowPoint::x>("ToolX", kNP);
  b.coord<WIN(tool), &WindowPoint::y>("ToolY", kNP);
  b.coord<WIN(control), &WindowPoint::x>("CtlX", kNP);
  b.coord<WIN(control), &WindowPoint::y>("CtlY", kNP);
  b.coord<WIN(layer), &WindowPoint::x>("LayerX", kNP);
  b.coord<WIN(layer), &WindowPoint::y>("LayerY", kNP);
  b.range<WIN(layer_height)>("LayerH", 290, 0, kCoordMax);
  b.coord<WIN(texture), &WindowRect::left>("TexLeft", kNP);
  b.coord<WIN(texture), &WindowRect::top>("TexTop", kNP);
  b.coord<WIN(texture), &WindowRect::right>("TexRight", 0);
  b.coord<WIN(texture), &WindowRect::bottom>("TexBottom", 0);
  b.coord<WIN(palette), &WindowRect::left>("PalLeft", kNP);
  b.coord<WIN(palette), &WindowRect::top>("PalTop", kNP);
  b.coord<WIN(palette), &WindowRect::right>("PalRight", 0);
  b.coord<WIN(palette), &WindowRect::bottom>("PalBottom", 0);
  b.coord<WIN(ex_palette), &WindowPoint::x>("ExPalX", kNP);
  b.coord<WIN(ex_palette), &WindowPoint::y>("ExPalY", kNP);
  b.coord<WIN(preview), &WindowRect::left>("PrevLeft", kNP);
  b.coord<WIN(preview), &WindowRect::top>("PrevTop", kNP);
  b.coord<WIN(preview), &WindowRect::right>("PrevRight", 0);
  b.coord<WIN(preview), &WindowRect::bottom>("PrevBottom", 0);
  b.coord<WIN(image_view), &WindowRect::left>("ImgVLeft", kNP);
  b.coord<WIN(image_view), &WindowRect::top>("ImgVTop", kNP);
  b.coord<WIN(image_view), &WindowRect::right>("ImgVRight", 0);
  b.coord<WIN(image_view), &WindowRect::bottom>("ImgVBottom", 0);
  b.coord<WIN(filter_list), &WindowRect::left>("FilterLeft", kNP);
  b.coord<WIN(filter_list), &WindowRect::top>("FilterTop", kNP);
  b.coord<WIN(filter_list), &WindowRect::right>("FilterRight", 0);
  b.coord<WIN(filter_list), &WindowRect::bottom>("FilterBottom", 0);

  b.section(S::kEnv);
  b.rule<ENV(win_view_flag)>("WinViewFlag", R::kFlags, 31, 16);
  b.rule<ENV(ex_view_flag)>("ExViewFlag", R::kExViewFlag, 144);
  b.rule<ENV(view_bk_flag)>("ViewBkFlag", R::kFlags, 1, 16);
  b.rule<ENV(opt_flag)>("OptFlag", R::kFlags, 58);
  b.rule<ENV(img_v_flag)>("ImgVFlag", R::kFlags, 0, 16);
  b.rule<ENV(prev_flag)>("PrevFlag", R::kFlags, 0);
  b.rule<ENV(tablet_flag)>("TabletFlag", R::kFlags, 1);
  b.range<ENV(def_img_w)>("DefImgW", 300, 1, 4500);
  b.range<ENV(def_img_h)>("DefImgH", 300, 1, 4500);
  b.range<ENV(last_img_w)>("LastImgW", 300, 1, 4500);
  b.range<ENV(last_img_h)>("LastImgH", 300, 1, 4500);
  b.range<ENV(scale_d_add)>("ScaleDAdd", 25, 5, 100);
  b.range<ENV(scale_u_add)>("ScaleUAdd", 100, 5, 1000);
  b.range<ENV(undo_cnt)>("UndoCnt", 30, 2, 200);
  b.range<ENV(grid_w)>("GridW", 100, 4, 4500);
  b.range<ENV(grid_h)>("GridH", 100, 4, 4500);
  b.range<ENV(grid_pixel_per)>("GridPixelPer", 5, 4, 20);
  b.range<ENV(col_bar_type)>("ColBarType", 1, 0, 1);
  b.range<ENV(tex_view_size)>("TexViewSize", 1, 0, 5);
  b.range<ENV(pal_view_w)>("PalViewW", 12, 4, 30);
  b.range<ENV(pal_view_h)>("PalViewH", 12, 4, 30);
  b.range<ENV(pal_r_btt)>("PalRBtt", 0, 0, 1);
  b.range<ENV(pal_def_tab)>("PalDefTab", 0, 0, 9);
  b.range<ENV(ex_pal_type)>("ExPalType", 0, 0, 2);
  // The preview's fitted zoom may be anything in 1..999; chosen zooms are 10..800.
  b.range<ENV(prev_scale)>("PrevScale", 100, 1, 999);
  b.range<ENV(img_v_scale)>("ImgVScale", 100, 10, 800);
  b.range<ENV(info_bar_pos)>("InfoBarPos", 1, 0, 5);
  b.range<ENV(png_comp)>("PNGComp", 6, 0, 9);
  b.rule<ENV(jpeg_comp)>("JPEGComp", R::kJpegComp, 85, 16);
  b.range<ENV(scale_type)>("ScaleType", 4, 0, 5);
  b.rule<ENV(rotate_angle)>("RotateAngle", R::kRotateAngle, 65536);
  b.range<ENV(def_erase)>("DefErase", 0, 0, 2);
  b.range<ENV(brush_cir_size)>("BrushCirSize", 10, 2, 100);
  b.range<ENV(tale_tool)>("TaleTool", kToolDotEraser, 0, kToolCount - 1);
  b.range<ENV(tab_side1)>("TabSide1", 0, 0, 4);
  b.range<ENV(tab_side2)>("TabSide2", 0, 0, 4);
  b.rule<ENV(erase_bk_tool)>("EraseBkTool", R::kEraseBkTool, 0);
  b.rule<ENV(fix_save_opt)>("FixSaveOpt", R::kFixSaveOpt, 0);
  b.rule<ENV(canv_bk_col)>("CanvBkCol", R::kColour, 0xB4B4B4);
  b.rule<ENV(check_col1)>("CheckCol1", R::kColour, 0xD8D8D8);
  b.rule<ENV(check_col2)>("CheckCol2", R::kColour, 0xF8F8F8);
  b.rule<ENV(grid_col)>("GridCol", R::kColour, 0x0080FF);
  b.rule<ENV(center_grid_col)>("CenterGridCol", R::kColourFlag, 0xFF00FF);
  b.rule<ENV(grad_map_col1)>("GradMapCol1", R::kColour, 0xFFFFFF);
  b.rule<ENV(grad_map_col2)>("GradMapCol2", R::kColour, 0);
  b.path<ENV(open_dir)>("OpenDir", kMaxFolderChars);
  b.path<ENV(save_dir)>("SaveDir", kMaxFolderChars);
  b.path<ENV(img_v_dir)>("ImgVDir", kMaxFolderChars);
  b.path<ENV(fix_save_dir)>("FixSaveDir", kMaxFolderChars);
  b.range<ENV(code_page)>("CodePage", 932, 932, 949);
  b.path<ENV(scan_device)>("ScanDevice", kMaxFolderChars);

  b.section(S::kToolEnv);
  b.rule<TOOL(pencil)>("Pencil", R::kPencilWord, 0, 16);
  b.rule<TOOL(pen)>("Pen", R::kPenWord, 0xA004);
  b.rule<TOOL(pen2)>("Pen2", R::kMinimumsWord, 0, 16);
  b.rule<TOOL(brush)>("Brush", R::kMinimumsWord, 0x3C00, 16);
  b.rule<TOOL(erase_pen)>("ErasePen", R::kMinimumsWord, 0x1E64, 16);
  b.rule<TOOL(erase_brush)>("EraseBrush", R::kMinimumsWord, 0x3C00, 16);
  b.rule<TOOL(splay)>("Splay", R::kMinimumsWord, 0x1E00, 16);
  b.rule<TOOL(dodge)>("Dodge", R::kMinimumsWord, 0x3C3C, 16);
  b.rule<TOOL(burn)>("Burn", R::kMinimumsWord, 0x3C3C, 16);
  b.rule<TOOL(water)>("Water", R::kWaterWord, 0x11400);
  b.rule<TOOL(paint)>("Paint", R::kPaintWord, 1, 16);
  b.rule<TOOL(grad)>("Grad", R::kGradWord, 0);

  b.section(S::kText);
  b.coord<TEXT(win_x)>("WinX", -1);
  b.coord<TEXT(win_y)>("WinY", -1);
  b.font_name<TEXT(font_name)>("FontName", kDefaultFontName);
  b.range<TEXT(char_set)>("CharSet", 1, 0, 255, 8);
  b.range<TEXT(font_size)>("FontSize", 12, 1, 1000);
  b.range<TEXT(char_space)>("CharSpace", 0, -500, 1000);
  b.range<TEXT(line_space)>("LineSpace", 0, -500, 1000);
  b.rule<TEXT(flag)>("Flag", R::kFlags, 256);

  b.section(S::kDraw);
  b.range<DRAW(tool)>("ToolNo", 0, 0, kToolCount - 1);
  b.range<DRAW(current_colour)>("CurColNo", 0, 0, 1);
  b.element<DRAW(colours)>("DrawCol1", 0, R::kColour, 0);
  b.element<DRAW(colours)>("DrawCol2", 1, R::kColour, 0xFFFFFF);
  b.written_only<DRAW(colour_mask_type)>("ColMaskType", 0, 0, 2);
  b.range<DRAW(colour_mask_count)>("ColMaskCnt", 1, 1, kMaxMaskColours);
  b.range<DRAW(texture_on)>("TextureOn", 0, 0, 1);
  b.range<DRAW(texture_sel)>("TextureSel", 0, 0, 499);
  b.list<DRAW(draw_type)>("DrawType", R::kDrawType, 8, kToolCount, 0, nullptr);
  b.list<DRAW(brush_size)>("BrushSize", R::kRange, 8, kToolCount, 0, kBrushSizeDefaults, 1,
                           100);
  b.list<DRAW(brush_alpha)>("BrushAlpha", R::kRange, 8, kToolCount, 0, kBrushAlphaDefaults, 1,
                            255);
  b.list<DRAW(mask_colours)>("MaskCol", R::kColour, 32, kMaxMaskColours, 0, nullptr);

  b.section(S::kNewSizeRecent);
  b.numbered<&Settings::recent, &RecentLists::new_sizes>(kRecentSizeCount, T::kInt,
                                                         R::kCanvasSize, 26214800);
  b.section(S::kBrushSave);
  b.brush_slots();
  b.section(S::kMaskColRecent);
  b.numbered<DRAW(mask_colour_recent)>(kMaskColourRecentCount, T::kHex, R::kColour, 0);
  b.section(S::kRecentFile);
  b.numbered_paths<&Settings::recent, &RecentLists::files>(kRecentFileCount,
                                                           kMaxRecentFileChars);
  b.section(S::kRecentDir);
  b.numbered_paths<&Settings::recent, &RecentLists::folders>(kRecentFolderCount,
                                                             kMaxFolderChars);

  return b.take();
}

#undef WIN
#undef ENV
#undef TOOL
#undef TEXT
#undef DRAW

uint32_t min_u(uint32_t a, uint32_t b) { return a < b ? a : b; }

}  // namespace

std::string_view section_name(SettingSection section) {
  switch (section) {
    case S::kQuillmark2: return "Quillmark2";
    case S::kWindow: return "Window";
    case S::kEnv: return "Env";
    case S::kToolEnv: return "ToolEnv";
    case S::kText: return "Text";
    case S::kDraw: return "Draw";
    case S::kNewSizeRecent: return "NewSizeRecent";
    case S::kBrushSave: return "BrushSave";
    case S::kMaskColRecent: return "MaskColRecent";
    case S::kRecentFile: return "RecentFile";
    case S::kRecentDir: return "RecentDir";
  }
  return {};
}

std::span<const SettingDef> settings_table() {
  static const std::vector<SettingDef> table = build_table();
  return table;
}

const SettingDef* find_setting(SettingSection section, std::string_view key) {
  for (const SettingDef& d : settings_table())
    if (d.section == section && d.key == key) return &d;
  return nullptr;
}

int64_t sanitize_setting(const SettingDef& d, int element, int64_t raw) {
  // Bit-packed rules look at the value as the 32 (or 16) bits it is stored in.
  const uint32_t v32 = uint32_t(uint64_t(raw));
  const uint32_t v16 = v32 & 0xFFFF;
  switch (d.rule) {
    case R::kRange:
      return std::clamp(raw, d.lo, d.hi);
    case R::kFlags:
      if (d.bits == 16) return v16;
      if (d.bits == 8) return v32 & 0xFF;
      return int32_t(v32);
    case R::kColour:
      return v32 & 0xFFFFFF;
    case R::kColourFlag:
      return v32 & 0x80FFFFFF;
    case R::kExViewFlag:
      return v32 & 0xFFFA;
    case R::kJpegComp:
      return (v16 & 0x8000) | std::clamp<uint32_t>(v16 & 0x7FFF, 1, 100);
    case R::kRotateAngle: {
      const int angle = std::clamp<int>(int16_t(v16), -359, 359);
      return (v32 & 0x10000) | (uint32_t(angle) & 0xFFFF);
    }
    case R::kFixSaveOpt:
      return min_u(v32 & 15, 6);
    case R::kEraseBkTool: {
      const int64_t tool = std::clamp<int64_t>(raw, 0, kToolGradient - 1);
      return (tool >= kToolDotEraser && tool <= kToolBrushEraser) ? d.def : tool;
    }
    case R::kPencilWord:
      return min_u(v16 & 0xFF, 9) | (v16 & 0x8000);
    case R::kPenWord:
      return min_u(v32 & 0xFF, 40) | (v32 & 0xF800);
    case R::kMinimumsWord:
      return min_u(v16 >> 8, 100) << 8 | min_u(v16 & 0xFF, 100);
    case R::kWaterWord:
      return min_u((v32 >> 16) & 0xFF, 3) << 16 | min_u((v32 >> 8) & 0xFF, 100) << 8 |
             min_u(v32 & 0xFF, 100);
    case R::kPaintWord:
      return v16 & 0x0F;
    case R::kGradWord:
      return min_u(v32 & 0xFF, 4) | min_u((v32 >> 8) & 0x0F, 8) << 8 | (v32 & 0x8000);
    case R::kDrawType: {
      const int64_t type = std::clamp<int64_t>(raw, 0, kDrawTypeCount - 1);
      return (allowed_draw_types(element) >> type) & 1 ? type : 0;
    }
    case R::kCanvasSize: {
      const uint32_t w = std::clamp<uint32_t>(v32 >> 16, 1, 4500);
      const uint32_t h = std::clamp<uint32_t>(v32 & 0xFFFF, 1, 4500);
      return int64_t(w) * 65536 + h;
    }
    case R::kBrushSlot:
      return std::clamp<uint32_t>(v16 >> 8, 1, 100) << 8 | std::clamp<uint32_t>(v16 & 0xFF, 1, 255);
    case R::kPath:
    case R::kFontName:
      break;
  }
  return d.default_at(element);
}

bool sanitize_setting_text(const SettingDef& d, std::string_view raw, std::string& out) {
  if (d.rule == R::kFontName) {
    // C strings end at a zero byte; names from older files are CP932.
    raw = raw.substr(0, raw.find('\0'));
    if (is_valid_utf8(raw)) {
      out = fit_utf8_bytes(std::string(raw), size_t(d.max_chars));
    } else {
      out = fit_utf8_bytes(legacy_to_utf8(raw.substr(0, kNameFieldBytes - 1)), size_t(d.max_chars));
    }
    return true;
  }
  if (d.rule == R::kPath) {
    // A path cut short would name another file: drop it instead.
    const std::string path(raw);
    if (path.find('\0') != std::string::npos) return false;
    if (text_length_chars(path) > d.max_chars) return false;
    out = path;
    return true;
  }
  out = std::string(raw);
  return true;
}

void apply_setting_defaults(Settings& settings) {
  for (const SettingDef& d : settings_table()) {
    if (d.text) {
      d.text(settings, d.number) = std::string(d.text_def);
    } else if (d.set) {
      for (int e = 0; e < d.count; ++e) d.set(settings, d.number, e, d.default_at(e));
    }
  }
}

}  // namespace qm
