#include <fcntl.h>
#include <unistd.h>

#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "document/document.h"
#include "document/undo_history.h"
#include "undo_test_support.h"

namespace qm {
namespace {

using test::Rng;
using test::Snapshot;
using test::TempDir;
using test::snapshot;

// Four layers of random pixels with distinct attributes; layer 1 current.
void fill_document(Document& doc, int w = 11, int h = 7, uint64_t seed = 1) {
  ASSERT_TRUE(doc.new_canvas(w, h, true));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(doc.add_layer(false, true));
  Rng rng(seed);
  for (int i = 0; i < 4; ++i) test::fill_random(doc.layer_at(i)->image, doc.bounds(), rng);
  doc.layer_at(1)->opacity = 64;
  doc.layer_at(1)->blend_mode = 3;
  doc.layer_at(1)->mask_mode = 2;
  doc.layer_at(2)->flags = 0;  // hidden
  doc.layer_at(2)->opacity = 100;  // merges set opacity (and blend mode) of the lower layer
  doc.layer_at(2)->blend_mode = 5;
  doc.layer_at(3)->flags = kLayerVisible | kLayerFillReference;
  doc.layer_at(3)->opacity = 90;
  doc.layer_at(3)->blend_mode = 2;
  doc.layer_at(3)->name = "ﾚｲﾔ" + std::string(22, 'n');  // 31 bytes, the most a name holds
  doc.select(1);
}

struct Fixture {
  TempDir dir;
  Document doc;
  UndoHistory history{dir.path()};
  Rng rng{99};

  explicit Fixture(uint64_t memory_limit = UINT64_MAX) {
    fill_document(doc);
    doc.set_undo_recorder(&history);
    history.store().set_memory_limit(memory_limit);
  }
  ~Fixture() { doc.set_undo_recorder(nullptr); }

  void paint(Rect r) { test::fill_random(doc.current()->image, r, rng); }
  bool work_rasters_fit() {
    return doc.composite().width() == doc.width() && doc.composite().height() == doc.height() &&
           doc.stroke_buffer().width() == doc.width() && doc.backup().height() == doc.height();
  }
};

struct Case {
  const char* name;
  std::function<void(Fixture&)> run;
  int select = 1;  // the current layer before the step
};

// Every recorded operation, each leaving one step behind.
std::vector<Case> all_cases() {
  auto done = [](EditResult r) { ASSERT_TRUE(r.done && !r.undo_lost); };
  return {
      {"rectangle before painting", [](Fixture& f) {
         ASSERT_TRUE(f.history.record_rect(f.doc, {2, 1, 5, 4}));
         f.paint({2, 1, 5, 4});
       }},
      {"stroke from the backup", [](Fixture& f) {
         f.doc.backup().copy_from(f.doc.current()->image);
         f.paint({0, 3, 11, 2});
         ASSERT_TRUE(f.history.record_rect_from(f.doc, f.doc.backup(), {-4, 3, 40, 2}));
       }},
      {"whole layer", [](Fixture& f) {
         ASSERT_TRUE(f.doc.pixel_recorder().record_layer(f.doc));
         f.paint(f.doc.bounds());
       }},
      {"all layers", [](Fixture& f) {
         ASSERT_TRUE(f.history.record_all_layers(f.doc));
         for (int i = 0; i < 4; ++i) test::fill_random(f.doc.layer_at(i)->image, f.doc.bounds(), f.rng);
       }},
      {"all layers at a new canvas size", [](Fixture& f) {
         ASSERT_TRUE(f.history.record_all_layers(f.doc));
         std::vector<LayerImage> rasters(4);
         for (LayerImage& r : rasters) {
           ASSERT_TRUE(r.create(6, 9));
           test::fill_random(r, r.bounds(), f.rng);
         }
         ASSERT_TRUE(f.doc.replace_all_rasters(6, 9, std::move(rasters)));
       }},
      {"flip horizontally", [=](Fixture& f) { done(f.doc.flip_all(false, true)); }},
      {"flip vertically", [=](Fixture& f) { done(f.doc.flip_all(true, true)); }},
      {"rotate clockwise", [=](Fixture& f) { done(f.doc.rotate_all(RotateDirection::Clockwise, true)); }},
      {"rotate counter-clockwise",
       [=](Fixture& f) { done(f.doc.rotate_all(RotateDirection::CounterClockwise, true)); }},
      {"delete a middle layer", [=](Fixture& f) { done(f.doc.delete_current(true)); }},
      {"delete the bottom layer", [=](Fixture& f) { done(f.doc.delete_current(true)); }, 3},
      {"add a layer", [=](Fixture& f) { done(f.doc.add_layer(false, true)); }},
      {"duplicate a layer", [=](Fixture& f) { done(f.doc.add_layer(true, true)); }},
      {"merge visible to a new layer", [=](Fixture& f) { done(f.doc.merge_visible_to_new()); }, 2},
      {"move up", [=](Fixture& f) { done(f.doc.move_up(true)); }},
      {"move down", [=](Fixture& f) { done(f.doc.move_down(true)); }},
      {"move to the bottom", [=](Fixture& f) { done(f.doc.move_to(9, true)); }},
      {"move to the top", [=](Fixture& f) { done(f.doc.move_to(0, true)); }, 3},
      {"merge down", [=](Fixture& f) { done(f.doc.merge_down()); }},
      {"merge visible onto white", [=](Fixture& f) { done(f.doc.merge_visible(false)); }, 3},
      {"merge visible keeping alpha", [=](Fixture& f) { done(f.doc.merge_visible(true)); }},
  };
}

void run_every_kind(uint64_t memory_limit) {
  for (const Case& c : all_cases()) {
    SCOPED_TRACE(c.name);
    Fixture f(memory_limit);
    f.doc.select(c.select);
    const Snapshot before = snapshot(f.doc);
    c.run(f);
    if (testing::Test::HasFatalFailure()) return;
    const Snapshot after = snapshot(f.doc);
    ASSERT_NE(before, after);
    ASSERT_EQ(f.history.undo_count(), 1);
    // Twice round: the second pass runs on the spare slot the first one left.
    for (int round = 0; round < 2; ++round) {
      ASSERT_TRUE(f.history.undo(f.doc).done);
      EXPECT_EQ(snapshot(f.doc), before);
      EXPECT_TRUE(f.work_rasters_fit());
      EXPECT_EQ(f.history.redo_count(), 1);
      EXPECT_FALSE(f.history.undo(f.doc).done);  // nothing older
      ASSERT_TRUE(f.history.redo(f.doc).done);
      EXPECT_EQ(snapshot(f.doc), after);
      EXPECT_TRUE(f.work_rasters_fit());
      EXPECT_FALSE(f.history.redo(f.doc).done);  // nothing newer
    }
  }
}

TEST(UndoHistory, EveryKindUndoesAndRedoesExactly) { run_every_kind(UINT64_MAX); }

TEST(UndoHistory, EveryKindUndoesAndRedoesExactlyFromSpillFiles) { run_every_kind(0); }

TEST(UndoHistory, SpillFilesLiveAsLongAsTheirRecords) {
  TempDir dir;
  {
    Fixture f(0);
    f.history.store().set_directory(dir.path());
    ASSERT_TRUE(f.history.record_layer(f.doc));
    ASSERT_TRUE(f.history.record_rect(f.doc, {1, 1, 2, 2}));
    ASSERT_TRUE(f.doc.move_up(true));  // no data, no file
    EXPECT_EQ(dir.file_count(), 2u);
    ASSERT_TRUE(f.history.undo(f.doc).done);
    EXPECT_EQ(dir.file_count(), 2u);
    ASSERT_TRUE(f.history.undo(f.doc).done);  // the spare took a file
    EXPECT_EQ(dir.file_count(), 3u);
    ASSERT_TRUE(f.history.record_rect(f.doc, {0, 0, 1, 1}));  // the redo branch goes
    EXPECT_EQ(dir.file_count(), 2u);
    EXPECT_EQ(f.history.redo_count(), 0);
    ASSERT_TRUE(f.doc.new_canvas(3, 3, true));  // a new canvas forgets everything
    EXPECT_EQ(f.history.record_count(), 0);
    EXPECT_FALSE(f.history.changed());
    EXPECT_EQ(dir.file_count(), 0u);
    f.history.store().set_memory_limit(UINT64_MAX);
    ASSERT_TRUE(f.history.record_all_layers(f.doc));  // small, but always a file first
    EXPECT_EQ(dir.file_count(), 1u);
  }
  EXPECT_EQ(dir.file_count(), 0u);  // the history's end deletes them
}

TEST(UndoHistory, WhatTheCallerIsToldToRefresh) {
  Fixture f;
  ASSERT_TRUE(f.history.record_rect(f.doc, {2, 1, 3, 3}));
  UndoOutcome o = f.history.undo(f.doc);
  EXPECT_EQ(o.refresh, (Rect{2, 1, 3, 3}));
  EXPECT_FALSE(o.canvas_resized || o.layers_changed);
  f.history.redo(f.doc);
  ASSERT_TRUE(f.doc.rotate_all(RotateDirection::Clockwise, true));
  o = f.history.undo(f.doc);
  EXPECT_TRUE(o.canvas_resized);
  EXPECT_EQ(o.refresh, (Rect{0, 0, 11, 7}));
  ASSERT_TRUE(f.doc.move_down(true));
  o = f.history.undo(f.doc);
  EXPECT_TRUE(o.layers_changed);
  EXPECT_EQ(o.refresh, f.doc.bounds());
}

TEST(UndoHistory, KeepsOnlyTheLimit) {
  Fixture f;
  f.history.set_limit(3);
  std::vector<Snapshot> states{snapshot(f.doc)};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(f.history.record_rect(f.doc, {i, 0, 2, 2}));
    f.paint({i, 0, 2, 2});
    states.push_back(snapshot(f.doc));
  }
  EXPECT_EQ(f.history.undo_count(), 3);
  for (int i = 3; i >= 1; --i) {
    ASSERT_TRUE(f.history.undo(f.doc).done);
    EXPECT_EQ(snapshot(f.doc), states[size_t(i)]);
  }
  EXPECT_FALSE(f.history.undo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), states[1]);
  EXPECT_EQ(f.history.redo_count(), 3);
}

TEST(UndoHistory, ANewStepDiscardsTheRedoBranch) {
  Fixture f;
  std::vector<Snapshot> states{snapshot(f.doc)};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(f.history.record_rect(f.doc, {0, i, 4, 1}));
    f.paint({0, i, 4, 1});
    states.push_back(snapshot(f.doc));
  }
  f.history.undo(f.doc);
  f.history.undo(f.doc);
  ASSERT_EQ(f.history.redo_count(), 2);
  ASSERT_TRUE(f.history.record_rect(f.doc, {5, 5, 2, 2}));
  f.paint({5, 5, 2, 2});
  EXPECT_EQ(f.history.redo_count(), 0);
  EXPECT_EQ(f.history.undo_count(), 2);
  EXPECT_FALSE(f.history.redo(f.doc).done);
  ASSERT_TRUE(f.history.undo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), states[1]);
}

TEST(UndoHistory, LoweringTheLimitNeverDropsTheStepBeingUndone) {
  Fixture f;
  std::vector<Snapshot> states{snapshot(f.doc)};
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(f.history.record_rect(f.doc, {i, i, 3, 1}));
    f.paint({i, i, 3, 1});
    states.push_back(snapshot(f.doc));
  }
  ASSERT_TRUE(f.history.undo(f.doc).done);
  ASSERT_TRUE(f.history.undo(f.doc).done);
  f.history.set_limit(1);
  // Older steps go; the one undone and the redo steps after it stay.
  ASSERT_TRUE(f.history.undo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), states[2]);
  EXPECT_EQ(f.history.undo_count(), 0);
  EXPECT_EQ(f.history.redo_count(), 3);
  for (size_t i = 3; i <= 5; ++i) {
    ASSERT_TRUE(f.history.redo(f.doc).done);
    EXPECT_EQ(snapshot(f.doc), states[i]);
  }
  ASSERT_TRUE(f.history.undo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), states[4]);
}

TEST(UndoHistory, MebibyteRecordsStayInMemoryLargerOnesSpill) {
  TempDir dir;
  Document doc;
  ASSERT_TRUE(doc.new_canvas(600, 600, true));
  doc.current()->image.fill(0xFF336699);
  UndoHistory history(dir.path());
  // 513 × 511 opaque pixels: a 4-byte length and 262,143 × 4 bytes = 1,048,576.
  ASSERT_TRUE(history.record_rect(doc, {0, 0, 513, 511}));
  EXPECT_EQ(history.store().memory_in_use(), 1048576u);
  EXPECT_EQ(dir.file_count(), 0u);
  // 512 × 512 with one transparent pixel: 4 + 262,143 × 4 + 2 = 1,048,578
  // (codes are always of even size, so this is the next size up).
  doc.current()->image.erase_pixel(7, 7);
  ASSERT_TRUE(history.record_rect(doc, {0, 0, 512, 512}));
  EXPECT_EQ(history.store().memory_in_use(), 1048576u);
  EXPECT_EQ(dir.files(), std::vector<std::string>{"0000.tmp"});
}

TEST(UndoHistory, TransparentPixelsComeBackWhite) {
  Fixture f;
  f.doc.current()->image.fill(0x00123456);  // transparent, with a colour
  f.doc.current()->image.row(2)[3] = 0x01000000;  // nearly transparent, still kept
  ASSERT_TRUE(f.history.record_layer(f.doc));
  f.doc.current()->image.fill(0xFF000000);
  ASSERT_TRUE(f.history.undo(f.doc).done);
  EXPECT_EQ(f.doc.current()->image.get_pixel(0, 0), kTransparent);
  EXPECT_EQ(f.doc.current()->image.get_pixel(10, 6), kTransparent);
  EXPECT_EQ(f.doc.current()->image.get_pixel(3, 2), 0x01000000u);
}

TEST(UndoHistory, TheFileCounterWrapsPastRecordsStillAlive) {
  Fixture f(0);  // every record in a file
  f.history.set_limit(10000);
  const Snapshot start = snapshot(f.doc);
  ASSERT_TRUE(f.history.record_layer(f.doc));  // file 0000, kept to the end
  f.paint(f.doc.bounds());
  const Snapshot painted = snapshot(f.doc);
  // Each round takes two numbers (the step and its spare) and frees the two
  // of the round before; after 2048 rounds the counter is back at 0.
  for (int round = 0; round < 2100; ++round) {
    ASSERT_TRUE(f.history.record_rect(f.doc, {round % 11, 0, 1, 1}));
    f.paint({round % 11, 0, 1, 1});
    ASSERT_TRUE(f.history.undo(f.doc).done);
  }
  EXPECT_EQ(snapshot(f.doc), painted);
  ASSERT_EQ(f.history.undo_count(), 1);
  ASSERT_TRUE(f.history.undo(f.doc).done);  // file 0000 still holds the first step
  EXPECT_EQ(snapshot(f.doc), start);
}

TEST(UndoHistory, NowhereToStoreCutsTheHistoryButKeepsTheChange) {
  Fixture f;
  ASSERT_TRUE(f.history.record_rect(f.doc, {0, 0, 2, 2}));
  f.paint({0, 0, 2, 2});
  ASSERT_TRUE(f.doc.move_down(true));
  ASSERT_EQ(f.history.undo_count(), 2);

  // A directory that cannot be written and no memory.
  f.history.store().set_directory(f.dir.path() + "/not/there");
  f.history.store().set_memory_limit(0);
  const int count = f.doc.layer_count();
  const EditResult r = f.doc.delete_current(true);
  EXPECT_TRUE(r.done);
  EXPECT_TRUE(r.undo_lost);
  EXPECT_EQ(f.doc.layer_count(), count - 1);
  EXPECT_EQ(f.history.undo_count(), 0);
  EXPECT_EQ(f.history.record_count(), 0);
  const Snapshot after = snapshot(f.doc);
  EXPECT_FALSE(f.history.undo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), after);

  // Data-less steps still record; the painting engine learns of its failure.
  EXPECT_FALSE(f.doc.add_layer(false, true).undo_lost);
  EXPECT_FALSE(f.history.record_rect(f.doc, {0, 0, 3, 3}));
  EXPECT_EQ(f.history.undo_count(), 0);

  // Storage back: recording works again.
  f.history.store().set_directory(f.dir.path());
  f.history.store().set_memory_limit(UINT64_MAX);
  const Snapshot before = snapshot(f.doc);
  ASSERT_TRUE(f.doc.merge_down());
  ASSERT_TRUE(f.history.undo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), before);
}

TEST(UndoHistory, ADamagedSpillFileLeavesDocumentAndCursorAlone) {
  for (const bool truncate : {true, false}) {
    SCOPED_TRACE(truncate ? "truncated" : "altered");
    Fixture f(0);
    ASSERT_TRUE(f.history.record_layer(f.doc));
    f.paint(f.doc.bounds());
    ASSERT_TRUE(f.doc.add_layer(false, true));
    ASSERT_TRUE(f.doc.move_down(true));
    const Snapshot now = snapshot(f.doc);
    // Undo the move and the add; the pixel step's file is then the next.
    f.history.undo(f.doc);
    f.history.undo(f.doc);
    const Snapshot before_damage = snapshot(f.doc);
    ASSERT_EQ(f.dir.files().size(), 2u);  // the pixels and the added layer's block
    const std::string path = f.history.store().file_path(0);
    if (truncate) {
      ASSERT_EQ(::truncate(path.c_str(), 10), 0);
    } else {
      const int fd = ::open(path.c_str(), O_WRONLY);
      const uint8_t junk[4] = {0xFF, 1, 2, 3};
      ASSERT_EQ(::pwrite(fd, junk, 4, 40), 4);
      ::close(fd);
    }
    const UndoOutcome o = f.history.undo(f.doc);
    EXPECT_FALSE(o.done);
    EXPECT_TRUE(o.failed);
    EXPECT_EQ(snapshot(f.doc), before_damage);
    EXPECT_EQ(f.history.undo_count(), 1);
    EXPECT_EQ(f.history.redo_count(), 2);
    // The steps after it are unharmed.
    ASSERT_TRUE(f.history.redo(f.doc).done);
    ASSERT_TRUE(f.history.redo(f.doc).done);
    EXPECT_EQ(snapshot(f.doc), now);
  }
}

TEST(UndoHistory, UndoWithoutRoomForItsRedoStillUndoes) {
  Fixture f;
  std::vector<Snapshot> states{snapshot(f.doc)};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(f.history.record_rect(f.doc, {i, 0, 3, 3}));
    f.paint({i, 0, 3, 3});
    states.push_back(snapshot(f.doc));
  }
  f.history.undo(f.doc);  // a redo step exists
  f.history.store().set_directory({});
  f.history.store().set_memory_limit(0);
  const UndoOutcome o = f.history.undo(f.doc);
  EXPECT_TRUE(o.done);
  EXPECT_TRUE(o.history_cut);
  EXPECT_EQ(snapshot(f.doc), states[1]);
  EXPECT_EQ(f.history.redo_count(), 0);
  EXPECT_FALSE(f.history.redo(f.doc).done);
  // Older steps are untouched.
  ASSERT_TRUE(f.history.undo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), states[0]);
}

TEST(UndoHistory, RedoWithoutRoomForItsUndoStillRedoes) {
  Fixture f;
  std::vector<Snapshot> states{snapshot(f.doc)};
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(f.history.record_rect(f.doc, {i, 1, 3, 3}));
    f.paint({i, 1, 3, 3});
    states.push_back(snapshot(f.doc));
  }
  f.history.undo(f.doc);
  f.history.undo(f.doc);
  f.history.store().set_directory({});
  f.history.store().set_memory_limit(0);
  const UndoOutcome o = f.history.redo(f.doc);
  EXPECT_TRUE(o.done);
  EXPECT_TRUE(o.history_cut);
  EXPECT_EQ(snapshot(f.doc), states[2]);
  EXPECT_EQ(f.history.undo_count(), 0);
  EXPECT_FALSE(f.history.undo(f.doc).done);
  // The step after it can still be redone.
  ASSERT_TRUE(f.history.redo(f.doc).done);
  EXPECT_EQ(snapshot(f.doc), states[3]);
}

TEST(UndoHistory, AReplacedDocumentForgetsItsSteps) {
  Fixture f;
  ASSERT_TRUE(f.doc.add_layer(false, true));
  ASSERT_EQ(f.history.undo_count(), 1);
  Document loaded;  // as a loader fills it
  ASSERT_TRUE(loaded.new_canvas(5, 4, true));
  f.doc = std::move(loaded);
  EXPECT_EQ(f.history.record_count(), 0);
  EXPECT_EQ(f.doc.width(), 5);
  ASSERT_TRUE(f.doc.add_layer(false, true));  // still recorded by the same history
  EXPECT_EQ(f.history.undo_count(), 1);
  ASSERT_TRUE(f.history.undo(f.doc).done);
  EXPECT_EQ(f.doc.layer_count(), 1);
}

TEST(UndoHistory, ChangedFlag) {
  Fixture f;
  f.history.set_changed(false);
  ASSERT_TRUE(f.doc.add_layer(false, true));
  EXPECT_TRUE(f.history.changed());
  f.history.set_changed(false);
  f.history.undo(f.doc);
  EXPECT_TRUE(f.history.changed());
  f.history.set_changed(false);
  f.history.redo(f.doc);
  EXPECT_TRUE(f.history.changed());
}

}  // namespace
}  // namespace qm
