// The document flows without windows: scripted answers, jobs run inline.
#include <gtest/gtest.h>

#include <future>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/document_formats.h"
#include "app/document_flows.h"
#include "app/layer_nudge.h"
#include "flows_test_support.h"
#include "formats/lineforge_document.h"
#include "formats/native_document.h"
#include "formats/png_codec.h"

namespace qm {
namespace {

using test::ScriptedPrompts;

std::string read_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_bytes(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// Every layer's pixels and attributes, and the canvas size.
std::vector<uint32_t> fingerprint(const Document& doc) {
  std::vector<uint32_t> out{uint32_t(doc.width()), uint32_t(doc.height()),
                            uint32_t(doc.layer_count()), uint32_t(doc.current_index())};
  for (int i = 0; i < doc.layer_count(); ++i) {
    const Layer& layer = *doc.layer_at(i);
    out.push_back(uint32_t(layer.opacity) | uint32_t(layer.blend_mode) << 8);
    for (int y = 0; y < doc.height(); ++y)
      out.insert(out.end(), layer.image.row(y), layer.image.row(y) + doc.width());
  }
  return out;
}

// Fills the current layer with `colour`, recorded as one undo step.
void paint(Document& doc, Pixel colour) {
  doc.undo_recorder().record_layer(doc);
  doc.current()->image.fill(colour);
  doc.composite_all();
}

// A w × h native document whose one layer is `colour`.
void write_native(const std::string& path, int w, int h, Pixel colour) {
  Document doc;
  ASSERT_TRUE(doc.new_canvas(w, h, true));
  doc.current()->image.fill(colour);
  ASSERT_TRUE(SaveNativeDocument(path, doc, nullptr));
}

class Flows : public ::testing::Test {
 protected:
  Flows() {
    EXPECT_TRUE(state.document.new_canvas(300, 300, true));
    state.document.composite_all();
  }

  test::TempFolder dir;
  AppState state;
  ScriptedPrompts prompts;
  test::InlineJobs jobs;
  test::CountingListener listener;
  DocumentFlows flows{state, prompts, jobs, listener};
};

TEST(FlowTexts, TitleAndOpenMessages) {
  EXPECT_EQ(window_title("", 0), "Quillmark2 - 新規作成");
  EXPECT_EQ(window_title("/pic/a.qmd", 0), "Quillmark2 - /pic/a.qmd");
  EXPECT_EQ(window_title("/pic/a.qmd", kOptTitleNameOnly), "Quillmark2 - a.qmd");
  EXPECT_EQ(open_failure_message(1), "幅・高さが4500px以上のｲﾒｰｼﾞは編集できません");
  EXPECT_EQ(open_failure_message(2), "ﾌｧｲﾙのｵｰﾌﾟﾝに失敗");
  EXPECT_EQ(open_failure_message(3), "ﾌｫｰﾏｯﾄｴﾗｰ");
  EXPECT_EQ(open_failure_message(4), "ﾒﾓﾘの確保に失敗");
  EXPECT_EQ(open_failure_message(5), "ｲﾒｰｼﾞの読み込みに失敗。ﾃﾞｰﾀが破損しています");
  EXPECT_EQ(open_failure_message(kOpenPictureFailed), "이미지 열기 실패");
}

TEST_F(Flows, OpenReplacesTheDocumentAndRemembersTheFile) {
  const std::string path = dir.file("red.qmd");
  write_native(path, 40, 30, 0xFFFF0000);
  paint(state.document, 0xFF00FF00);
  ASSERT_TRUE(state.undo.changed());

  ASSERT_TRUE(flows.open_path(path, false));
  EXPECT_EQ(state.document.width(), 40);
  EXPECT_EQ(state.document.height(), 30);
  EXPECT_EQ(state.document.composite().row(29)[39], 0xFFFF0000u);  // composited, ready
  EXPECT_EQ(state.file_path, path);
  EXPECT_EQ(state.settings.recent.files[0], path);
  EXPECT_EQ(state.settings.recent.folders[0], dir.path());
  EXPECT_EQ(state.settings.env.open_dir, dir.path());
  // A new document: nothing to undo, nothing modified.
  EXPECT_FALSE(state.undo.changed());
  EXPECT_EQ(state.undo.undo_count(), 0);
  EXPECT_EQ(jobs.runs, 1);
  EXPECT_EQ(listener.replaced, 1);
  EXPECT_EQ(flows.title(), "Quillmark2 - " + path);
  EXPECT_TRUE(prompts.asked.empty());
}

// The command line's file, loaded on another thread before the window
// existed: the same document, composited over the window's background, and
// a failure has its usual message.
TEST_F(Flows, APreloadedFileOpensAsTheNamedFileWould) {
  const std::string path = dir.file("red.qmd");
  write_native(path, 40, 30, 0xFFFF0000);
  state.document.set_display_background({true, 0xD8D8D8, 0xF8F8F8});
  ASSERT_TRUE(flows.open_preloaded(path, std::async(std::launch::async, [&] { return read_file(path, nullptr); })));
  EXPECT_EQ(state.document.width(), 40);
  EXPECT_TRUE(state.document.display_background().checker);
  const Pixel shown = state.document.composite().row(29)[39];
  state.document.composite_all();
  EXPECT_EQ(shown, state.document.composite().row(29)[39]);
  EXPECT_NE(shown, kOpaqueWhite);
  EXPECT_EQ(state.file_path, path);
  EXPECT_EQ(listener.replaced, 1);

  write_bytes(dir.file("noise.qmd"), "not a document at all");
  EXPECT_FALSE(flows.open_preloaded(dir.file("noise.qmd"),
                                    std::async(std::launch::async, [&] { return read_file(dir.file("noise.qmd"), nullptr); })));
  EXPECT_EQ(prompts.messages(), std::vector<std::string>{"ﾌｫｰﾏｯﾄｴﾗｰ"});
  EXPECT_EQ(state.file_path, path);
}

TEST_F(Flows, AFailedOpenLeavesTheDocumentAsItWas) {
  const std::string good = dir.file("good.qmd");
  write_native(good, 20, 10, 0xFF123456);
  std::string bytes = read_bytes(good);
  write_bytes(dir.file("cut.qmd"), bytes.substr(0, bytes.size() - 40));
  write_bytes(dir.file("noise.qmd"), "not a document at all");
  write_bytes(dir.file("noise.png"), "not a picture");
  // A PNG header of 5000 × 10: decoders refuse it before allocating.
  std::vector<uint8_t> wide;
  LayerImage small;
  ASSERT_TRUE(small.create(1, 10));
  ASSERT_TRUE(encode_png(small, {}, wide));
  wide[16] = 0, wide[17] = 0, wide[18] = 0x13, wide[19] = 0x88;  // width 5000
  const uLong crc = crc32(0, wide.data() + 12, 17);                  // "IHDR" and its data
  for (int i = 0; i < 4; ++i) wide[size_t(29 + i)] = uint8_t(crc >> (24 - 8 * i));
  write_bytes(dir.file("wide.png"), std::string(wide.begin(), wide.end()));

  paint(state.document, 0xFF00FF00);
  state.file_path = dir.file("mine.qmd");
  const std::vector<uint32_t> before = fingerprint(state.document);
  const RecentLists recent = state.settings.recent;

  const std::pair<const char*, std::string> cases[] = {
      {"cut.qmd", "ｲﾒｰｼﾞの読み込みに失敗。ﾃﾞｰﾀが破損しています"},
      {"noise.qmd", "ﾌｫｰﾏｯﾄｴﾗｰ"},
      {"noise.png", "이미지 열기 실패"},
      {"wide.png", "幅・高さが4500px以上のｲﾒｰｼﾞは編集できません"},
  };
  for (const auto& [name, message] : cases) {
    SCOPED_TRACE(name);
    prompts.asked.clear();
    prompts.save_changes = {Answer::kNo};  // the document is modified: discard it
    EXPECT_FALSE(flows.open_path(dir.file(name), true));
    EXPECT_EQ(prompts.messages(), std::vector<std::string>{message});
    EXPECT_EQ(fingerprint(state.document), before);
    EXPECT_EQ(state.undo.undo_count(), 1);
    EXPECT_TRUE(state.undo.changed());
    EXPECT_EQ(state.file_path, dir.file("mine.qmd"));
    EXPECT_EQ(state.settings.recent, recent);
  }
  EXPECT_EQ(listener.replaced, 0);
}

TEST_F(Flows, AMissingFileOnlyGetsItsMessage) {
  paint(state.document, 0xFF00FF00);
  EXPECT_FALSE(flows.open_path(dir.file("gone.qmd"), true));
  EXPECT_EQ(prompts.asked, std::vector<std::string>{"message:ファイルが存在しません"});
  EXPECT_EQ(jobs.runs, 0);
}

TEST_F(Flows, ARecentFileThatVanishedLeavesTheList) {
  const std::string kept = dir.file("kept.qmd");
  write_native(kept, 8, 8, 0xFF000000);
  state.settings.recent.files[0] = dir.file("gone.qmd");
  state.settings.recent.files[1] = kept;
  EXPECT_FALSE(flows.open_recent(0));
  EXPECT_EQ(prompts.messages(), std::vector<std::string>{"ファイルが存在しません"});
  EXPECT_EQ(state.settings.recent.files[0], kept);
  EXPECT_EQ(state.settings.recent.files[1], "");
  EXPECT_EQ(listener.recents, 1);
  EXPECT_EQ(jobs.runs, 0);
  // The one left opens.
  EXPECT_TRUE(flows.open_recent(0));
  EXPECT_EQ(state.document.width(), 8);
}

TEST_F(Flows, SavingANeverSavedDocumentAsksForAName) {
  prompts.save_files = {std::nullopt};
  EXPECT_FALSE(flows.save());
  ASSERT_EQ(prompts.asked.size(), 1u);
  EXPECT_EQ(prompts.asked[0].rfind("save-dialog:", 0), 0u);
  EXPECT_EQ(jobs.runs, 0);
}

TEST_F(Flows, SaveAsAddsTheExtensionAndClearsTheModifiedFlag) {
  state.settings.env.save_dir = dir.path();
  paint(state.document, 0xFF0000FF);
  prompts.save_files = {SaveChoice{dir.file("pic"), kFormatNative, 85}};
  ASSERT_TRUE(flows.save_as());
  EXPECT_EQ(prompts.asked, std::vector<std::string>{"save-dialog:" + dir.path() + "||0"});
  const std::string path = dir.file("pic.qmd");
  EXPECT_EQ(state.file_path, path);
  EXPECT_FALSE(state.undo.changed());
  EXPECT_EQ(state.settings.recent.files[0], path);
  EXPECT_EQ(state.settings.env.save_dir, dir.path());
  EXPECT_EQ(jobs.last_range, state.document.layer_count() + 1);
  EXPECT_EQ(jobs.last_position, jobs.last_range);
  Document back;
  ASSERT_EQ(LoadNativeDocument(path, back, nullptr), LoadResult::Success);
  EXPECT_EQ(fingerprint(back), fingerprint(state.document));
  // The next save as proposes the name and the folder of the file.
  prompts.save_files = {std::nullopt};
  EXPECT_FALSE(flows.save_as());
  EXPECT_EQ(prompts.asked.back(), "save-dialog:" + dir.path() + "|pic|0");
}

TEST_F(Flows, AFailedSaveKeepsThePathAndTheModifiedFlag) {
  const std::string mine = dir.file("mine.qmd");
  write_native(mine, 300, 300, 0xFFFFFFFF);
  ASSERT_TRUE(flows.open_path(mine, false));
  paint(state.document, 0xFF00FF00);
  const RecentLists recent = state.settings.recent;
  prompts.save_files = {SaveChoice{dir.file("no/such/folder/b.qmd"), kFormatNative, 85}};
  EXPECT_FALSE(flows.save_as());
  EXPECT_EQ(prompts.messages(), std::vector<std::string>{"保存に失敗しました"});
  EXPECT_EQ(state.file_path, mine);
  EXPECT_TRUE(state.undo.changed());
  EXPECT_EQ(state.settings.recent, recent);
  EXPECT_EQ(flows.title(), "Quillmark2 - " + mine);
}

TEST_F(Flows, LineforgeFilesAskBeforeTheyAreSavedAgain) {
  const std::string path = dir.file("lines.lfw");
  {
    Document doc;
    ASSERT_TRUE(doc.new_canvas(16, 16, true));
    ASSERT_TRUE(SaveLineforgeDocument(path, doc, nullptr));
  }
  ASSERT_TRUE(flows.open_path(path, false));
  paint(state.document, 0xFF000000);
  const std::string before = read_bytes(path);

  // No: saved as .lfw again, without the overwrite question.
  state.settings.env.opt_flag |= kOptConfirmSave;
  prompts.lfw_change = {false};
  ASSERT_TRUE(flows.save());
  EXPECT_EQ(prompts.asked, std::vector<std::string>{"lfw"});
  EXPECT_NE(read_bytes(path), before);
  Document back;
  ASSERT_EQ(LoadLineforgeDocument(path, back, nullptr), LoadResult::Success);
  EXPECT_EQ(back.layer_at(0)->image.row(5)[5] >> 24, 0xFFu);  // the black lines came back

  // Yes: the save-as dialog instead.
  prompts.asked.clear();
  prompts.lfw_change = {true};
  prompts.save_files = {std::nullopt};
  EXPECT_FALSE(flows.save());
  ASSERT_EQ(prompts.asked.size(), 2u);
  EXPECT_EQ(prompts.asked[1], "save-dialog:" + dir.path() + "|lines|6");
}

TEST_F(Flows, TheOverwriteQuestionFollowsTheOption) {
  const std::string path = dir.file("a.qmd");
  write_native(path, 10, 10, 0xFFFFFFFF);
  ASSERT_TRUE(flows.open_path(path, false));
  paint(state.document, 0xFF00FF00);
  const std::string before = read_bytes(path);

  state.settings.env.opt_flag |= kOptConfirmSave;
  prompts.overwrite = {false};
  EXPECT_FALSE(flows.save());
  EXPECT_EQ(prompts.asked, std::vector<std::string>{"overwrite:" + path});
  EXPECT_EQ(read_bytes(path), before);
  EXPECT_TRUE(state.undo.changed());

  state.settings.env.opt_flag &= ~kOptConfirmSave;
  prompts.asked.clear();
  EXPECT_TRUE(flows.save());
  EXPECT_TRUE(prompts.asked.empty());
  EXPECT_NE(read_bytes(path), before);
  EXPECT_FALSE(state.undo.changed());
}

TEST_F(Flows, PngSaveAsksItsOptionsAndReopensAlike) {
  Layer& layer = *state.document.current();
  layer.image.fill(kTransparent);
  layer.image.row(3)[4] = 0x80FF0000;  // half-transparent red
  state.document.composite_all();
  const std::string path = dir.file("out.png");

  // Cancelling the options stops the save: no file, no new path.
  prompts.save_files = {SaveChoice{path, kFormatPng, 85}, SaveChoice{path, kFormatPng, 85}};
  prompts.pngs = {std::nullopt, PngChoice{9, true, std::nullopt}};
  EXPECT_FALSE(flows.save_as());
  EXPECT_FALSE(std::filesystem::exists(path));
  EXPECT_EQ(state.file_path, "");
  EXPECT_EQ(prompts.last_png_offered, (PngChoice{6, false, std::nullopt}));

  ASSERT_TRUE(flows.save_as());
  EXPECT_EQ(state.settings.env.png_comp, 9);
  EXPECT_EQ(state.file_path, path);
  LayerImage saved;
  PictureInfo info;
  ASSERT_TRUE(LoadPng(path, saved, &info));
  EXPECT_TRUE(info.had_alpha);
  EXPECT_EQ(saved.row(3)[4], 0x80FF0000u);
  EXPECT_EQ(saved.row(0)[0] >> 24, 0u);

  // Reopened, the picture's alpha becomes the next save's default.
  state.picture = {};
  ASSERT_TRUE(flows.open_path(path, false));
  EXPECT_TRUE(state.picture.had_alpha);
  EXPECT_EQ(state.document.layer_at(0)->image.row(3)[4], 0x80FF0000u);
  prompts.save_files = {SaveChoice{dir.file("again.png"), kFormatPng, 85}};
  prompts.pngs = {std::nullopt};
  flows.save_as();
  EXPECT_EQ(prompts.last_png_offered, (PngChoice{9, true, std::nullopt}));
}

TEST_F(Flows, GifAndJpegTakeTheirChoices) {
  prompts.save_files = {SaveChoice{dir.file("a.gif"), kFormatGif, 85},
                        SaveChoice{dir.file("b"), kFormatJpeg, 0x8000 | 40}};
  prompts.gifs = {std::optional<uint32_t>(0xFFFFFF)};
  ASSERT_TRUE(flows.save_as());
  EXPECT_EQ(state.picture.transparent, std::optional<uint32_t>(0xFFFFFF));
  ASSERT_TRUE(flows.save_as());
  EXPECT_EQ(state.settings.env.jpeg_comp, 0x8000 | 40);
  EXPECT_EQ(state.file_path, dir.file("b.jpg"));
  EXPECT_EQ(read_bytes(dir.file("b.jpg")).substr(0, 2), "\xFF\xD8");
  EXPECT_EQ(read_bytes(dir.file("a.gif")).substr(0, 6), "GIF89a");
}

TEST_F(Flows, SaveAsByFormatAndIntoTheFixedFolder) {
  state.settings.env.fix_save_dir = dir.path();
  state.settings.env.fix_save_opt = 0x10 | kFormatPng;
  prompts.save_files = {std::nullopt, std::nullopt};
  flows.save_to_fixed_folder();
  EXPECT_EQ(prompts.asked.back(), "save-dialog:" + dir.path() + "||3");
  flows.save_as({kFormatPsd, "/elsewhere"});
  EXPECT_EQ(prompts.asked.back(), "save-dialog:/elsewhere||1");
}

TEST_F(Flows, NewCanvasAfterTheQuestion) {
  paint(state.document, 0xFF00FF00);
  state.file_path = "/somewhere/old.qmd";
  const std::vector<uint32_t> before = fingerprint(state.document);
  NewCanvasChoice choice;
  choice.width = 64;
  choice.height = 32;
  choice.recent_sizes = {pack_canvas_size(64, 32), pack_canvas_size(400, 400), 0, 0, 0};

  // Cancel keeps the document, but the size was chosen: it is remembered.
  prompts.new_canvases = {choice};
  prompts.save_changes = {Answer::kCancel};
  EXPECT_FALSE(flows.new_canvas());
  EXPECT_EQ(fingerprint(state.document), before);
  EXPECT_EQ(state.settings.recent.new_sizes, choice.recent_sizes);

  // Yes with a save that is cancelled: still nothing.
  prompts.new_canvases = {choice};
  prompts.save_changes = {Answer::kYes};
  prompts.lfw_change = {};
  prompts.save_files = {std::nullopt};
  state.file_path.clear();
  EXPECT_FALSE(flows.new_canvas());
  EXPECT_EQ(fingerprint(state.document), before);

  // No: a new blank canvas.
  prompts.new_canvases = {choice};
  prompts.save_changes = {Answer::kNo};
  ASSERT_TRUE(flows.new_canvas());
  EXPECT_EQ(state.document.width(), 64);
  EXPECT_EQ(state.document.height(), 32);
  EXPECT_EQ(state.document.layer_count(), 1);
  EXPECT_EQ(state.settings.env.last_img_w, 64);
  EXPECT_EQ(state.settings.env.last_img_h, 32);
  EXPECT_EQ(state.file_path, "");
  EXPECT_FALSE(state.undo.changed());
  EXPECT_EQ(state.document.composite().row(31)[63], 0xFFFFFFFFu);
}

TEST_F(Flows, ClosingAsksOnlyWithTheOption) {
  paint(state.document, 0xFF00FF00);
  state.settings.env.opt_flag &= ~kOptAskOnQuit;
  EXPECT_TRUE(flows.may_close());
  EXPECT_TRUE(prompts.asked.empty());

  state.settings.env.opt_flag |= kOptAskOnQuit;
  prompts.save_changes = {Answer::kCancel, Answer::kNo};
  EXPECT_FALSE(flows.may_close());
  EXPECT_TRUE(flows.may_close());
  EXPECT_EQ(prompts.asked.size(), 2u);

  // Unmodified documents close without a question.
  state.undo.set_changed(false);
  EXPECT_TRUE(flows.may_close());
  EXPECT_EQ(prompts.asked.size(), 2u);
}

TEST(FileFormats, TableOrderExtensionsAndFilters) {
  const auto formats = file_formats();
  ASSERT_EQ(formats.size(), size_t(kFormatCount));
  const char* exts[] = {"qmd", "psd", "bmp", "png", "jpg", "gif", "lfw"};
  for (int i = 0; i < kFormatCount; ++i) {
    EXPECT_EQ(formats[size_t(i)].index, i);
    EXPECT_EQ(formats[size_t(i)].extensions[0], exts[i]);
    EXPECT_NE(formats[size_t(i)].save, nullptr);
    EXPECT_EQ(file_format_for_path(std::string("/a.b/c.") + exts[i]), &formats[size_t(i)]);
  }
  EXPECT_EQ(file_format_for_path("/x/Y.JPEG")->index, kFormatJpeg);
  EXPECT_EQ(file_format_for_path("/x.png/readme"), nullptr);
  EXPECT_EQ(file_format_for_path("/x/noext"), nullptr);
  // The layered formats open through their loaders, the rest as pictures.
  EXPECT_NE(file_format(kFormatNative)->load, nullptr);
  EXPECT_NE(file_format(kFormatPsd)->load, nullptr);
  EXPECT_NE(file_format(kFormatLineforge)->load, nullptr);
  EXPECT_EQ(file_format(kFormatPng)->load, nullptr);
  EXPECT_EQ(save_filter(),
            "Quillmark2 문서 (*.qmd);;PSD 파일 (*.psd);;BMP 파일 (*.bmp);;PNG 파일 (*.png);;"
            "JPEG 파일 (*.jpg *.jpeg);;GIF 파일 (*.gif);;Lineforge 문서 (*.lfw)");
}

TEST(FileFormats, EveryWriterReadsBack) {
  test::TempFolder dir;
  Document doc;
  ASSERT_TRUE(doc.new_canvas(12, 9, true));
  doc.current()->image.fill(0xFF204080);
  for (const FileFormat& f : file_formats()) {
    SCOPED_TRACE(f.name);
    const std::string path = dir.file("doc." + std::string(f.extensions[0]));
    ASSERT_TRUE(save_file(path, doc, {}, nullptr));
    const OpenedFile opened = open_file(path, nullptr);
    ASSERT_EQ(opened.result, 0);
    EXPECT_EQ(opened.document->width(), 12);
    EXPECT_EQ(opened.document->height(), 9);
    // Lineforge keeps only alpha (as black lines), JPEG is lossy.
    if (f.index != kFormatLineforge && f.index != kFormatJpeg) {
      EXPECT_EQ(opened.document->composite().row(4)[6], 0xFF204080u);
    }
  }
  EXPECT_EQ(open_file(dir.file("doc.txt"), nullptr).result, kOpenPictureFailed);
  EXPECT_FALSE(save_file(dir.file("doc.txt"), doc, {}, nullptr));
}

TEST(LayerNudge, MovesOnePixelAndUndoesAsOneStep) {
  UndoHistory undo;
  Document doc;
  doc.set_undo_recorder(&undo);
  ASSERT_TRUE(doc.new_canvas(3, 2, true));
  LayerImage& img = doc.current()->image;
  // 1 2 3
  // 4 5 6
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) img.row(y)[x] = 0xFF000000u | uint32_t(y * 3 + x + 1);
  auto grid = [&] {
    std::vector<uint32_t> v;
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) v.push_back(img.row(y)[x]);
    return v;
  };
  const std::vector<uint32_t> start = grid();
  const uint32_t T = kTransparent, B = 0xFF000000u;

  EXPECT_EQ(nudge_current_layer(doc, 1, 0), doc.bounds());
  EXPECT_EQ(grid(), (std::vector<uint32_t>{T, B | 1, B | 2, T, B | 4, B | 5}));
  nudge_current_layer(doc, 0, 1);
  EXPECT_EQ(grid(), (std::vector<uint32_t>{T, T, T, T, B | 1, B | 2}));
  EXPECT_EQ(undo.undo_count(), 2);
  undo.undo(doc);
  undo.undo(doc);
  EXPECT_EQ(grid(), start);

  nudge_current_layer(doc, -1, 0);
  EXPECT_EQ(grid(), (std::vector<uint32_t>{B | 2, B | 3, T, B | 5, B | 6, T}));
  undo.undo(doc);
  nudge_current_layer(doc, 0, -1);
  EXPECT_EQ(grid(), (std::vector<uint32_t>{B | 4, B | 5, B | 6, T, T, T}));
  EXPECT_TRUE(undo.changed());
  doc.set_undo_recorder(nullptr);
}

}  // namespace
}  // namespace qm
