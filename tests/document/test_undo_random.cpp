// Thousands of random layer operations and pixel edits with random undo and
// redo, each state checked against a snapshot taken when it was first reached.
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

constexpr int kLimit = 6;

// The states of the branch the history can reach, oldest first.
struct Model {
  std::vector<Snapshot> states;
  size_t pos = 0;

  void start(const Document& doc) {
    states.assign(1, snapshot(doc));
    pos = 0;
  }
  void step(const Document& doc) {
    states.resize(pos + 1);
    states.push_back(snapshot(doc));
    ++pos;
    if (states.size() > kLimit + 1) {
      states.erase(states.begin());
      --pos;
    }
  }
};

Rect random_rect(Rng& rng, const Document& doc) {
  const int x = rng.below(doc.width() + 2) - 1, y = rng.below(doc.height() + 2) - 1;
  return {x, y, 1 + rng.below(doc.width()), 1 + rng.below(doc.height())};
}

// A raster of another size: the old pixels where they overlap, new ones elsewhere.
LayerImage resized(const LayerImage& old, int w, int h, Rng& rng) {
  LayerImage out;
  EXPECT_TRUE(out.create(w, h));
  test::fill_random(out, out.bounds(), rng);
  out.blit_from(0, 0, w, h, old, 0, 0);
  return out;
}

struct Counts {
  int undos = 0, redos = 0, steps = 0;
};

void run(uint64_t seed, uint64_t memory_limit, Counts& counts) {
  TempDir dir;
  Document doc;
  ASSERT_TRUE(doc.new_canvas(9, 6, true));
  UndoHistory history(dir.path(), kLimit);
  history.store().set_memory_limit(memory_limit);
  doc.set_undo_recorder(&history);
  Rng rng(seed);
  test::fill_random(doc.current()->image, doc.bounds(), rng);
  Model model;
  model.start(doc);

  for (int i = 0; i < 2500; ++i) {
    SCOPED_TRACE(testing::Message() << "seed " << seed << " step " << i);
    const Snapshot before = snapshot(doc);
    const int count = doc.layer_count();
    EditResult edit;
    bool attempted = false;  // an operation that may be refused
    bool recorded = false;   // a step outside those operations
    auto try_edit = [&](EditResult r) {
      edit = r;
      attempted = true;
    };
    switch (rng.below(25)) {
      case 0: case 1: case 2: case 3: {
        const UndoOutcome o = history.undo(doc);
        ASSERT_FALSE(o.failed || o.history_cut);
        ASSERT_EQ(o.done, model.pos > 0);
        if (o.done) {
          --model.pos;
          ++counts.undos;
        }
        ASSERT_EQ(snapshot(doc), model.states[model.pos]);
        break;
      }
      case 4: case 5: case 6: {
        const UndoOutcome o = history.redo(doc);
        ASSERT_FALSE(o.failed || o.history_cut);
        ASSERT_EQ(o.done, model.pos + 1 < model.states.size());
        if (o.done) {
          ++model.pos;
          ++counts.redos;
        }
        ASSERT_EQ(snapshot(doc), model.states[model.pos]);
        break;
      }
      case 7:
        doc.select(rng.below(count));
        model.states[model.pos].current = doc.current_index();
        break;
      case 8: {
        const Rect r = random_rect(rng, doc);
        ASSERT_TRUE(doc.pixel_recorder().record_rect(doc, r));
        test::fill_random(doc.current()->image, r, rng);
        recorded = !intersect(r, doc.bounds()).empty();
        break;
      }
      case 9: {
        const Rect r = random_rect(rng, doc);
        doc.backup().copy_from(doc.current()->image);
        test::fill_random(doc.current()->image, r, rng);
        ASSERT_TRUE(doc.pixel_recorder().record_rect_from(doc, doc.backup(), r));
        recorded = !intersect(r, doc.bounds()).empty();
        break;
      }
      case 10:
        ASSERT_TRUE(doc.pixel_recorder().record_layer(doc));
        test::fill_random(doc.current()->image, doc.bounds(), rng);
        recorded = true;
        break;
      case 11: {
        ASSERT_TRUE(history.record_all_layers(doc));
        const int w = 1 + rng.below(12), h = 1 + rng.below(12);
        std::vector<LayerImage> rasters;
        for (int k = 0; k < count; ++k) rasters.push_back(resized(doc.layer_at(k)->image, w, h, rng));
        ASSERT_TRUE(doc.replace_all_rasters(w, h, std::move(rasters)));
        recorded = true;
        break;
      }
      case 12: try_edit(doc.flip_all(rng.below(2), true)); break;
      case 13:
        try_edit(doc.rotate_all(
            rng.below(2) ? RotateDirection::Clockwise : RotateDirection::CounterClockwise, true));
        break;
      case 14: case 15: try_edit(doc.add_layer(rng.below(2), true)); break;
      case 16: try_edit(doc.delete_current(true)); break;
      case 17: try_edit(doc.merge_down()); break;
      case 18: try_edit(doc.merge_visible(rng.below(2))); break;
      case 19: try_edit(doc.merge_visible_to_new()); break;
      case 20: try_edit(rng.below(2) ? doc.move_up(true) : doc.move_down(true)); break;
      case 21: try_edit(doc.move_to(rng.below(count + 3) - 1, true)); break;
      case 22: {
        // Attributes are not recorded: the history starts over after them.
        Layer& l = *doc.layer_at(rng.below(count));
        l.flags ^= uint8_t(1 + rng.below(2));
        l.opacity = uint8_t(rng.below(129));
        l.blend_mode = uint8_t(rng.below(21));
        l.mask_mode = uint8_t(rng.below(4));
        history.clear();
        model.start(doc);
        break;
      }
      default: {
        // An undo and a redo straight after a step: the spare slot's path.
        const UndoOutcome u = history.undo(doc);
        if (u.done) {
          ASSERT_TRUE(history.redo(doc).done);
          counts.undos++;
          counts.redos++;
        }
        ASSERT_EQ(snapshot(doc), before);
        break;
      }
    }
    ASSERT_FALSE(edit.undo_lost);
    if (edit.done || recorded) {
      model.step(doc);
      ++counts.steps;
    } else if (attempted) {
      ASSERT_EQ(snapshot(doc), before);  // refused: nothing changed, nothing recorded
    }
    ASSERT_EQ(history.undo_count(), int(model.pos));
    ASSERT_EQ(history.redo_count(), int(model.states.size() - 1 - model.pos));
    ASSERT_EQ(doc.composite().width(), doc.width());
    ASSERT_EQ(doc.backup().height(), doc.height());
  }
  doc.set_undo_recorder(nullptr);
}

TEST(UndoRandom, RandomEditsUndoAndRedoToTheirSnapshots) {
  Counts counts;
  // Everything in memory, then small records in memory and the rest in files.
  run(1, UINT64_MAX, counts);
  if (HasFatalFailure()) return;
  run(2, 3000, counts);
  if (HasFatalFailure()) return;
  run(3, 0, counts);
  // The walk really went back and forth.
  EXPECT_GT(counts.undos, 1000);
  EXPECT_GT(counts.redos, 500);
  EXPECT_GT(counts.steps, 2000);
}

}  // namespace
}  // namespace qm
