// quillmark2-cli filter and filters, run as a process: the result equals the
// in-program run on the same document.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "alpha_reference.h"
#include "filters/filter_run.h"
#include "formats/document_io.h"

namespace qm::filters {
namespace {

std::string scratch(const std::string& name) {
  std::string file = "qm_filter_cli_";
  file.append(std::to_string(getpid())).append("_").append(name);
  return (std::filesystem::temp_directory_path() / file).string();
}

int cli(const std::string& args, std::string* out = nullptr) {
  const std::string file = scratch("stdout.txt");
  std::string command = QM_CLI_PATH;
  command.append(" ").append(args).append(" >").append(file).append(" 2>&1");
  const int status = std::system(command.c_str());
  if (out) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    *out = s.str();
  }
  std::filesystem::remove(file);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void make_document(Document& doc) {
  doc.new_canvas(31, 17, true);
  doc.create_layer(true);
  doc.create_layer(true);
  for (int i = 0; i < 3; ++i) test::fill_random(doc.layer_at(i)->image, uint32_t(40 + i), 0);
  doc.select(1);
}

TEST(FilterCli, OperationOnADocumentEqualsTheProgramsRun) {
  Document doc;
  make_document(doc);
  const std::string in = scratch("in.qmd"), out = scratch("out.qmd");
  ASSERT_TRUE(save_document(in, doc, nullptr));
  ASSERT_EQ(cli("filter operate-with-layer operation=5 layer=2 --layer 0 --rect 3,4,20,30 " + in +
                " " + out),
            0);
  LoadedDocument got = load_document(out, nullptr);
  ASSERT_EQ(got.result, LoadResult::Success);

  doc.select(0);
  FilterValues v;
  v.list = {2, 5};
  FilterEnvironment env{0, 0xFFFFFF, &doc};
  ASSERT_EQ(apply_filter(*find_filter_by_name("operate-with-layer"), doc, v, env, {3, 4, 20, 30}, nullptr),
            FilterStatus::kDone);
  ASSERT_EQ(got.document->layer_count(), 3);
  for (int i = 0; i < 3; ++i) {
    const LayerImage& a = got.document->layer_at(i)->image;
    const LayerImage& b = doc.layer_at(i)->image;
    ASSERT_EQ(0, std::memcmp(a.pixels(), b.pixels(), b.byte_count())) << "layer " << i;
  }
  // Parameters are checked against their ranges; unknown filters refused.
  EXPECT_EQ(cli("filter operate-with-layer operation=8 " + in + " " + out), 2);
  EXPECT_EQ(cli("filter no-such-filter " + in + " " + out), 2);
  std::filesystem::remove(in);
  std::filesystem::remove(out);
}

TEST(FilterCli, FiltersListsEveryCommandWithItsParameters) {
  std::string text;
  ASSERT_EQ(cli("filters", &text), 0);
  text = "\n" + text;
  for (const FilterCommand& c : filter_commands()) {
    std::string line(1, '\n');
    line.append(c.cli_name).append("  id=").append(std::to_string(c.id));
    EXPECT_NE(text.find(line), text.npos) << c.cli_name;
  }
  EXPECT_NE(text.find("  centre-x (n1) integer 0..canvas-width-1 default canvas-width/2"), text.npos);
  EXPECT_NE(text.find("  gamma (n1) integer hundredths 10..400 default 100"), text.npos);
}

}  // namespace
}  // namespace qm::filters
