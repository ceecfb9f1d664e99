// The command-line tool with PSD files: convert to and from PSD, and info.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>

#include "../doc_test_util.h"
#include "document/blend_modes.h"
#include "formats/native_document.h"
#include "formats/psd_document.h"
#include "psd_test_util.h"

namespace qm {
namespace {

using test::ScratchDir;

struct CliRun {
  int code = -1;
  std::string out;
};

CliRun cli(const ScratchDir& dir, const std::vector<std::string>& args) {
  auto quote = [](const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  };
  std::string cmd = quote(QM_CLI_PATH);
  for (const auto& a : args) cmd += " " + quote(a);
  const std::string out = dir.file("stdout.txt");
  cmd += " >" + quote(out) + " 2>/dev/null";
  const int status = std::system(cmd.c_str());
  CliRun r;
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  const auto bytes = test::read_file(out);
  r.out.assign(bytes.begin(), bytes.end());
  std::filesystem::remove(out);
  return r;
}

TEST(PsdCli, ConvertsToAndFromPsdAndListsLayers) {
  ScratchDir dir;
  auto doc = test::make_document(70, 40, 3, 5);
  doc->layer_at(0)->name = "上のレイヤー";
  doc->layer_at(0)->blend_mode = 4;  // Screen
  doc->layer_at(1)->flags = 0;
  doc->layer_at(1)->opacity = 100;
  doc->layer_at(2)->blend_mode = 3;  // Subtract: no PSD key
  ASSERT_TRUE(SaveNativeDocument(dir.file("a.qmd"), *doc, nullptr));

  ASSERT_EQ(cli(dir, {"convert", dir.file("a.qmd"), dir.file("b.psd")}).code, 0);
  ASSERT_EQ(cli(dir, {"convert", dir.file("b.psd"), dir.file("c.qmd")}).code, 0);
  Document back;
  ASSERT_EQ(LoadNativeDocument(dir.file("c.qmd"), back, nullptr), LoadResult::Success);
  ASSERT_EQ(back.layer_count(), 3);
  for (int i = 0; i < 3; ++i) {
    const Layer& a = *doc->layer_at(i);
    const Layer& b = *back.layer_at(i);
    EXPECT_EQ(b.name, a.name);
    EXPECT_EQ(b.opacity, a.opacity);
    EXPECT_EQ(b.visible(), a.visible());
    EXPECT_EQ(b.blend_mode, i == 2 ? 0 : a.blend_mode);
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 70; ++x) {
        const Pixel p = a.image.row(y)[x];
        ASSERT_EQ(b.image.row(y)[x], alpha_of(p) == 0 ? kTransparent : p);
      }
  }

  const CliRun info = cli(dir, {"info", dir.file("b.psd")});
  ASSERT_EQ(info.code, 0);
  EXPECT_NE(info.out.find("format: Photoshop document (.psd)"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("canvas: 70 x 40"), std::string::npos);
  EXPECT_NE(info.out.find("layers: 3"), std::string::npos);
  EXPECT_NE(info.out.find("layer 0: name=\"上のレイヤー\" blend=4"), std::string::npos) << info.out;
  EXPECT_NE(info.out.find("visible=no"), std::string::npos);
}

TEST(PsdCli, UnreadablePsdExitsWithItsLoadResult) {
  ScratchDir dir;
  test::TestPsd spec;
  spec.depth = 16;
  test::write_file(dir.file("deep.psd"), test::build_psd(spec));
  EXPECT_EQ(cli(dir, {"info", dir.file("deep.psd")}).code, 13);
  EXPECT_EQ(cli(dir, {"convert", dir.file("missing.psd"), dir.file("x.qmd")}).code, 12);
  EXPECT_FALSE(std::filesystem::exists(dir.file("x.qmd")));
  // A flat PSD opens as one layer.
  test::TestPsd flat;
  test::write_file(dir.file("flat.psd"), test::build_psd(flat));
  const CliRun info = cli(dir, {"info", dir.file("flat.psd")});
  EXPECT_EQ(info.code, 0);
  EXPECT_NE(info.out.find("layers: 1"), std::string::npos) << info.out;
}

}  // namespace
}  // namespace qm
