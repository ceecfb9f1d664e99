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

void expect_same_layers(const Document& a, const Document& b) {
  ASSERT_EQ(a.layer_count(), b.layer_count());
  for (int i = 0; i < a.layer_count(); ++i) {
    const LayerImage& x = a.layer_at(i)->image;
    const LayerImage& y = b.layer_at(i)->image;
    ASSERT_EQ(0, std::memcmp(x.pixels(), y.pixels(), y.byte_count())) << "layer " << i;
  }
}

// The drawing colours and density the program passes from its drawing state
// come from --colour, --other-colour and --brush-alpha.
TEST(FilterCli, DrawingColoursAndDensityEqualTheProgramsRun) {
  Document doc;
  make_document(doc);
  // Some pixels in the drawing colour, so replacing it changes something.
  LayerImage& layer = doc.layer_at(1)->image;
  for (int x = 0; x < layer.width(); x += 3) *layer.pixel_address(x, 5) = 0xFF2040C0;
  const std::string in = scratch("colours.qmd"), out = scratch("colours_out.qmd");
  ASSERT_TRUE(save_document(in, doc, nullptr));
  const FilterEnvironment env{0x2040C0, 0x11EE77, &doc, 128};

  struct Case {
    const char* name;
    const char* params;
    int n1;
  };
  for (const Case& c : {Case{"foreground-to-background", " ", 0}, Case{"frame-line", " n1=3 ", 3}}) {
    const std::string files = " " + in + " " + out;
    ASSERT_EQ(cli(std::string("filter ") + c.name + c.params +
                  "--colour 2040c0 --other-colour 11EE77 --brush-alpha 128" + files),
              0)
        << c.name;
    LoadedDocument got = load_document(out, nullptr);
    ASSERT_EQ(got.result, LoadResult::Success);
    LoadedDocument expected = load_document(in, nullptr);
    ASSERT_EQ(expected.result, LoadResult::Success);
    FilterValues values;
    values.numeric[0] = c.n1;
    FilterEnvironment e = env;
    e.document = expected.document.get();
    ASSERT_EQ(apply_filter(*find_filter_by_name(c.name), *expected.document, values, e,
                           expected.document->bounds(), nullptr),
              FilterStatus::kDone);
    expect_same_layers(*got.document, *expected.document);
    // The options matter: the default colours and density give another result.
    ASSERT_EQ(cli(std::string("filter ") + c.name + c.params + files), 0);
    LoadedDocument plain = load_document(out, nullptr);
    ASSERT_EQ(plain.result, LoadResult::Success);
    const LayerImage& p = plain.document->layer_at(1)->image;
    EXPECT_NE(0, std::memcmp(p.pixels(), expected.document->layer_at(1)->image.pixels(), p.byte_count()))
        << c.name;
  }
  EXPECT_EQ(cli("filter frame-line --colour 12345 " + in + " " + out), 2);
  EXPECT_EQ(cli("filter frame-line --other-colour 12345G " + in + " " + out), 2);
  EXPECT_EQ(cli("filter frame-line --brush-alpha 256 " + in + " " + out), 2);
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
