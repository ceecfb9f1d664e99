#pragma once
// Progress jobs: long work (open, save, and later image size and filters)
// runs on a worker thread while the user-interface thread sits in a modal
// "처리 중..." dialog with a progress bar. The job may use the Document
// freely: nothing else can reach it until the dialog closes. Progress
// crosses from the worker to the bar only by queued signals.
#include <QDialog>
#include <QObject>
#include <atomic>
#include <cstdint>
#include <functional>

#include "formats/progress_sink.h"

class QProgressBar;

namespace qm {

// The dialog: a title, one bar, no buttons, and no way to close it by hand;
// it ends when the job does.
class ProgressDialog : public QDialog {
  Q_OBJECT

 public:
  explicit ProgressDialog(QWidget* parent = nullptr);
  QProgressBar* bar() const { return bar_; }

  void set_range(qint64 maximum);
  void set_position(qint64 position);

 protected:
  void reject() override {}  // Escape does nothing
  void closeEvent(QCloseEvent* event) override;

 private:
  QProgressBar* bar_;
};

// The worker's side: every call becomes a signal, delivered to the dialog
// on the user-interface thread.
class QueuedProgress : public QObject, public ProgressSink {
  Q_OBJECT

 public:
  void set_range(int64_t maximum) override;
  void step() override;
  void set_position(int64_t position) override;

 signals:
  void range_changed(qint64 maximum);
  void position_changed(qint64 position);

 private:
  std::atomic<int64_t> position_{0};
};

using JobFunction = std::function<int(ProgressSink&)>;

// Shows the dialog (application-modal, over `parent`), starts the job on a
// worker thread once the dialog runs, and returns the job's result after
// the dialog has closed and the thread has ended. `on_started`, when given,
// is called on the user-interface thread just after the worker started
// (tests use it to act while the job runs). An exception thrown by the job
// (std::bad_alloc above all) is thrown again from here.
int run_progress_job(QWidget* parent, const JobFunction& job,
                     const std::function<void(ProgressDialog&)>& on_started = {});

}  // namespace qm
