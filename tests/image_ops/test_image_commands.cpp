// The whole-image and clipboard command units run through a main window's
// context, as the menu would run them (the size dialogs are left out: they
// wait for the user).
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <vector>

#include "app/app_state.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/commands_image_ops.h"
#include "app/main_window.h"
#include "platform/clipboard_exchange.h"
#include "platform/scanner_sane.h"
#include "../app/flows_test_support.h"

namespace qm {
namespace {

std::vector<Pixel> pixels(const LayerImage& img) {
  return {img.pixels(), img.pixels() + img.pixel_count()};
}

class Commands : public ::testing::Test {
 protected:
  Commands() {
    EXPECT_TRUE(state.document.new_canvas(7, 5, true));
    EXPECT_TRUE(state.document.add_layer(false, false));
    for (int i = 0; i < 2; ++i) {
      LayerImage& img = state.document.layer_at(i)->image;
      for (size_t k = 0; k < img.pixel_count(); ++k)
        img.pixels()[k] = 0xFF000000u | uint32_t(i << 16 | k);
    }
    state.document.layer_at(0)->image.pixels()[3] = kTransparent;
    state.document.composite_all();
    state.undo.clear();
    window = std::make_unique<MainWindow>(state);
    register_image_commands(registry);
    register_clipboard_commands(registry);
    register_scanner_commands(registry);
    QGuiApplication::clipboard()->clear();
  }
  ~Commands() override {
    window.reset();
    QCoreApplication::processEvents();
  }
  bool run(int id) { return registry.run(window->context(), id); }

  AppState state;
  std::unique_ptr<MainWindow> window;
  CommandRegistry registry;
};

TEST_F(Commands, FlipsAndTurnsAreOneUndoStepEach) {
  const std::vector<Pixel> start = pixels(state.document.layer_at(1)->image);
  for (int id : {cmd::kFlipHorizontal, cmd::kFlipVertical, cmd::kRotateClockwise,
                 cmd::kRotateCounterClockwise}) {
    EXPECT_FALSE(registry.is_placeholder(id));
    ASSERT_TRUE(run(id)) << id;
    EXPECT_EQ(state.undo.undo_count(), 1) << id;
    const bool turned = id == cmd::kRotateClockwise || id == cmd::kRotateCounterClockwise;
    EXPECT_EQ(state.document.width(), turned ? 5 : 7) << id;
    EXPECT_NE(pixels(state.document.layer_at(1)->image), start) << id;
    window->undo();
    EXPECT_EQ(state.document.width(), 7) << id;
    EXPECT_EQ(pixels(state.document.layer_at(1)->image), start) << id;
    state.undo.clear();
  }
}

TEST_F(Commands, DisabledWhileAJobRuns) {
  state.busy = true;
  EXPECT_FALSE(registry.is_enabled(window->context(), cmd::kFlipHorizontal));
  EXPECT_FALSE(registry.is_enabled(window->context(), cmd::kPasteLayer));
  EXPECT_FALSE(run(cmd::kCanvasSize));
  state.busy = false;
  EXPECT_TRUE(registry.is_enabled(window->context(), cmd::kCanvasSize));
}

TEST_F(Commands, CopyWithAlphaThenPasteTransparentAddsTheSameLayer) {
  state.document.select(0);
  const std::vector<Pixel> layer = pixels(state.document.current()->image);
  ASSERT_TRUE(run(cmd::kCopyLayer32));
  ASSERT_TRUE(run(cmd::kPasteLayerTransparent));
  ASSERT_EQ(state.document.layer_count(), 3);
  EXPECT_EQ(pixels(state.document.current()->image), layer);
  EXPECT_EQ(state.undo.undo_count(), 1);
  window->undo();
  EXPECT_EQ(state.document.layer_count(), 2);
}

TEST_F(Commands, OpenFromClipboardReplacesTheDocument) {
  state.file_path = "/somewhere/old.qmd";
  QImage picture(9, 4, QImage::Format_ARGB32);
  picture.fill(qRgba(10, 20, 30, 40));
  QGuiApplication::clipboard()->setImage(picture);
  ASSERT_TRUE(run(cmd::kOpenClipboard));
  EXPECT_EQ(state.document.width(), 9);
  EXPECT_EQ(state.document.height(), 4);
  EXPECT_EQ(state.document.layer_count(), 1);
  EXPECT_EQ(state.document.current()->image.get_pixel(8, 3), 0xFF0A141Eu);
  EXPECT_TRUE(state.file_path.empty());
  EXPECT_FALSE(state.undo.changed());
}

// Acquire from SANE's virtual device, configured for this test only.
TEST_F(Commands, AcquireReplacesTheDocumentWithTheScan) {
  char name[] = "/tmp/qm_scan_cmd_XXXXXX";
  ASSERT_NE(::mkdtemp(name), nullptr);
  const std::string dir = name;
  std::ofstream(dir + "/dll.conf") << "test\n";
  std::ofstream(dir + "/test.conf")
      << "number_of_devices 1\nmode Color\ndepth 8\nresolution 20.0\n"
         "test-picture \"Solid white\"\ntl_x 0.0\ntl_y 0.0\nbr_x 50.0\nbr_y 30.0\n";
  ::setenv("SANE_CONFIG_DIR", dir.c_str(), 1);
  state.undo.set_changed(false);  // no question before the scan
  state.file_path = "/somewhere/old.qmd";
  const bool ran = run(cmd::kScanAcquire);
  ::unsetenv("SANE_CONFIG_DIR");
  ::unlink((dir + "/dll.conf").c_str());
  ::unlink((dir + "/test.conf").c_str());
  ::rmdir(dir.c_str());
  ASSERT_TRUE(ran);
  // 50 × 30 mm at 20 dpi.
  EXPECT_NEAR(state.document.width(), 39, 1);
  EXPECT_NEAR(state.document.height(), 24, 1);
  ASSERT_EQ(state.document.layer_count(), 1);
  const LayerImage& img = state.document.current()->image;
  for (size_t i = 0; i < img.pixel_count(); ++i) ASSERT_EQ(img.pixels()[i], kOpaqueWhite) << i;
  EXPECT_TRUE(state.file_path.empty());
}

// Scanning through a window whose questions and messages are scripted.
class ScanCommands : public ::testing::Test {
 protected:
  ScanCommands() {
    EXPECT_TRUE(state.document.new_canvas(6, 4, true));
    auto scripted = std::make_unique<test::ScriptedPrompts>();
    prompts = scripted.get();
    window = std::make_unique<MainWindow>(state, std::move(scripted));
    window->set_job_started_hook([this](ProgressDialog&) { ++jobs; });
    char name[] = "/tmp/qm_scan_jobs_XXXXXX";
    EXPECT_NE(::mkdtemp(name), nullptr);
    dir = name;
    std::ofstream(dir + "/dll.conf") << "test\n";
    std::ofstream(dir + "/test.conf")
        << "number_of_devices 2\nmode Gray\ndepth 8\nresolution 20.0\n"
           "test-picture \"Solid black\"\ntl_x 0.0\ntl_y 0.0\nbr_x 30.0\nbr_y 20.0\n";
    ::setenv("SANE_CONFIG_DIR", dir.c_str(), 1);
  }
  ~ScanCommands() override {
    ::unsetenv("SANE_CONFIG_DIR");
    ::unlink((dir + "/dll.conf").c_str());
    ::unlink((dir + "/test.conf").c_str());
    ::rmdir(dir.c_str());
    window.reset();
    QCoreApplication::processEvents();
  }
  bool run(int id) { return window->run_command(id); }

  AppState state;
  test::ScriptedPrompts* prompts = nullptr;
  std::unique_ptr<MainWindow> window;
  std::string dir;
  int jobs = 0;
};

TEST_F(ScanCommands, TheScanRunsAsAJobFromTheRememberedDevice) {
  state.undo.set_changed(false);
  // A remembered device that is gone: the start fails, the document stays.
  state.settings.env.scan_device = "test:7";
  ASSERT_TRUE(run(cmd::kScanAcquire));
  EXPECT_EQ(prompts->messages(), std::vector<std::string>{kScanStartFailedMessage});
  EXPECT_EQ(state.document.width(), 6);
  EXPECT_EQ(jobs, 1);
  prompts->asked.clear();
  state.settings.env.scan_device = "test:1";
  ASSERT_TRUE(run(cmd::kScanAcquire));
  EXPECT_TRUE(prompts->asked.empty());
  EXPECT_EQ(jobs, 2);
  EXPECT_NEAR(state.document.width(), 24, 1);  // 30 × 20 mm at 20 dpi
  EXPECT_NEAR(state.document.height(), 16, 1);
  EXPECT_EQ(state.document.current()->image.get_pixel(3, 3), 0xFF000000u);
  EXPECT_FALSE(state.busy);
}

TEST_F(ScanCommands, WithoutTheScannerLibraryBothCommandsDoNothing) {
  set_scanner_library_name("libqm-no-such-scanner-library.so.1");
  state.undo.set_changed(true);  // would ask about saving first
  EXPECT_TRUE(run(cmd::kScanAcquire));
  EXPECT_TRUE(run(cmd::kScanSelect));
  set_scanner_library_name("libsane.so.1");
  EXPECT_TRUE(prompts->asked.empty()) << prompts->asked.front();
  EXPECT_EQ(jobs, 0);
  EXPECT_EQ(state.document.width(), 6);
}

}  // namespace
}  // namespace qm

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
