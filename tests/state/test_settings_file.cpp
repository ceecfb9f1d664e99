#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "state/key_bindings.h"
#include "state/settings_file.h"
#include "state/settings_table.h"
#include "state/user_paths.h"
#include "state_test_util.h"

namespace qm {
namespace {

using test::read_text;
using test::ScratchFolder;
using test::write_text;

// The file a fresh installation writes, spelled out key by key.
std::string default_file() {
  std::string f =
      "[Quillmark2]\r\nVersion=0\r\n"
      "[Window]\r\nMainLeft=-10000\r\nMainTop=0\r\nMainRight=500\r\nMainBottom=400\r\n"
      "MainShowCmd=3\r\nToolX=-10000\r\nToolY=-10000\r\nCtlX=-10000\r\nCtlY=-10000\r\n"
      "LayerX=-10000\r\nLayerY=-10000\r\nLayerH=290\r\n"
      "TexLeft=-10000\r\nTexTop=-10000\r\nTexRight=0\r\nTexBottom=0\r\n"
      "PalLeft=-10000\r\nPalTop=-10000\r\nPalRight=0\r\nPalBottom=0\r\n"
      "ExPalX=-10000\r\nExPalY=-10000\r\n"
      "PrevLeft=-10000\r\nPrevTop=-10000\r\nPrevRight=0\r\nPrevBottom=0\r\n"
      "ImgVLeft=-10000\r\nImgVTop=-10000\r\nImgVRight=0\r\nImgVBottom=0\r\n"
      "FilterLeft=-10000\r\nFilterTop=-10000\r\nFilterRight=0\r\nFilterBottom=0\r\n"
      "[Env]\r\nWinViewFlag=31\r\nExViewFlag=144\r\nViewBkFlag=1\r\nOptFlag=58\r\n"
      "ImgVFlag=0\r\nPrevFlag=0\r\nTabletFlag=1\r\nDefImgW=300\r\nDefImgH=300\r\n"
      "LastImgW=300\r\nLastImgH=300\r\nScaleDAdd=25\r\nScaleUAdd=100\r\nUndoCnt=30\r\n"
      "GridW=100\r\nGridH=100\r\nGridPixelPer=5\r\nColBarType=1\r\nTexViewSize=1\r\n"
      "PalViewW=12\r\nPalViewH=12\r\nPalRBtt=0\r\nPalDefTab=0\r\nExPalType=0\r\n"
      "PrevScale=100\r\nImgVScale=100\r\nInfoBarPos=1\r\nPNGComp=6\r\nJPEGComp=85\r\n"
      "ScaleType=4\r\nRotateAngle=65536\r\nDefErase=0\r\nBrushCirSize=10\r\nTaleTool=7\r\n"
      "TabSide1=0\r\nTabSide2=0\r\nEraseBkTool=0\r\nFixSaveOpt=0\r\nCanvBkCol=11842740\r\n"
      "CheckCol1=14211288\r\nCheckCol2=16316664\r\nGridCol=33023\r\n"
      "CenterGridCol=16711935\r\nGradMapCol1=16777215\r\nGradMapCol2=0\r\n"
      "OpenDir=\r\nSaveDir=\r\nImgVDir=\r\nFixSaveDir=\r\nCodePage=932\r\nScanDevice=\r\n"
      "[ToolEnv]\r\nPencil=0\r\nPen=40964\r\nPen2=0\r\nBrush=15360\r\nErasePen=7780\r\n"
      "EraseBrush=15360\r\nSplay=7680\r\nDodge=15420\r\nBurn=15420\r\nWater=70656\r\n"
      "Paint=1\r\nGrad=0\r\n"
      "[Text]\r\nWinX=-1\r\nWinY=-1\r\nFontName=\xEF\xBC\xAD\xEF\xBC\xB3 "
      "\xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF\r\n"
      "CharSet=1\r\nFontSize=12\r\nCharSpace=0\r\nLineSpace=0\r\nFlag=256\r\n"
      "[Draw]\r\nToolNo=0\r\nCurColNo=0\r\nDrawCol1=0\r\nDrawCol2=16777215\r\n"
      "ColMaskType=0\r\nColMaskCnt=1\r\nTextureOn=0\r\nTextureSel=0\r\n"
      "DrawType=0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,\r\n"
      "BrushSize=1,1,8,30,30,30,10,1,30,30,20,20,30,30,1,1,1,1,1,\r\n"
      "BrushAlpha=255,255,255,255,255,100,255,255,255,64,64,64,64,64,255,255,255,255,255,\r\n"
      "MaskCol=0,0,0,0,0,\r\n"
      "[NewSizeRecent]\r\n";
  for (int i = 0; i < 5; ++i) f += std::to_string(i) + "=26214800\r\n";
  f += "[BrushSave]\r\n";
  for (int i = 0; i < 19; ++i) f += std::to_string(i) + "=511,511,511,511,511,511,511,\r\n";
  f += "[MaskColRecent]\r\n";
  for (int i = 0; i < 8; ++i) f += std::to_string(i) + "=0\r\n";
  f += "[RecentFile]\r\n";
  for (int i = 0; i < 10; ++i) f += std::to_string(i) + "=\r\n";
  f += "[RecentDir]\r\n";
  for (int i = 0; i < 8; ++i) f += std::to_string(i) + "=\r\n";
  return f;
}

// A state where every persisted value differs from its default and lies in
// range, so a round trip exercises every key.
Settings every_value_changed() {
  Settings s;
  WindowLayout& w = s.windows;
  w.main = {10, 20, 1210, 920};
  w.main_show_cmd = 1;
  w.tool = {1500, 40};
  w.control = {1496, 190};
  w.layer = {8, 600};
  w.layer_height = 333;
  w.texture = {1262, 188, 1492, 364};
  w.palette = {1261, 32, 1496, 185};
  w.ex_palette = {-1700, 800};  // on a second screen to the left
  w.preview = {5, 32, 185, 212};
  w.image_view = {200, 32, 350, 182};
  w.filter_list = {100, 50, 250, 250};
  Environment& e = s.env;
  e.win_view_flag = 0x1FF;
  e.ex_view_flag = 0x2A;  // mirror and full screen never stored back
  e.view_bk_flag = 0xFFFF;
  e.opt_flag = 0x7F;
  e.img_v_flag = 1;
  e.prev_flag = 3;
  e.tablet_flag = 2;
  e.def_img_w = 4500;
  e.def_img_h = 1;
  e.last_img_w = 640;
  e.last_img_h = 480;
  e.scale_d_add = 5;
  e.scale_u_add = 1000;
  e.undo_cnt = 200;
  e.grid_w = 4;
  e.grid_h = 4500;
  e.grid_pixel_per = 20;
  e.col_bar_type = 0;
  e.tex_view_size = 5;
  e.pal_view_w = 4;
  e.pal_view_h = 30;
  e.pal_r_btt = 1;
  e.pal_def_tab = 9;
  e.ex_pal_type = 2;
  e.prev_scale = 999;
  e.img_v_scale = 800;
  e.info_bar_pos = 5;
  e.png_comp = 9;
  e.jpeg_comp = 0x8000 | 100;
  e.scale_type = 0;
  e.rotate_angle = 0xFE99;  // -359, smoothing off
  e.def_erase = 2;
  e.brush_cir_size = 100;
  e.tale_tool = kToolRectSelect;
  e.tab_side1 = 4;
  e.tab_side2 = 3;
  e.erase_bk_tool = 14;
  e.fix_save_opt = 6;
  e.canv_bk_col = 0x123456;
  e.check_col1 = 0xFFFFFF;
  e.check_col2 = 0x000001;
  e.grid_col = 0xABCDEF;
  e.center_grid_col = kCentreCrossShown | 0x00FF00;
  e.grad_map_col1 = 0x010203;
  e.grad_map_col2 = 0xFEFDFC;
  e.open_dir = "/home/user/pictures";
  e.save_dir = "/home/user/\xEA\xB7\xB8\xEB\xA6\xBC";  // "그림"
  e.img_v_dir = "/media/usb/ref";
  e.fix_save_dir = "/tmp/out dir";
  e.scan_device = "net:scanhost:test:1";
  ToolOptions& t = s.draw.options;
  t.pencil = 0x8009;
  t.pen = 0xF828;
  t.pen2 = 0x6464;
  t.brush = 0x0001;
  t.erase_pen = 0x0100;
  t.erase_brush = 0x3232;
  t.splay = 0x0A0B;
  t.dodge = 0x1111;
  t.burn = 0x2222;
  t.water = 0x036464;
  t.paint = 0x0F;
  t.grad = 0x8804;
  TextSettings& x = s.text;
  x.win_x = 300;
  x.win_y = -20;
  x.font_name = "Noto Sans CJK KR";
  x.char_set = 2;
  x.font_size = 1000;
  x.char_space = -500;
  x.line_space = 1000;
  x.flag = 0x10F;
  DrawingState& d = s.draw;
  d.tool = kToolBurn;
  d.current_colour = 1;
  d.colours = {0x102030, 0x405060};
  d.colour_mask_count = 5;
  d.mask_colours = {1, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  d.texture_on = 1;
  d.texture_sel = 499;
  for (int tool = 0; tool < kToolCount; ++tool) {
    // The highest draw type each tool accepts (0 for those without any).
    int type = 0;
    for (int i = 0; i < kDrawTypeCount; ++i)
      if (allowed_draw_types(tool) >> i & 1) type = i;
    d.draw_type[size_t(tool)] = type;
    d.brush_size[size_t(tool)] = 100 - tool;
    d.brush_alpha[size_t(tool)] = 1 + tool * 13;
    for (int slot = 0; slot < kBrushSlotCount; ++slot)
      d.brush_slots[size_t(tool)][size_t(slot)] = (1 + tool + slot) << 8 | (255 - slot);
  }
  for (int i = 0; i < kMaskColourRecentCount; ++i)
    d.mask_colour_recent[size_t(i)] = 0x0A0B0Cu * uint32_t(i + 1);
  RecentLists& r = s.recent;
  for (int i = 0; i < kRecentSizeCount; ++i) r.new_sizes[size_t(i)] = pack_canvas_size(100 + i, 4500 - i);
  for (int i = 0; i < kRecentFileCount; ++i) r.files[size_t(i)] = "/a/" + std::to_string(i) + ".qmd";
  for (int i = 0; i < kRecentFolderCount; ++i) r.folders[size_t(i)] = "/f" + std::to_string(i);
  return s;
}

TEST(SettingsFile, DefaultsAreWrittenInSectionAndKeyOrder) {
  EXPECT_EQ(settings_to_text(Settings{}), default_file());
  // ... and read back as the defaults.
  EXPECT_EQ(settings_from_text(default_file()), Settings{});
}

TEST(SettingsFile, MissingEmptyOrUnreadableFileGivesDefaults) {
  ScratchFolder dir;
  EXPECT_EQ(load_settings(dir.file("config.ini")), Settings{});
  write_text(dir.file("empty.ini"), "");
  EXPECT_EQ(load_settings(dir.file("empty.ini")), Settings{});
  EXPECT_EQ(load_settings(dir.path()), Settings{});  // a folder, not a file
  // A file far bigger than any settings file is not read at all.
  write_text(dir.file("huge.ini"), "[Env]\r\nUndoCnt=50\r\n" + std::string(size_t(kMaxSettingsFileBytes), '#'));
  EXPECT_EQ(load_settings(dir.file("huge.ini")), Settings{});
}

TEST(SettingsFile, FullRoundTripIsByteIdentical) {
  const Settings changed = every_value_changed();
  const std::string text = settings_to_text(changed);
  EXPECT_EQ(settings_from_text(text), changed);
  EXPECT_EQ(settings_to_text(settings_from_text(text)), text);

  // The same through the files.
  ScratchFolder dir;
  const std::string path = dir.file("config.ini");
  ASSERT_TRUE(save_settings(path, changed));
  EXPECT_EQ(read_text(path), text);
  const Settings loaded = load_settings(path);
  EXPECT_EQ(loaded, changed);
  ASSERT_TRUE(save_settings(path, loaded));
  EXPECT_EQ(read_text(path), text);
  EXPECT_EQ(dir.entry_count(), 1u);  // no temporary file left behind
}

TEST(SettingsFile, WrittenNumberFormats) {
  Settings s;
  s.env.win_view_flag = 0xFFFF;
  s.env.jpeg_comp = 0x8055;
  s.env.center_grid_col = 0x80FF00FF;
  s.env.ex_view_flag = 0x95;       // mirror and full screen set while running
  s.draw.colour_mask_type = 2;     // written, never read
  s.draw.mask_colour_recent[3] = 0xABCDEF;
  s.draw.brush_slots[18][6] = 0x6432;
  const std::string text = settings_to_text(s);
  EXPECT_NE(text.find("\r\nWinViewFlag=65535\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nJPEGComp=32853\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nCenterGridCol=-2130771713\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nExViewFlag=149\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\nColMaskType=2\r\n"), std::string::npos);
  EXPECT_NE(text.find("[MaskColRecent]\r\n0=0\r\n1=0\r\n2=0\r\n3=abcdef\r\n"), std::string::npos);
  EXPECT_NE(text.find("\r\n18=511,511,511,511,511,511,25650,\r\n[MaskColRecent]"),
            std::string::npos);

  const Settings back = settings_from_text(text);
  EXPECT_EQ(back.env.center_grid_col, 0x80FF00FFu);
  EXPECT_EQ(back.env.jpeg_comp, 0x8055);
  EXPECT_EQ(back.env.ex_view_flag, 0x90);  // 0x95 & 0xFFFA
  EXPECT_EQ(back.draw.colour_mask_type, 0);
  EXPECT_EQ(back.draw.mask_colour_recent[3], 0xABCDEFu);
  EXPECT_EQ(back.draw.brush_slots[18][6], 0x6432);
}

TEST(SettingsFile, CrLfAndCrLfAllEndALine) {
  const std::string lines[] = {"[Env]", "UndoCnt=50", "GridW=7", "[Draw]", "ToolNo=4",
                               "DrawType=3,4"};
  for (const char* eol : {"\r\n", "\n", "\r"}) {
    std::string text;
    for (const std::string& line : lines) text += line + eol;
    const Settings s = settings_from_text(text);
    EXPECT_EQ(s.env.undo_cnt, 50) << int(eol[0]);
    EXPECT_EQ(s.env.grid_w, 7) << int(eol[0]);
    EXPECT_EQ(s.draw.tool, 4) << int(eol[0]);
    EXPECT_EQ(s.draw.draw_type[1], 4) << int(eol[0]);
  }
  // Mixed, and no line end after the last line.
  const Settings mixed = settings_from_text("[Env]\rUndoCnt=51\n\nGridW=8\r\n\r[Draw]\nToolNo=5");
  EXPECT_EQ(mixed.env.undo_cnt, 51);
  EXPECT_EQ(mixed.env.grid_w, 8);
  EXPECT_EQ(mixed.draw.tool, 5);
}

TEST(SettingsFile, KeyLookupRules) {
  // A section without the key keeps the default; other keys there are read.
  Settings s = settings_from_text("[Env]\r\nGridW=50\r\n");
  EXPECT_EQ(s.env.undo_cnt, 30);
  EXPECT_EQ(s.env.grid_w, 50);
  // Blanks around "=" or before the key: not this key.
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCnt = 50\r\n").env.undo_cnt, 30);
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCnt =50\r\n").env.undo_cnt, 30);
  EXPECT_EQ(settings_from_text("[Env]\r\n UndoCnt=50\r\n").env.undo_cnt, 30);
  // Blanks after "=" belong to the number, which skips them.
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCnt=  50\r\n").env.undo_cnt, 50);
  // Letter case counts, for keys and sections.
  EXPECT_EQ(settings_from_text("[Env]\r\nundocnt=50\r\n").env.undo_cnt, 30);
  EXPECT_EQ(settings_from_text("[env]\r\nUndoCnt=50\r\n").env.undo_cnt, 30);
  // Before any section header, or under another section: never found.
  EXPECT_EQ(settings_from_text("UndoCnt=50\r\n[Env]\r\nGridW=9\r\n").env.undo_cnt, 30);
  EXPECT_EQ(settings_from_text("[Window]\r\nUndoCnt=50\r\n[Env]\r\n").env.undo_cnt, 30);
  // A longer key with the same start is another key.
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCntX=50\r\nUndoCnt=60\r\n").env.undo_cnt, 60);
  // The first matching line and the first matching section win.
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCnt=40\r\nUndoCnt=60\r\n").env.undo_cnt, 40);
  EXPECT_EQ(settings_from_text("[Env]\r\nGridW=9\r\n[Env]\r\nUndoCnt=60\r\n").env.undo_cnt, 30);
  // Text after the closing bracket does not matter; a longer name is another section.
  EXPECT_EQ(settings_from_text("[Env] main\r\nUndoCnt=60\r\n").env.undo_cnt, 60);
  EXPECT_EQ(settings_from_text("[EnvX]\r\nUndoCnt=60\r\n").env.undo_cnt, 30);
}

TEST(SettingsFile, ValuesAsTheFileHoldsThem) {
  // Mirror and full screen are dropped when read.
  EXPECT_EQ(settings_from_text("[Env]\r\nExViewFlag=15\r\n").env.ex_view_flag, 10);
  // A short list sets its first elements only.
  const Settings s = settings_from_text("[Draw]\r\nDrawType=3,4\r\n");
  EXPECT_EQ(s.draw.draw_type[0], 3);
  EXPECT_EQ(s.draw.draw_type[1], 4);
  for (int tool = 2; tool < kToolCount; ++tool) EXPECT_EQ(s.draw.draw_type[size_t(tool)], 0);
  // Burn has its own key.
  const Settings b = settings_from_text("[ToolEnv]\r\nDodge=100\r\nBurn=25600\r\n");
  EXPECT_EQ(b.draw.options.dodge, 100);
  EXPECT_EQ(b.draw.options.burn, 25600);
  // The colour mask is always off at start, whatever was stored.
  EXPECT_EQ(settings_from_text("[Draw]\r\nColMaskType=2\r\n").draw.colour_mask_type, 0);
  // A number stops at the first other character; hex takes at most 8 digits.
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCnt=42abc\r\n").env.undo_cnt, 42);
  EXPECT_EQ(settings_from_text("[MaskColRecent]\r\n0=00ABCDEF99\r\n").draw.mask_colour_recent[0],
            0xABCDEFu);
  // A list element that is not a number keeps its default.
  const Settings l = settings_from_text("[Draw]\r\nBrushSize=5,x,,7\r\n");
  EXPECT_EQ(l.draw.brush_size[0], 5);
  EXPECT_EQ(l.draw.brush_size[1], 1);
  EXPECT_EQ(l.draw.brush_size[2], 8);
  EXPECT_EQ(l.draw.brush_size[3], 7);
  EXPECT_EQ(l.draw.brush_size[4], 30);
}

TEST(SettingsFile, OutOfRangeValuesFallToTheNearestBound) {
  const Settings s = settings_from_text(
      "[Env]\r\nUndoCnt=0\r\nGridW=-5\r\nGridH=100000\r\nScaleDAdd=0\r\nScaleUAdd=0\r\n"
      "DefImgW=5000\r\nDefErase=3\r\nTaleTool=19\r\nScaleType=-1\r\nFixSaveOpt=9\r\n"
      "JPEGComp=0\r\nPNGComp=10\r\nRotateAngle=65936\r\nEraseBkTool=16\r\nGridPixelPer=0\r\n"
      "PrevScale=0\r\nImgVScale=5000\r\nTexViewSize=9\r\nCanvBkCol=-1\r\n"
      "[ToolEnv]\r\nPencil=65535\r\nPen=41215\r\nBrush=-1\r\nWater=16777215\r\nGrad=65535\r\n"
      "[Text]\r\nFontSize=0\r\nCharSpace=-9999\r\nLineSpace=9999\r\nCharSet=300\r\n"
      "[Draw]\r\nToolNo=19\r\nCurColNo=2\r\nColMaskCnt=9\r\nTextureOn=5\r\nTextureSel=-3\r\n"
      "BrushSize=0,300,-5,101\r\nBrushAlpha=0,256\r\n"
      "[NewSizeRecent]\r\n0=0\r\n1=-1\r\n"
      "[BrushSave]\r\n0=65535,0,-1\r\n");
  const Environment& e = s.env;
  EXPECT_EQ(e.undo_cnt, 2);
  EXPECT_EQ(e.grid_w, 4);
  EXPECT_EQ(e.grid_h, 4500);
  EXPECT_EQ(e.scale_d_add, 5);
  EXPECT_EQ(e.scale_u_add, 5);
  EXPECT_EQ(e.def_img_w, 4500);
  EXPECT_EQ(e.def_erase, 2);
  EXPECT_EQ(e.tale_tool, 18);
  EXPECT_EQ(e.scale_type, 0);
  EXPECT_EQ(e.fix_save_opt, 6);
  EXPECT_EQ(e.jpeg_comp, 1);
  EXPECT_EQ(e.png_comp, 9);
  EXPECT_EQ(e.rotate_angle, 0x10000 | 359);  // 400 degrees, smoothing on
  EXPECT_EQ(e.erase_bk_tool, 14);
  EXPECT_EQ(e.grid_pixel_per, 4);
  EXPECT_EQ(e.prev_scale, 1);
  EXPECT_EQ(e.img_v_scale, 800);
  EXPECT_EQ(e.tex_view_size, 5);
  EXPECT_EQ(e.canv_bk_col, 0xFFFFFFu);
  const ToolOptions& t = s.draw.options;
  EXPECT_EQ(pencil_shape(t.pencil), 9);
  EXPECT_EQ(t.pencil & 0x8000, 0x8000);
  EXPECT_EQ(pen_smoothing(t.pen), 40);  // the smoothing ring holds 64 samples
  EXPECT_EQ(t.pen & 0xF800, 0xA000);
  EXPECT_EQ(t.brush, 100 << 8 | 100);
  EXPECT_EQ(water_amount(t.water), 3);
  EXPECT_EQ(minimum_size_percent(t.water), 100);
  EXPECT_EQ(gradient_kind(t.grad), 4);
  EXPECT_EQ(gradient_tone(t.grad), 8);
  EXPECT_EQ(t.grad & 0x8000, 0x8000);
  EXPECT_EQ(s.text.font_size, 1);
  EXPECT_EQ(s.text.char_space, -500);
  EXPECT_EQ(s.text.line_space, 1000);
  EXPECT_EQ(s.text.char_set, 255);
  const DrawingState& d = s.draw;
  EXPECT_EQ(d.tool, 18);
  EXPECT_EQ(d.current_colour, 1);
  EXPECT_EQ(d.colour_mask_count, 5);
  EXPECT_EQ(d.texture_on, 1);
  EXPECT_EQ(d.texture_sel, 0);
  // Clamped, not cut to a byte (300 would otherwise become 44).
  EXPECT_EQ(d.brush_size[0], 1);
  EXPECT_EQ(d.brush_size[1], 100);
  EXPECT_EQ(d.brush_size[2], 1);
  EXPECT_EQ(d.brush_size[3], 100);
  EXPECT_EQ(d.brush_alpha[0], 1);
  EXPECT_EQ(d.brush_alpha[1], 255);
  EXPECT_EQ(s.recent.new_sizes[0], pack_canvas_size(1, 1));
  EXPECT_EQ(s.recent.new_sizes[1], pack_canvas_size(4500, 4500));
  EXPECT_EQ(d.brush_slots[0][0], 100 << 8 | 255);
  EXPECT_EQ(d.brush_slots[0][1], 1 << 8 | 1);
  EXPECT_EQ(d.brush_slots[0][2], 100 << 8 | 255);
  EXPECT_EQ(d.brush_slots[0][3], kEmptyBrushSlot);
}

TEST(SettingsFile, BrokenValuesKeepTheDefault) {
  const Settings s = settings_from_text(
      "[Env]\r\nUndoCnt=abc\r\nGridW=\r\nGridH=-\r\nCanvBkCol=+\r\n"
      "[MaskColRecent]\r\n0=xyz\r\n"
      "[Draw]\r\nToolNo= \r\n");
  EXPECT_EQ(s, Settings{});
  // Past the 64-bit range a number saturates and is then clamped.
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCnt=99999999999999999999999\r\n").env.undo_cnt, 200);
  EXPECT_EQ(settings_from_text("[Env]\r\nUndoCnt=-99999999999999999999999\r\n").env.undo_cnt, 2);
}

TEST(SettingsFile, DrawTypesMustSuitTheirTool) {
  std::string list = "[Draw]\r\nDrawType=";
  for (int tool = 0; tool < kToolCount; ++tool) list += tool == 11 ? "6," : "3,";
  const Settings s = settings_from_text(list + "\r\n");
  EXPECT_EQ(s.draw.draw_type[kToolPen], 3);
  EXPECT_EQ(s.draw.draw_type[kToolGradient], 3);
  EXPECT_EQ(s.draw.draw_type[kToolWatercolour], 0);  // freehand only
  EXPECT_EQ(s.draw.draw_type[kToolFinger], 6);
  EXPECT_EQ(s.draw.draw_type[kToolFill], 0);  // no draw types at all
  EXPECT_EQ(settings_from_text("[Draw]\r\nDrawType=0,0,0,0,0,0,0,0,0,0,0,3\r\n").draw.draw_type[11], 0);
  EXPECT_EQ(settings_from_text("[Draw]\r\nDrawType=12\r\n").draw.draw_type[0], 9);
}

// Independent of the settings table: what the rest of the program relies on.
void expect_usable(const Settings& s) {
  const Environment& e = s.env;
  EXPECT_TRUE(e.undo_cnt >= 2 && e.undo_cnt <= 200);
  EXPECT_TRUE(e.grid_w >= 4 && e.grid_h >= 4 && e.grid_w <= 4500 && e.grid_h <= 4500);
  EXPECT_TRUE(e.scale_d_add >= 5 && e.scale_u_add >= 5);
  EXPECT_TRUE(e.prev_scale >= 1 && e.img_v_scale >= 10);
  EXPECT_TRUE(e.def_img_w >= 1 && e.def_img_w <= 4500 && e.def_img_h >= 1 && e.def_img_h <= 4500);
  EXPECT_TRUE(e.last_img_w >= 1 && e.last_img_w <= 4500 && e.last_img_h >= 1 && e.last_img_h <= 4500);
  EXPECT_TRUE(e.def_erase >= 0 && e.def_erase <= 2);
  EXPECT_TRUE(e.tale_tool >= 0 && e.tale_tool < kToolCount);
  EXPECT_TRUE(e.erase_bk_tool >= 0 && e.erase_bk_tool <= kToolFill &&
              !(e.erase_bk_tool >= kToolDotEraser && e.erase_bk_tool <= kToolBrushEraser));
  EXPECT_TRUE(e.scale_type >= 0 && e.scale_type <= 5);
  EXPECT_TRUE((e.fix_save_opt & 15) <= 6);
  EXPECT_TRUE(e.tex_view_size >= 0 && e.tex_view_size <= 5);
  EXPECT_TRUE(e.info_bar_pos >= 0 && e.info_bar_pos <= 5);
  EXPECT_TRUE(e.png_comp >= 0 && e.png_comp <= 9);
  EXPECT_TRUE((e.jpeg_comp & 0x7FFF) >= 1 && (e.jpeg_comp & 0x7FFF) <= 100);
  EXPECT_TRUE(e.pal_view_w >= 4 && e.pal_view_h >= 4 && e.pal_view_w <= 30 && e.pal_view_h <= 30);
  EXPECT_TRUE(e.pal_def_tab >= 0 && e.pal_def_tab <= 9);
  EXPECT_TRUE(e.ex_pal_type >= 0 && e.ex_pal_type <= 2);
  EXPECT_TRUE(e.tab_side1 >= 0 && e.tab_side1 <= 4 && e.tab_side2 >= 0 && e.tab_side2 <= 4);
  EXPECT_TRUE(e.grid_pixel_per >= 4 && e.grid_pixel_per <= 20);
  EXPECT_TRUE(e.brush_cir_size >= 2 && e.brush_cir_size <= 100);
  EXPECT_EQ(e.ex_view_flag & 0x05, 0);
  for (uint32_t c : {e.canv_bk_col, e.check_col1, e.check_col2, e.grid_col, e.grad_map_col1,
                     e.grad_map_col2})
    EXPECT_LE(c, 0xFFFFFFu);
  EXPECT_EQ(e.center_grid_col & 0x7F000000u, 0u);
  for (const std::string* p : {&e.open_dir, &e.save_dir, &e.img_v_dir, &e.fix_save_dir})
    EXPECT_LE(p->size(), 255u * 4);
  EXPECT_LE(s.windows.main.right - s.windows.main.left, 65535);  // no overflow in differences

  const ToolOptions& t = s.draw.options;
  EXPECT_LE(pencil_shape(t.pencil), 9);
  EXPECT_LE(pen_smoothing(t.pen), 40);
  for (int w : {t.pen2, t.brush, t.erase_pen, t.erase_brush, t.splay, t.dodge, t.burn, t.water}) {
    EXPECT_LE(minimum_size_percent(w), 100);
    EXPECT_LE(minimum_density_percent(w), 100);
  }
  EXPECT_LE(water_amount(t.water), 3);
  EXPECT_LE(gradient_kind(t.grad), 4);
  EXPECT_LE(gradient_tone(t.grad), 8);

  const TextSettings& x = s.text;
  EXPECT_TRUE(x.font_size >= 1 && x.font_size <= 1000);
  EXPECT_TRUE(x.char_space >= -500 && x.char_space <= 1000);
  EXPECT_TRUE(x.line_space >= -500 && x.line_space <= 1000);
  EXPECT_LE(x.font_name.size(), 31u);

  const DrawingState& d = s.draw;
  EXPECT_TRUE(d.tool >= 0 && d.tool < kToolCount);
  EXPECT_TRUE(d.current_colour == 0 || d.current_colour == 1);
  EXPECT_EQ(d.colour_mask_type, 0);
  EXPECT_TRUE(d.colour_mask_count >= 1 && d.colour_mask_count <= 5);
  EXPECT_TRUE(d.texture_sel >= 0 && d.texture_sel < 500);
  for (uint32_t c : d.colours) EXPECT_LE(c, 0xFFFFFFu);
  for (uint32_t c : d.mask_colours) EXPECT_LE(c, 0xFFFFFFu);
  for (uint32_t c : d.mask_colour_recent) EXPECT_LE(c, 0xFFFFFFu);
  for (int tool = 0; tool < kToolCount; ++tool) {
    const int type = d.draw_type[size_t(tool)];
    EXPECT_TRUE(type >= 0 && type < kDrawTypeCount);
    EXPECT_TRUE(type == 0 || (allowed_draw_types(tool) >> type & 1)) << tool;
    EXPECT_TRUE(d.brush_size[size_t(tool)] >= 1 && d.brush_size[size_t(tool)] <= 100);
    EXPECT_TRUE(d.brush_alpha[size_t(tool)] >= 1 && d.brush_alpha[size_t(tool)] <= 255);
    for (int slot : d.brush_slots[size_t(tool)]) {
      EXPECT_TRUE((slot >> 8) >= 1 && (slot >> 8) <= 100) << slot;
      EXPECT_TRUE((slot & 255) >= 1) << slot;
    }
  }
  for (int size : s.recent.new_sizes) {
    EXPECT_TRUE(packed_width(size) >= 1 && packed_width(size) <= 4500);
    EXPECT_TRUE(packed_height(size) >= 1 && packed_height(size) <= 4500);
  }
  for (const std::string& f : s.recent.files) EXPECT_LE(f.size(), 511u * 4);
  for (const std::string& f : s.recent.folders) EXPECT_LE(f.size(), 255u * 4);
}

// Every key of the file with the same value, plus lines that are no settings.
std::string hostile_file(const std::string& value) {
  std::string text = "\xEF\xBB\xBF=\r\n[\r\n[]\r\n]Env[\r\n=UndoCnt\r\n";
  text += std::string("garbage\0line\r\n", 14);
  const SettingDef* previous = nullptr;
  for (const SettingDef& d : settings_table()) {
    if (!previous || previous->section != d.section)
      text.append("[").append(section_name(d.section)).append("]\r\n");
    previous = &d;
    text += "\x01\x02\xFF noise\r\n";
    text += std::string(d.key) + "=";
    if (d.type == SettingType::kList) {
      for (int e = 0; e < d.count + 3; ++e) text += value + ",";
    } else if (d.type == SettingType::kString) {
      text += std::string(600, 'x');
    } else {
      text += value;
    }
    text += "\r\n";
  }
  text += std::string(5000, '[') + "\r\n";
  return text;
}

TEST(SettingsFile, HostileFileLoadsIntoAUsableState) {
  for (const std::string value :
       {"99999999999999999999", "-99999999999999999999", "2147483648", "-2147483649",
        "4294967295", "65535", "-1", "0", "256", "ffffffff", "!"}) {
    SCOPED_TRACE(value);
    const Settings s = settings_from_text(hostile_file(value));
    expect_usable(s);
    // Too long for their fields: dropped, never cut.
    EXPECT_EQ(s.env.open_dir, "");
    EXPECT_EQ(s.recent.files[0], "");
    EXPECT_EQ(s.text.font_name, std::string(31, 'x'));
    // What we write from it reads back unchanged.
    const std::string text = settings_to_text(s);
    EXPECT_EQ(settings_to_text(settings_from_text(text)), text);
  }
}

TEST(SettingsFile, PathsTooLongAreDroppedNotCut) {
  const std::string file511 = "/" + std::string(510, 'f');
  const std::string file512 = "/" + std::string(511, 'f');
  const std::string dir255 = "/" + std::string(254, 'd');
  // 255 characters of three bytes each still fit a folder field.
  std::string korean = "/";
  for (int i = 0; i < 254; ++i) korean += "\xEA\xB7\xB8";
  const Settings s = settings_from_text(
      "[Env]\r\nOpenDir=" + dir255 + "\r\nSaveDir=" + dir255 + "d\r\nImgVDir=" + korean +
      "\r\n[RecentFile]\r\n0=" + file511 + "\r\n1=" + file512 + "\r\n2=/short\r\n"
      "[RecentDir]\r\n0=" + korean + "\xEA\xB7\xB8\r\n1=/ok\r\n");
  EXPECT_EQ(s.env.open_dir, dir255);
  EXPECT_EQ(s.env.save_dir, "");
  EXPECT_EQ(s.env.img_v_dir, korean);
  EXPECT_EQ(s.recent.files[0], file511);
  EXPECT_EQ(s.recent.files[1], "");
  EXPECT_EQ(s.recent.files[2], "/short");
  EXPECT_EQ(s.recent.folders[0], "");
  EXPECT_EQ(s.recent.folders[1], "/ok");

  // Paths that cannot be stored whole are left out when writing, and the
  // lines after them stay intact.
  Settings w;
  w.recent.files[0] = file512;
  w.recent.files[1] = "/a\r\n2=/forged";  // would shadow the real "2=" line
  w.recent.files[2] = "/kept";
  const Settings back = settings_from_text(settings_to_text(w));
  EXPECT_EQ(back.recent.files[0], "");
  EXPECT_EQ(back.recent.files[1], "");
  EXPECT_EQ(back.recent.files[2], "/kept");
}

TEST(SettingsFile, FontNameIsCutAtACharacterBoundary) {
  EXPECT_EQ(settings_from_text("[Text]\r\nFontName=" + std::string(40, 'F') + "\r\n").text.font_name,
            std::string(31, 'F'));
  std::string eleven;  // 11 characters of 3 bytes: 33 bytes
  for (int i = 0; i < 11; ++i) eleven += "\xE3\x82\xB4";
  const std::string cut = settings_from_text("[Text]\r\nFontName=" + eleven + "\r\n").text.font_name;
  EXPECT_EQ(cut, eleven.substr(0, 30));
  // Older files hold CP932 text: "ＭＳ" there is 82 6C 82 72.
  EXPECT_EQ(settings_from_text("[Text]\r\nFontName=\x82\x6C\x82\x72\r\n").text.font_name,
            "\xEF\xBC\xAD\xEF\xBC\xB3");
  // Written cut as well.
  Settings s;
  s.text.font_name = std::string(40, 'G');
  EXPECT_NE(settings_to_text(s).find("\r\nFontName=" + std::string(31, 'G') + "\r\n"),
            std::string::npos);
}

TEST(SettingsFile, IniReaderForOtherFiles) {
  IniReader ini("[A]\r\nx=5\r\nh=1F\r\n3=-7\r\n4=ff\r\nlist=1,2\r\ns=text here\r\n[B]\r\nx=6\r\n");
  EXPECT_EQ(ini.get_int("x", 0), 0);  // no section selected yet
  ASSERT_TRUE(ini.select_section("A"));
  EXPECT_EQ(ini.get_int("x", 0), 5);
  EXPECT_EQ(ini.get_hex("h", 0), 0x1Fu);
  EXPECT_EQ(ini.get_int_by_number(3, 0), -7);
  EXPECT_EQ(ini.get_hex_by_number(4, 0), 0xFFu);
  EXPECT_EQ(ini.get_string("s", "d"), "text here");
  EXPECT_EQ(ini.get_string("missing", "d"), "d");
  const auto list = ini.get_list("list", 3);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(list[1], 2);
  EXPECT_FALSE(list[2].has_value());
  ASSERT_TRUE(ini.select_section("B"));
  EXPECT_EQ(ini.get_int("x", 0), 6);
  EXPECT_FALSE(ini.select_section("C"));
  EXPECT_EQ(ini.get_int("x", 9), 9);

  // From a file, a short one included (the reader keeps its own copy).
  ScratchFolder dir;
  write_text(dir.file("s.ini"), "[P]\nq=3");
  auto from_file = IniReader::open(dir.file("s.ini"));
  ASSERT_TRUE(from_file.has_value());
  IniReader copy = *from_file;
  from_file.reset();
  ASSERT_TRUE(copy.select_section("P"));
  EXPECT_EQ(copy.get_int("q", 0), 3);
  EXPECT_FALSE(IniReader::open(dir.file("none.ini")).has_value());
}

TEST(SettingsFile, FailedSaveKeepsTheOldFile) {
  ScratchFolder dir;
  EXPECT_FALSE(save_settings(dir.file("missing/config.ini"), Settings{}));
  // A target that cannot be replaced: nothing changes, nothing is left over.
  std::filesystem::create_directory(dir.file("config.ini"));
  write_text(dir.file("config.ini/keep"), "old");
  EXPECT_FALSE(save_settings(dir.file("config.ini"), Settings{}));
  EXPECT_EQ(read_text(dir.file("config.ini/keep")), "old");
  EXPECT_EQ(dir.entry_count(), 1u);
}

TEST(SettingsFile, SaveAndLoadBothFilesOfTheFolder) {
  ScratchFolder dir;
  const std::string folder = dir.file("nested/quillmark2");
  Settings settings = every_value_changed();
  KeyBindings keys = default_key_bindings();
  bind_key(keys, KeyGroup::kTool, 2, 'P');
  ASSERT_TRUE(save_settings_and_keys(folder, settings, keys));
  EXPECT_EQ(read_text(folder + "/config.ini"), settings_to_text(settings));
  EXPECT_EQ(read_text(folder + "/key.dat").size(), 150u);

  Settings loaded_settings;
  KeyBindings loaded_keys;
  load_settings_and_keys(folder, loaded_settings, loaded_keys);
  EXPECT_EQ(loaded_settings, settings);
  EXPECT_EQ(loaded_keys, keys);

  // Nothing there: the defaults.
  load_settings_and_keys(dir.file("none"), loaded_settings, loaded_keys);
  EXPECT_EQ(loaded_settings, Settings{});
  EXPECT_EQ(loaded_keys, default_key_bindings());
}

TEST(SettingsFile, KeyFileIsNotWrittenWhenSettingsFail) {
  ScratchFolder dir;
  std::filesystem::create_directory(dir.file("config.ini"));
  EXPECT_FALSE(save_settings_and_keys(dir.path(), Settings{}, default_key_bindings()));
  EXPECT_FALSE(std::filesystem::exists(dir.file("key.dat")));
  // A folder that cannot be made (a file is in the way): nothing written.
  write_text(dir.file("blocker"), "");
  EXPECT_FALSE(save_settings_and_keys(dir.file("blocker/sub"), Settings{}, default_key_bindings()));
}

}  // namespace
}  // namespace qm
