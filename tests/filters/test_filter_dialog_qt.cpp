// The generated filter dialog and the runners, offscreen: controls in
// order, values on OK, preview on the canvas and Cancel, one undo step per
// run, the worker run with its progress, the filter list.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>
#include <atomic>

#include "alpha_reference.h"
#include "app/colour_dialogs/colour_dialogs.h"
#include "app/filters/active_filter_dialog.h"
#include "app/filters/filter_dialog.h"
#include "app/filters/filter_list_widget.h"
#include "app/filters/filter_runner.h"
#include "app/filters/value_slider.h"
#include "filters/filter_run.h"

namespace qm {
namespace {

using namespace filters;

class TestHost : public FilterHost {
 public:
  TestHost() {
    state_.document.new_canvas(50, 40, true);
    state_.document.create_layer(true);
    for (int i = 0; i < 2; ++i) filters::test::fill_random(state_.document.layer_at(i)->image, uint32_t(i + 3), 0);
    state_.document.select(0);
  }
  AppState& state() override { return state_; }
  QWidget* owner() override { return &owner_; }
  int run_job(const JobFunction& job) override {
    return run_progress_job(&owner_, job, [this](ProgressDialog& d) {
      QObject::connect(d.bar(), &QProgressBar::valueChanged, [this, &d](int v) {
        last_progress = v;
        progress_max = d.bar()->maximum();
      });
    });
  }
  void pixels_changed(Rect r) override {
    ++refreshes;
    state_.document.composite_rect(r);
  }
  Rect visible_image_rect() override { return visible.empty() ? state_.document.bounds() : visible; }
  void composited(Rect) override { ++refreshes; }
  Rect visible;
  std::vector<Pixel> layer() const {
    const LayerImage& img = state_.document.layer_at(0)->image;
    return {img.pixels(), img.pixels() + img.pixel_count()};
  }
  int refreshes = 0, last_progress = -1, progress_max = -1;

 private:
  AppState state_;
  QWidget owner_;
};

// Inverts the colour inside the rectangle, one progress step per row.
std::atomic<bool> g_on_worker{false};
bool invert(const FilterArgs& a) {
  g_on_worker = QThread::currentThread() != qApp->thread();
  progress_range(a.progress, a.rect.h);
  for (int y = a.rect.y; y < a.rect.bottom(); ++y) {
    for (int x = a.rect.x; x < a.rect.right(); ++x) a.dst.row(y)[x] = a.src.row(y)[x] ^ 0x00FFFFFF;
    progress_step(a.progress);
  }
  return true;
}

FilterCommand with_callback(int id, FilterCallback run) {
  FilterCommand c = *find_filter_command(id);
  c.run = run;
  return c;
}

// Acts on the modal dialog once it is up.
void when_dialog_shows(std::function<void(FilterDialog&)> act) {
  QTimer::singleShot(0, [act] {
    auto* d = qobject_cast<FilterDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(d, nullptr);
    act(*d);
  });
}

TEST(FilterDialogQt, FiveControlDialogInOrderAndOkReturnsValues) {
  TestHost host;
  const FilterCommand cmd = with_callback(41018, invert);  // dialog 712: 3 values, 2 lists
  FilterDialog d(host, cmd, *filter_dialog(712), host.state().document.bounds(), {});
  ASSERT_TRUE(d.prepared());
  for (int i = 0; i < 3; ++i) EXPECT_NE(qobject_cast<ValueSlider*>(d.control(i)), nullptr) << i;
  auto* shape = qobject_cast<QComboBox*>(d.control(3));
  auto* colour = qobject_cast<QComboBox*>(d.control(4));
  ASSERT_TRUE(shape && colour);
  EXPECT_EQ(d.control(5), nullptr);
  EXPECT_EQ(colour->count(), 3);
  EXPECT_EQ(colour->itemText(1), QString::fromUtf8("ﾓﾉｸﾛ"));
  EXPECT_FALSE(d.reset_button()->isEnabled());  // mode 2
  EXPECT_TRUE(d.preview_box()->isChecked());
  // Controls stack downwards.
  for (int i = 1; i < 5; ++i) EXPECT_GT(d.control(i)->y(), d.control(i - 1)->y());

  when_dialog_shows([](FilterDialog& dlg) {
    EXPECT_EQ(active_filter_dialog(), &dlg);
    dlg.slider(1)->set_value(600);  // clamped to 512
    dlg.findChildren<QSpinBox*>()[2]->setValue(7);
    qobject_cast<QComboBox*>(dlg.control(4))->setCurrentIndex(2);
    dlg.accept();
  });
  ASSERT_EQ(d.exec(), QDialog::Accepted);
  EXPECT_EQ(active_filter_dialog(), nullptr);
  const FilterValues v = d.values();
  EXPECT_EQ(v.numeric, (std::array<int, 5>{1, 512, 7, 0, 0}));
  EXPECT_EQ(v.list, (std::array<int, 2>{0, 2}));
  EXPECT_GE(d.preview_runs(), 1);
}

TEST(FilterDialogQt, CanvasPreviewThenCancelLeavesTheLayerBitForBit) {
  TestHost host;
  const std::vector<Pixel> before = host.layer();
  const FilterCommand cmd = with_callback(41000, invert);  // mode 1, dialog 700
  const int steps = host.state().undo.undo_count();
  when_dialog_shows([&](FilterDialog& dlg) {
    EXPECT_TRUE(dlg.reset_button()->isEnabled());
    EXPECT_NE(host.layer(), before);  // the preview is on the canvas
    dlg.preview_box()->setChecked(false);
    EXPECT_EQ(host.layer(), before);  // unchecking restores
    dlg.preview_box()->setChecked(true);
    EXPECT_NE(host.layer(), before);
    dlg.reject();
  });
  run_filter(host, cmd);
  EXPECT_EQ(host.layer(), before);
  EXPECT_EQ(host.state().undo.undo_count(), steps);
}

// The preview recomposites only what the screen shows; closing leaves the
// composite as a full recomposite has it.
TEST(FilterDialogQt, CanvasPreviewOfTheVisiblePartThenOkEqualsAFullRecomposite) {
  TestHost host;
  Document& doc = host.state().document;
  doc.composite_all();
  host.visible = {10, 5, 20, 12};
  const FilterCommand cmd = with_callback(41000, invert);
  std::vector<Pixel> before(doc.composite().pixels(), doc.composite().pixels() + doc.composite().pixel_count());
  std::vector<Pixel> previewed;
  when_dialog_shows([&](FilterDialog& dlg) {
    dlg.preview_box()->setChecked(false);
    dlg.preview_box()->setChecked(true);  // again, through the cache the first one built
    previewed.assign(doc.composite().pixels(), doc.composite().pixels() + doc.composite().pixel_count());
    dlg.accept();
  });
  run_filter(host, cmd);
  const LayerImage& c = doc.composite();
  const std::vector<Pixel> after(c.pixels(), c.pixels() + c.pixel_count());
  doc.composite_all();
  EXPECT_TRUE(std::equal(after.begin(), after.end(), c.pixels()));
  ASSERT_EQ(previewed.size(), after.size());
  for (int y = 0; y < doc.height(); ++y)
    for (int x = 0; x < doc.width(); ++x) {
      const size_t i = size_t(y) * size_t(doc.width()) + size_t(x);
      if (host.visible.contains(x, y)) {
        ASSERT_EQ(previewed[i], after[i]) << x << "," << y;
      } else {
        ASSERT_EQ(previewed[i], before[i]) << x << "," << y;  // not recomposited yet
      }
    }
}

TEST(FilterDialogQt, OkIsOneUndoStepAndUndoRestores) {
  TestHost host;
  AppState& s = host.state();
  const std::vector<Pixel> before = host.layer();
  bool finished = false;
  s.pending.add([&] { finished = true; });
  const int steps = s.undo.undo_count();
  when_dialog_shows([](FilterDialog& dlg) {
    // Operate With Layer preselects the layer below (index 1); take "copy".
    EXPECT_EQ(qobject_cast<QComboBox*>(dlg.control(0))->currentIndex(), 1);
    EXPECT_TRUE(qobject_cast<QComboBox*>(dlg.control(0))->itemText(0).endsWith(" *"));
    qobject_cast<QComboBox*>(dlg.control(1))->setCurrentIndex(2);
    dlg.accept();
  });
  run_filter_command(host, 41012);
  EXPECT_TRUE(finished);
  EXPECT_EQ(s.undo.undo_count(), steps + 1);
  const LayerImage& other = s.document.layer_at(1)->image;
  for (int i = 0; i < 50 * 40; ++i)
    ASSERT_EQ(host.layer()[size_t(i)],
              filters::test::ref_operate(before[size_t(i)], other.pixels()[i], 2));
  EXPECT_TRUE(s.undo.undo(s.document).done);
  EXPECT_EQ(host.layer(), before);
}

TEST(FilterDialogQt, WorkerRunWithProgressAndDirectCommands) {
  TestHost host;
  const std::vector<Pixel> before = host.layer();
  g_on_worker = false;
  const FilterCommand cmd = with_callback(41029, invert);  // Runner 3: no dialog, worker
  run_filter(host, cmd);
  EXPECT_TRUE(g_on_worker);
  EXPECT_EQ(host.progress_max, 40);
  EXPECT_EQ(host.last_progress, 40);
  EXPECT_EQ(host.layer()[0], before[0] ^ 0x00FFFFFF);

  // A direct command from the table, on the user-interface thread.
  run_filter_command(host, 41813);
  for (Pixel p : host.layer()) ASSERT_EQ(alpha_of(p), 255);
  // Ids beside the table do nothing; missing algorithms are disabled.
  run_filter_command(host, 41052);
  EXPECT_FALSE(filter_command_enabled(host.state(), 41023) && !find_filter_command(41023)->run);
  EXPECT_TRUE(filter_command_enabled(host.state(), 41813));
  EXPECT_FALSE(filter_command_enabled(host.state(), 41499));
}

TEST(FilterDialogQt, ValueSliderWithMaxEqualToMin) {
  ValueSlider s(0, 0, 5, 0);
  s.resize(100, 14);
  EXPECT_EQ(s.value(), 0);
  EXPECT_EQ(s.position_of(0), 2);
  s.set_value(-3);
  EXPECT_EQ(s.value(), 0);
  ValueSlider r(0, 100, 50, 0);
  r.resize(105, 14);
  EXPECT_EQ(r.position_of(100), 105 - 3);  // the frame's last inner pixel
}

TEST(FilterDialogQt, FilterListIsTheMenuTree) {
  const MenuRow rows[] = {{MenuRow::kBegin, 0, "F", nullptr},   {MenuRow::kBegin, 0, "Sub", nullptr},
                          {MenuRow::kItem, 41000, "a", nullptr}, {MenuRow::kSeparator, 0, nullptr, nullptr},
                          {MenuRow::kItem, 41001, "b", nullptr}, {MenuRow::kEnd, 0, nullptr, nullptr},
                          {MenuRow::kItem, 41012, "c", nullptr}, {MenuRow::kEnd, 0, nullptr, nullptr}};
  std::vector<int> ran;
  FilterListWidget list(rows, [&](int id) { ran.push_back(id); });
  ASSERT_EQ(list.topLevelItemCount(), 2);
  QTreeWidgetItem* sub = list.topLevelItem(0);
  EXPECT_EQ(sub->childCount(), 2);
  emit list.itemClicked(sub, 0);  // a submenu starts nothing
  emit list.itemClicked(sub->child(1), 0);
  emit list.itemClicked(list.topLevelItem(1), 0);
  QApplication::processEvents();
  EXPECT_EQ(ran, (std::vector<int>{41001, 41012}));
}

// Lets the window system deliver what it has queued.
void settle() {
  for (int i = 0; i < 20; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST(FilterDialogQt, ActivatedPanelRaisesTheOpenFilterDialog) {
  TestHost host;
  QWidget panel(nullptr, Qt::Tool);
  hand_activation_to_filter_dialog(&panel);
  panel.show();
  panel.activateWindow();
  settle();
  const FilterCommand cmd = with_callback(41000, invert);
  bool checked = false;
  when_dialog_shows([&](FilterDialog& dlg) {
    settle();
    ASSERT_EQ(QApplication::activeWindow(), &dlg);
    // The panel is activated (a click on it): the dialog takes the
    // activation back at once.
    panel.activateWindow();
    settle();
    EXPECT_EQ(QApplication::activeWindow(), &dlg);
    checked = true;
    dlg.reject();
  });
  run_filter(host, cmd);
  EXPECT_TRUE(checked);
  // With no dialog open the panel keeps its activation.
  panel.activateWindow();
  settle();
  EXPECT_EQ(QApplication::activeWindow(), &panel);

  // Levels records itself too while it is open.
  LayerImage& layer = host.state().document.layer_at(0)->image;
  LayerImage backup;
  ASSERT_TRUE(backup.create(layer.width(), layer.height()));
  backup.copy_from(layer);
  QWidget* seen = nullptr;
  QTimer::singleShot(0, [&] {
    seen = active_filter_dialog();
    if (QWidget* d = QApplication::activeModalWidget()) d->close();
  });
  EXPECT_FALSE(run_levels_dialog(host.owner(), layer, backup, layer.bounds(), [](Rect) {}));
  EXPECT_NE(seen, nullptr);
  EXPECT_EQ(active_filter_dialog(), nullptr);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
