// Finding the read-only files from the build folder or an installed prefix.
#include <gtest/gtest.h>

#include <filesystem>

#include "state/resource_paths.h"
#include "state_test_util.h"

namespace qm {
namespace {

TEST(ResourcePaths, SearchesBesideTheProgramThenThePrefixThenTheBuildTree) {
  EXPECT_EQ(resource_folders("/opt/q/bin", kShareFolder, "/src/resources"),
            (std::vector<std::string>{"/opt/q/bin", "/opt/q/bin/../share/quillmark2", "/src/resources"}));
  EXPECT_EQ(resource_folders("/opt/q/bin", kIconThemeFolder, ""),
            (std::vector<std::string>{"/opt/q/bin", "/opt/q/bin/../share/icons/hicolor"}));
  // Without a known executable only the build tree is left.
  EXPECT_EQ(resource_folders("", kShareFolder, "/src/resources"), std::vector<std::string>{"/src/resources"});
}

TEST(ResourcePaths, FindsTheFirstRegularFileInAnInstalledLayout) {
  test::ScratchFolder root;
  namespace fs = std::filesystem;
  const std::string prefix = root.path() + "/prefix", build = root.path() + "/build";
  fs::create_directories(prefix + "/bin");
  fs::create_directories(prefix + "/share/quillmark2");
  fs::create_directories(build);
  const auto folders = resource_folders(prefix + "/bin", kShareFolder, build);

  EXPECT_EQ(find_resource("help.html", folders), "");
  test::write_text(build + "/help.html", "build");
  EXPECT_EQ(find_resource("help.html", folders), build + "/help.html");
  // The installed copy wins over the build tree's.
  test::write_text(prefix + "/share/quillmark2/help.html", "installed");
  EXPECT_EQ(find_resource("help.html", folders), prefix + "/bin/../share/quillmark2/help.html");
  // A folder of that name beside the program is not the file.
  fs::create_directories(prefix + "/bin/help.html");
  EXPECT_EQ(find_resource("help.html", folders), prefix + "/bin/../share/quillmark2/help.html");
  EXPECT_EQ(find_resource("", folders), "");
}

TEST(ResourcePaths, ExecutableFolderHoldsThisTestProgram) {
  const std::string folder = executable_folder();
  ASSERT_FALSE(folder.empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(folder + "/test_app_state"));
}

}  // namespace
}  // namespace qm
