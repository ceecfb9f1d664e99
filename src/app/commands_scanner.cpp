// Scanner commands through SANE: choose the device (40007) and acquire one
// picture into a new document (40006). Finding the devices and scanning run
// as progress jobs: both may take seconds (network scanners, the scan
// itself). The chosen device is kept in the settings (ScanDevice).
#include <QInputDialog>
#include <QStringList>

#include "app/app_state.h"
#include "app/canvas_widget.h"
#include "app/command_context.h"
#include "app/command_ids.h"
#include "app/command_registry.h"
#include "app/commands_image_ops.h"
#include "app/document_flows.h"
#include "app/main_window.h"
#include "platform/scanner_sane.h"

namespace qm {

namespace {

bool idle(const CommandContext& c, int) { return !c.state().busy; }

// Full screen drops the frame (full_screen_view.cpp); the main window does
// not say so otherwise.
bool full_screen(const CommandContext& c) {
  return c.window().windowFlags().testFlag(Qt::FramelessWindowHint);
}

void choose_device(CommandContext& c, int, CommandOrigin) {
  if (!scanner_library_present()) return;  // no SANE here: nothing to choose from
  std::optional<std::vector<ScannerDevice>> devices;
  c.window().run_job([&](ProgressSink&) {
    devices = list_scanner_devices();
    return 0;
  });
  if (!devices) return;
  std::string& chosen = c.state().settings.env.scan_device;
  if (devices->empty()) {
    c.window().prompts().message(kScanStartFailedMessage);
    return;
  }
  QStringList labels;
  int current = 0;
  for (size_t i = 0; i < devices->size(); ++i) {
    const ScannerDevice& d = (*devices)[i];
    labels << QString::fromStdString(d.label + " (" + d.name + ")");
    if (d.name == chosen) current = int(i);
  }
  bool ok = false;
  const QString picked = QInputDialog::getItem(&c.window(), c.window().windowTitle(),
                                               QString(), labels, current, false, &ok);
  if (!ok) return;
  const int index = int(labels.indexOf(picked));
  if (index >= 0) chosen = (*devices)[size_t(index)].name;
}

void acquire(CommandContext& c, int, CommandOrigin) {
  AppState& s = c.state();
  AcquireRequest request;
  request.device_name = s.settings.env.scan_device;
  request.full_screen = full_screen(c);
  request.confirm_discard = [&c] { return c.flows().confirm_discard(); };
  request.run_job = [&c](const std::function<void(ProgressSink&)>& scan) {
    c.window().run_job([&](ProgressSink& progress) {
      scan(progress);
      return 0;
    });
  };
  const MessageSink show = [&c](const std::string& text) { c.window().prompts().message(text); };
  if (!acquire_scan(s.document, request, show)) return;
  // An untitled, unmodified document.
  s.file_path.clear();
  s.picture = {};
  s.undo.set_changed(false);
  c.window().canvas().document_changed();
  c.window().update_title();
}

}  // namespace

void register_scanner_commands(CommandRegistry& r) {
  r.add(cmd::kScanAcquire, {acquire, idle});
  r.add(cmd::kScanSelect, {choose_device, idle});
}

}  // namespace qm
