// Scanner commands through SANE: choose the device (40007) and acquire one
// picture into a new document (40006).
#include <QInputDialog>
#include <QMessageBox>
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

// The chosen device for this run of the program. It belongs in AppState;
// until that has a field for it, it lives here.
std::string& chosen_device() {
  static std::string name;
  return name;
}

bool idle(const CommandContext& c, int) { return !c.state().busy; }

// Full screen drops the frame (full_screen_view.cpp); the main window does
// not say so otherwise.
bool full_screen(const CommandContext& c) {
  return c.window().windowFlags().testFlag(Qt::FramelessWindowHint);
}

void choose_device(CommandContext& c, int, CommandOrigin) {
  const std::optional<std::vector<ScannerDevice>> devices = list_scanner_devices();
  if (!devices) return;  // no SANE here: nothing to choose from
  if (devices->empty()) {
    QMessageBox::information(&c.window(), c.window().windowTitle(),
                             QString::fromUtf8(kScanStartFailedMessage));
    return;
  }
  QStringList labels;
  int current = 0;
  for (size_t i = 0; i < devices->size(); ++i) {
    const ScannerDevice& d = (*devices)[i];
    labels << QString::fromStdString(d.label + " (" + d.name + ")");
    if (d.name == chosen_device()) current = int(i);
  }
  bool ok = false;
  const QString picked = QInputDialog::getItem(&c.window(), c.window().windowTitle(),
                                               QString(), labels, current, false, &ok);
  if (!ok) return;
  const int index = int(labels.indexOf(picked));
  if (index >= 0) chosen_device() = (*devices)[size_t(index)].name;
}

void acquire(CommandContext& c, int, CommandOrigin) {
  AppState& s = c.state();
  AcquireRequest request;
  request.device_name = chosen_device();
  request.full_screen = full_screen(c);
  request.confirm_discard = [&c] { return c.flows().confirm_discard(); };
  const MessageSink show = [&c](const std::string& text) {
    QMessageBox::information(&c.window(), c.window().windowTitle(), QString::fromStdString(text));
  };
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
