#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "state/drawing_state.h"
#include "state/drawing_state_model.h"
#include "state/user_paths.h"
#include "state_test_util.h"

namespace qm {
namespace {

TEST(RecentLists, PathsMoveToTheFront) {
  std::array<std::string, 4> list;
  EXPECT_TRUE(push_recent_file(list, "/a"));
  EXPECT_TRUE(push_recent_file(list, "/b"));
  EXPECT_TRUE(push_recent_file(list, "/c"));
  EXPECT_EQ(list, (std::array<std::string, 4>{"/c", "/b", "/a", ""}));
  // An entry already present moves up; nothing else drops out.
  EXPECT_TRUE(push_recent_file(list, "/a"));
  EXPECT_EQ(list, (std::array<std::string, 4>{"/a", "/c", "/b", ""}));
  EXPECT_TRUE(push_recent_file(list, "/d"));
  EXPECT_TRUE(push_recent_file(list, "/e"));  // the oldest drops out
  EXPECT_EQ(list, (std::array<std::string, 4>{"/e", "/d", "/a", "/c"}));
  remove_recent_path(list.data(), 4, 1);
  EXPECT_EQ(list, (std::array<std::string, 4>{"/e", "/a", "/c", ""}));
  remove_recent_path(list.data(), 4, 7);  // out of range: ignored
  EXPECT_EQ(list[2], "/c");
}

TEST(RecentLists, PathsThatCannotBeStoredAreNotAdded) {
  std::array<std::string, 3> folders{"/x", "", ""};
  EXPECT_FALSE(push_recent_folder(folders, "/" + std::string(255, 'd')));  // 256 characters
  EXPECT_FALSE(push_recent_folder(folders, "/with\nbreak"));
  EXPECT_FALSE(push_recent_folder(folders, ""));
  EXPECT_EQ(folders[0], "/x");
  EXPECT_TRUE(push_recent_folder(folders, "/" + std::string(254, 'd')));
  // Characters, not bytes: 255 three-byte characters fit.
  std::string wide;
  for (int i = 0; i < 255; ++i) wide += "\xEA\xB7\xB8";
  EXPECT_EQ(text_length_chars(wide), 255);
  EXPECT_TRUE(push_recent_folder(folders, wide));
  EXPECT_FALSE(push_recent_folder(folders, wide + "a"));
}

TEST(RecentLists, CanvasSizes) {
  RecentLists r;
  push_recent_size(r.new_sizes, pack_canvas_size(640, 480));
  push_recent_size(r.new_sizes, pack_canvas_size(800, 600));
  push_recent_size(r.new_sizes, pack_canvas_size(640, 480));
  EXPECT_EQ(r.new_sizes[0], pack_canvas_size(640, 480));
  EXPECT_EQ(r.new_sizes[1], pack_canvas_size(800, 600));
  EXPECT_EQ(r.new_sizes[2], pack_canvas_size(400, 400));
  EXPECT_EQ(packed_width(pack_canvas_size(4500, 17)), 4500);
  EXPECT_EQ(packed_height(pack_canvas_size(4500, 17)), 17);
}

TEST(UserPaths, SettingsFolderFromTheEnvironment) {
  EXPECT_EQ(settings_folder_from("/q", "/x", "/h"), "/q");
  EXPECT_EQ(settings_folder_from("", "/x", "/h"), "/x/quillmark2");
  EXPECT_EQ(settings_folder_from(nullptr, "/x", "/h"), "/x/quillmark2");
  EXPECT_EQ(settings_folder_from(nullptr, "relative", "/h"), "/h/.config/quillmark2");
  EXPECT_EQ(settings_folder_from(nullptr, nullptr, "/h"), "/h/.config/quillmark2");
  EXPECT_EQ(settings_folder_from(nullptr, nullptr, nullptr), "");
  EXPECT_EQ(settings_file_path("/q", "config.ini"), "/q/config.ini");
  EXPECT_EQ(settings_file_path("/q/", "key.dat"), "/q/key.dat");

  test::ScratchFolder dir;
  ::setenv("QUILLMARK2_HOME", dir.path().c_str(), 1);
  EXPECT_EQ(settings_folder(), dir.path());
  ::unsetenv("QUILLMARK2_HOME");
  EXPECT_TRUE(make_folder(dir.file("a/b/c")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.file("a/b/c")));
  EXPECT_TRUE(make_folder(dir.file("a/b/c")));  // already there
}

TEST(DrawingStateModel, ColourMaskRulesAndRecentColours) {
  Settings settings;
  DrawingStateModel model(settings);
  std::vector<uint32_t> told;
  model.subscribe([&told](uint32_t what) { told.push_back(what); });
  DrawingState& d = settings.draw;
  d.mask_colours[0] = 0x111111;
  EXPECT_TRUE(model.add_mask_colour(0x222222));
  EXPECT_FALSE(model.add_mask_colour(0x111111));      // already there
  EXPECT_FALSE(model.replace_mask_colour(1, 0x111111));  // would repeat the first
  EXPECT_TRUE(model.replace_mask_colour(1, 0x333333));
  EXPECT_EQ(d.mask_colours[1], 0x333333u);
  // Every colour that entered is in the history, newest first.
  EXPECT_EQ(d.mask_colour_recent[0], 0x333333u);
  EXPECT_EQ(d.mask_colour_recent[1], 0x222222u);
  EXPECT_TRUE(model.add_mask_colour(0x222222));  // moves up, not twice
  EXPECT_EQ(d.mask_colour_recent[0], 0x222222u);
  EXPECT_EQ(d.mask_colour_recent[1], 0x333333u);
  EXPECT_EQ(d.mask_colour_recent[2], 0u);
  model.clear_mask_colours();
  EXPECT_EQ(d.colour_mask_count, 1);
  EXPECT_EQ(d.mask_colours[0], 0x111111u);
  EXPECT_FALSE(model.remove_last_mask_colour());
  EXPECT_FALSE(model.delete_mask_colour(0));
  // A count read from a bad file cannot reach past the list.
  d.colour_mask_count = 9;
  EXPECT_TRUE(model.delete_mask_colour(4));
  EXPECT_EQ(d.colour_mask_count, 4);
  for (uint32_t what : told) EXPECT_EQ(what, uint32_t(kChangedMask));
}

TEST(DrawingStateModel, SlotsOptionWordsAndRefusedDrawTypes) {
  Settings settings;
  DrawingStateModel model(settings);
  int notifications = 0;
  model.subscribe([&notifications](uint32_t) { ++notifications; });
  model.set_brush(kToolBrush, 250, 300);  // clamped: 100, 255
  EXPECT_EQ(notifications, 1);
  model.store_brush_slot(kToolBrush, 2);
  EXPECT_EQ(settings.draw.brush_slots[kToolBrush][2], (100 << 8) | 255);
  model.load_brush_slot(kToolBrush, 0);  // an empty slot: 511
  EXPECT_EQ(settings.draw.brush_size[kToolBrush], 1);
  EXPECT_EQ(settings.draw.brush_alpha[kToolBrush], 255);
  model.set_tool_option(kToolDodge, 0x1234);
  EXPECT_EQ(settings.draw.options.dodge, 0x1234);
  EXPECT_EQ(settings.draw.options.burn, 0x3C3C);
  EXPECT_EQ(tool_option_word(settings.draw.options, kToolFinger), nullptr);
  const int before = notifications;
  model.set_tool_option(kToolFinger, 5);  // no word: nothing happens
  EXPECT_FALSE(model.set_draw_type(kToolFinger, 3));
  EXPECT_FALSE(model.set_draw_type(kToolWatercolour, 1));
  EXPECT_FALSE(model.set_draw_type(kToolFill, 0));
  EXPECT_EQ(notifications, before);
  EXPECT_TRUE(model.set_draw_type(kToolGradient, 7));
}

}  // namespace
}  // namespace qm
