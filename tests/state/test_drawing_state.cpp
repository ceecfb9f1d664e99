#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>

#include "state/drawing_state.h"
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

}  // namespace
}  // namespace qm
