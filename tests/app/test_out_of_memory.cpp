// Memory running out part way through each long command: every allocation
// the command makes is refused in turn (once, and from there on), and each
// run must end with the document exactly as before, with the user told, or
// exactly as an undisturbed run ends it (a failure the command could work
// around). No std::bad_alloc may leave the guard the commands run in.
#include <QApplication>
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "allocation_fault.h"
#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/document_flows.h"
#include "app/document_formats.h"
#include "app/main_window.h"
#include "app/out_of_memory.h"
#include "app/progress_job.h"
#include "document/canvas_resize.h"
#include "document/resize_layers.h"
#include "filters/filter_bands.h"
#include "filters/filter_dialog_desc.h"
#include "filters/filter_run.h"
#include "flows_test_support.h"
#include "formats/load_picture.h"
#include "formats/png_codec.h"
#include "paint/fill.h"
#include "paint/random.h"
#include "panels/layer_from_picture.h"

namespace qm {
namespace {

using test::AllocationFault;
using test::FaultScope;

// Everything of the document a command may change.
struct Snapshot {
  int width = 0, height = 0, count = 0, current = 0, counter = 0;
  std::vector<std::tuple<std::string, int, int, int, int>> attributes;
  std::vector<std::vector<Pixel>> pixels;
  std::vector<Pixel> composite;
  bool operator==(const Snapshot&) const = default;
};

std::vector<Pixel> pixels_of(const LayerImage& img) {
  return {img.pixels(), img.pixels() + img.pixel_count()};
}

Snapshot snapshot(const Document& doc) {
  Snapshot s{doc.width(), doc.height(), doc.layer_count(), doc.current_index(), doc.name_counter(),
             {}, {}, pixels_of(doc.composite())};
  for (int i = 0; i < doc.layer_count(); ++i) {
    const Layer& l = *doc.layer_at(i);
    s.attributes.emplace_back(l.name, l.blend_mode, l.opacity, l.mask_mode, l.flags);
    s.pixels.push_back(pixels_of(l.image));
  }
  return s;
}

// Three patterned layers, the middle one current; the top two are fill
// references, so the fill merges them into a scratch raster.
void make_document(AppState& state) {
  Document& doc = state.document;
  ASSERT_TRUE(doc.new_canvas(37, 23, true));
  ASSERT_TRUE(doc.add_layer(false, true));
  ASSERT_TRUE(doc.add_layer(false, true));
  for (int i = 0; i < 3; ++i) {
    LayerImage& img = doc.layer_at(i)->image;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x)
        img.row(y)[x] = (x / 9 + y / 7 + i) % 3 == 0 ? kTransparent
                                                     : make_pixel(200 - 60 * i, 17 * x, 11 * y, 90 * i);
  }
  doc.layer_at(0)->blend_mode = 2;
  doc.set_opacity_percent_at(0, 70, false);
  doc.toggle_fill_reference(0);
  doc.toggle_fill_reference(1);
  doc.select(1);
  doc.composite_all();
  state.undo.clear();
}

// One command's work, as its unit does it; false when the work itself
// reports that it could not be done (the unit then shows the message).
using Work = std::function<bool(AppState&)>;

struct Attempt {
  std::unique_ptr<AppState> state;
  Snapshot end;
  bool told = false;     // the work's own report or the guard's
  bool refused = false;  // an allocation was refused
};

// Done before the refusals start (the step an undo then takes back).
using Prepare = std::function<void(AppState&)>;

Attempt run_once(const Work& work, const Prepare& prepare, int64_t fault_at, bool persistent) {
  auto state = std::make_unique<AppState>();
  make_document(*state);
  if (prepare) prepare(*state);
  seed_shared_random(25);  // the noise filters draw the same numbers every run
  Attempt run;
  {
    std::unique_ptr<AllocationFault> fault;
    if (fault_at >= 0) fault = std::make_unique<AllocationFault>(fault_at, FaultScope::kEverything, persistent);
    run_guarded([&] { run.told = !work(*state) || run.told; }, [&] { run.told = true; });
    run.refused = fault && fault->refused();
  }
  run.end = snapshot(state->document);
  run.state = std::move(state);
  return run;
}

// Refuses allocation 0, 1, 2 … (every one at first, then sparser) until the
// work needs no more than were let through.
void sweep(const std::string& what, const Work& work, const Prepare& prepare = {}) {
  auto fresh = std::make_unique<AppState>();
  make_document(*fresh);
  if (prepare) prepare(*fresh);
  const Snapshot before = snapshot(fresh->document);
  const Attempt clean = run_once(work, prepare, -1, false);
  ASSERT_FALSE(clean.told) << what << ": fails without any refusal";
  ASSERT_FALSE(clean.end == before) << what << ": changes nothing";
  for (bool persistent : {false, true}) {
    int64_t failures = 0;
    for (int64_t n = 0;; n += n < 64 ? 1 : n / 8) {
      Attempt run = run_once(work, prepare, n, persistent);
      if (!run.refused) break;
      ++failures;
      const bool unchanged = run.end == before;
      EXPECT_TRUE(unchanged || run.end == clean.end)
          << what << ": allocation " << n << (persistent ? " on" : "") << " left a half-done document";
      EXPECT_TRUE(!unchanged || run.told)
          << what << ": allocation " << n << " refused, nothing done and nothing said";
      // What a refusal left behind (the undo history included) still works.
      if (unchanged) {
        seed_shared_random(25);
        EXPECT_TRUE(work(*run.state)) << what << ": allocation " << n << ", then again";
        EXPECT_TRUE(snapshot(run.state->document) == clean.end) << what << ": allocation " << n << ", then again";
      }
      ASSERT_LT(n, 1'000'000) << what;
    }
    EXPECT_GT(failures, 0) << what << ": allocates nothing";
  }
}

class OutOfMemory : public ::testing::Test {
 protected:
  test::TempFolder folder;
};

TEST_F(OutOfMemory, CanvasCommandsChangeNothingWhenAnAllocationFails) {
  sweep("fill", [](AppState& s) {
    BrushSettings brush;
    brush.tool = PaintTool::Fill;
    brush.colour = 0x12AB34;
    RegionMap map;
    return !fill_at(s.document, brush, {20, 3}, FillOptions{}, map).changed.empty();
  });
  sweep("image size", [](AppState& s) {
    return !resize_layers(s.document, 53, 19, ResampleMethod::Lanczos3, true).out_of_memory;
  });
  sweep("canvas size", [](AppState& s) {
    return !resize_canvas(s.document, 41, 20, CanvasAnchor{4}, kOpaqueWhite, true).out_of_memory;
  });
  sweep("rotate", [](AppState& s) {
    return !s.document.rotate_all(RotateDirection::Clockwise, true).out_of_memory;
  });
  const auto told = [](const EditResult& r) { return !r.out_of_memory && !r.undo_lost; };
  sweep("add layer", [&](AppState& s) { return told(s.document.add_layer(false, true)); });
  sweep("duplicate layer", [&](AppState& s) { return told(s.document.add_layer(true, true)); });
  sweep("merge down", [&](AppState& s) { return told(s.document.merge_down()); });
  sweep("merge visible", [&](AppState& s) { return told(s.document.merge_visible(false)); });
  sweep("merge visible keeping alpha", [&](AppState& s) { return told(s.document.merge_visible(true)); });
  sweep("merge visible to new", [&](AppState& s) { return told(s.document.merge_visible_to_new()); });
}

TEST_F(OutOfMemory, UndoAndRedoChangeNothingWhenAnAllocationFails) {
  const Work undo = [](AppState& s) { return !s.undo.undo(s.document).failed; };
  const Work redo = [](AppState& s) { return !s.undo.redo(s.document).failed; };
  const std::pair<const char*, Prepare> steps[] = {
      {"merge down", [](AppState& s) { s.document.merge_down(); }},
      {"merge visible", [](AppState& s) { s.document.merge_visible(false); }},
      {"image size", [](AppState& s) { resize_layers(s.document, 20, 30, ResampleMethod::Bilinear, true); }},
      {"rotate", [](AppState& s) { s.document.rotate_all(RotateDirection::Clockwise, true); }},
  };
  for (const auto& [name, step] : steps) {
    sweep(std::string("undo ") + name, undo, step);
    sweep(std::string("redo ") + name, redo, [&, step = step](AppState& s) {
      step(s);
      s.undo.undo(s.document);
    });
  }
}

TEST_F(OutOfMemory, AddingALayerFromAFile) {
  LayerImage picture;
  ASSERT_TRUE(picture.create(30, 30));
  for (size_t i = 0; i < picture.pixel_count(); ++i) picture.pixels()[i] = 0x80000000u | uint32_t(i * 977);
  const std::string path = folder.path() + "/a picture with a longer name.png";
  ASSERT_TRUE(SavePng(path, picture, 6, true, std::nullopt));
  sweep("add layer from file", [&](AppState& s) {
    LayerImage loaded;
    if (!LoadPicture(path, loaded)) return false;
    const EditResult r = add_picture_layer(s.document, loaded, layer_name_for_file(path));
    return r.done && !r.undo_lost;
  });
}

TEST_F(OutOfMemory, EveryFilterChangesNothingWhenAnAllocationFails) {
  int swept = 0;
  for (const filters::FilterCommand& command : filters::filter_commands()) {
    if (!command.available() || command.runner == filters::FilterRunner::kOwnDialog) continue;
    auto probe = std::make_unique<AppState>();
    make_document(*probe);
    const Rect target = probe->document.bounds();
    filters::FilterValues values;
    if (command.has_dialog()) {
      const filters::DialogDescription* d = filters::filter_dialog(command.dialog_id);
      if (!d) continue;
      values = initial_values(*d, filters::dialog_context(probe->document, target));
    }
    const Work work = [&](AppState& s) {
      filters::FilterEnvironment env;
      env.document = &s.document;
      const filters::FilterStatus status =
          apply_filter(command, s.document, values, env, target, nullptr);
      return status != filters::FilterStatus::kOutOfMemory;
    };
    // Filters that change nothing on this picture have nothing to lose.
    const Attempt clean = run_once(work, {}, -1, false);
    if (clean.end == snapshot(probe->document)) continue;
    sweep(std::string("filter ") + command.cli_name, work);
    ++swept;
  }
  EXPECT_GT(swept, 10);
}

TEST_F(OutOfMemory, OpeningADocumentLeavesTheOpenOneAlone) {
  // The picture to open differs from the open one in size and layers.
  auto source = std::make_unique<AppState>();
  ASSERT_TRUE(source->document.new_canvas(19, 29, true));
  ASSERT_TRUE(source->document.add_layer(false, false));
  for (int i = 0; i < 2; ++i) {
    LayerImage& img = source->document.layer_at(i)->image;
    for (size_t k = 0; k < img.pixel_count(); ++k) img.pixels()[k] = 0xFF000000u | uint32_t(k * 4099 + i);
  }
  source->document.composite_all();
  for (const char* name : {"doc.qmd", "doc.psd", "doc.png", "doc.bmp"}) {
    const std::string path = folder.path() + "/" + name;
    ASSERT_TRUE(save_file(path, source->document, SaveOptions{}, nullptr)) << name;
    sweep(std::string("open ") + name, [&](AppState& s) {
      test::ScriptedPrompts prompts;
      test::InlineJobs jobs;
      test::CountingListener listener;
      DocumentFlows flows(s, prompts, jobs, listener);
      return flows.open_path(path, false) && prompts.asked.empty();
    });
  }
}

// A filter's band that fails on its own thread must not end the program: the
// failure reaches the caller once every band has ended.
TEST(FilterBands, AFailingBandIsRaisedOnTheCallerAfterTheOthersEnded) {
  const int threads = filters::set_filter_threads(4);
  std::atomic<int> done{0};
  for (int failing : {0, 2}) {
    done = 0;
    EXPECT_THROW(filters::for_row_bands(0, 40, 4, nullptr,
                                        [&](int band, int, int, ProgressSink*) {
                                          if (band == failing) throw std::bad_alloc();
                                          ++done;
                                        }),
                 std::bad_alloc);
    EXPECT_EQ(done, 3) << failing;
  }
  filters::set_filter_threads(threads);
}

// --- the guard in the program -------------------------------------------------

class Program : public ::testing::Test {
 protected:
  Program() {
    make_document(state);
    auto scripted = std::make_unique<test::ScriptedPrompts>();
    prompts = scripted.get();
    window = std::make_unique<MainWindow>(state, std::move(scripted));
  }
  ~Program() override {
    window.reset();
    QCoreApplication::processEvents();
  }
  AppState state;
  test::ScriptedPrompts* prompts = nullptr;
  std::unique_ptr<MainWindow> window;
};

TEST_F(Program, ACommandThatRunsOutOfMemoryEndsWithTheMessage) {
  CommandRegistry registry;
  registry.add(60001, {[](CommandContext&, int, CommandOrigin) { throw std::bad_alloc(); }});
  // The same failure on a progress job's worker comes back to the command.
  registry.add(60002, {[](CommandContext& c, int, CommandOrigin) {
    c.window().run_job([](ProgressSink&) -> int { throw std::bad_alloc(); });
  }});
  for (int id : {60001, 60002}) {
    prompts->asked.clear();
    EXPECT_TRUE(registry.run(window->context(), id)) << id;
    EXPECT_EQ(prompts->messages(), std::vector<std::string>{kMsgOutOfMemory}) << id;
    EXPECT_FALSE(state.busy) << id;
    EXPECT_FALSE(window->job_running()) << id;
  }
}

TEST_F(Program, AJobsFailureIsRaisedAgainOnTheCallersThread) {
  bool ran = false;
  EXPECT_THROW(run_progress_job(window.get(), [&](ProgressSink&) -> int {
                 ran = true;
                 throw std::bad_alloc();
               }),
               std::bad_alloc);
  EXPECT_TRUE(ran);
  // And an ordinary job after it still runs.
  EXPECT_EQ(run_progress_job(window.get(), [](ProgressSink&) { return 7; }), 7);
}

// The menu's commands with the engine's blocks refused one after another:
// the turn and the merges report and leave the document as it was.
TEST_F(Program, RealCommandsUnderRefusedRasters) {
  for (int id : {cmd::kRotateClockwise, cmd::kMergeVisibleToNew, cmd::kFirstLayer}) {
    make_document(state);
    window->canvas().document_changed();
    const Snapshot before = snapshot(state.document);
    int64_t n = 0;
    for (;; ++n) {
      prompts->asked.clear();
      bool refused = false;
      {
        AllocationFault fault(n, FaultScope::kEngineBlocks);
        EXPECT_TRUE(window->run_command(id)) << id;
        refused = fault.refused();
      }
      if (!refused) break;
      EXPECT_TRUE(snapshot(state.document) == before) << id << " at " << n;
      EXPECT_EQ(prompts->messages(), std::vector<std::string>{kMsgOutOfMemory}) << id << " at " << n;
    }
    EXPECT_GT(n, 0) << id << " took no raster";
    EXPECT_FALSE(snapshot(state.document) == before) << id << " never went through";
  }
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
