// Layer names through .qmd and .lfw: every name we write comes back exactly,
// and a plain reader that knows only the legacy fields still finds the
// names the legacy code page holds.
#include <gtest/gtest.h>

#include "format_test_util.h"
#include "formats/layer_name.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"
#include "layer_names_reference.h"

namespace qm {
namespace {

struct Plain {
  const std::vector<uint8_t>& b;
  size_t at = 0;
  uint32_t u16() { at += 2; return uint32_t(b[at - 2]) | uint32_t(b[at - 1]) << 8; }
  uint32_t u32() { return u16() | u16() << 16; }
  std::string field() {
    std::string s(reinterpret_cast<const char*>(&b[at]), 32);
    at += 32;
    return s.substr(0, s.find('\0'));
  }
};

// The .qmd layout as written down for readers: header block of H bytes,
// thumbnail, record size R, then per layer R bytes of record and a stream.
std::vector<std::string> plain_qmd_names(const std::vector<uint8_t>& bytes) {
  Plain in{bytes};
  in.at = 8;
  const uint32_t h = in.u32();
  in.at += 4;
  const uint32_t count = in.u16();
  in.at = 12 + h + 4;
  in.at += in.u32();
  const uint32_t r = in.u32();
  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t record = in.at;
    names.push_back(in.field());
    in.at = record + r;
    in.at += in.u32();
  }
  return names;
}

// The .lfw version 0 layout: fixed header, preview stream, then per layer a
// 42-byte record and its stream; nothing after the last layer is read.
std::vector<std::string> plain_lfw_names(const std::vector<uint8_t>& bytes) {
  Plain in{bytes};
  in.at = 8 + 4;
  const uint32_t count = in.u16();
  in.at += 5;
  in.at += in.u32();
  std::vector<std::string> names;
  for (uint32_t i = 0; i < count; ++i) {
    names.push_back(in.field());
    in.at += 6;
    in.at += in.u32();
  }
  return names;
}

void expect_names(const Document& doc) {
  const auto& cases = test::name_cases();
  ASSERT_EQ(doc.layer_count(), int(cases.size()));
  for (size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(doc.layer_at(doc.layer_count() - 1 - int(i))->name, cases[i].name);
}

void expect_legacy_fields(const std::vector<std::string>& fields) {
  const auto& cases = test::name_cases();
  ASSERT_EQ(fields.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i)
    if (!cases[i].legacy.empty()) EXPECT_EQ(fields[i], cases[i].legacy) << cases[i].name;
}

TEST(LayerNamesInFiles, NativeDocumentsKeepEveryNameAndStayReadable) {
  test::ScratchDir dir;
  const auto doc = test::document_with_names();
  const std::string path = dir.file("names.qmd");
  ASSERT_TRUE(SaveNativeDocument(path, *doc, nullptr));
  Document back;
  ASSERT_EQ(LoadNativeDocument(path, back, nullptr), LoadResult::Success);
  expect_names(back);
  const std::vector<uint8_t> bytes = test::read_file(path);
  expect_legacy_fields(plain_qmd_names(bytes));

  // Names the code page holds leave the file as plain as ever: 35-byte records.
  doc->layer_at(0)->name = "ペン";
  doc->layer_at(1)->name = "Ink";
  ASSERT_TRUE(SaveNativeDocument(path, *doc, nullptr));
  const auto plain = test::read_file(path);
  EXPECT_LT(plain.size(), bytes.size());
}

TEST(LayerNamesInFiles, LineforgeDocumentsKeepEveryNameAndStayReadable) {
  test::ScratchDir dir;
  const auto doc = test::document_with_names();
  const std::string path = dir.file("names.lfw");
  ASSERT_TRUE(SaveLineforgeDocument(path, *doc, nullptr));
  Document back;
  ASSERT_EQ(LoadLineforgeDocument(path, back, nullptr), LoadResult::Success);
  expect_names(back);
  expect_legacy_fields(plain_lfw_names(test::read_file(path)));
}

TEST(LayerNamesInFiles, KoreanNamesInTheKoreanCodePage) {
  test::ScratchDir dir;
  set_legacy_code_page(949);
  Document doc;
  ASSERT_TRUE(doc.new_canvas(2, 2, false));
  doc.create_layer(false)->name = "한글 이름";
  for (const char* file : {"k.qmd", "k.lfw"}) {
    SCOPED_TRACE(file);
    const std::string path = dir.file(file);
    const bool native = std::string(file).ends_with(".qmd");
    ASSERT_TRUE(native ? SaveNativeDocument(path, doc, nullptr) : SaveLineforgeDocument(path, doc, nullptr));
    const auto bytes = test::read_file(path);
    const auto fields = native ? plain_qmd_names(bytes) : plain_lfw_names(bytes);
    EXPECT_EQ(fields[0], "\xC7\xD1\xB1\xDB\x20\xC0\xCC\xB8\xA7");
    Document back;
    ASSERT_EQ(native ? LoadNativeDocument(path, back, nullptr) : LoadLineforgeDocument(path, back, nullptr),
              LoadResult::Success);
    EXPECT_EQ(back.layer_at(0)->name, "한글 이름");
  }
  set_legacy_code_page(932);
}

}  // namespace
}  // namespace qm
