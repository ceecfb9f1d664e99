#include "app/progress_job.h"

#include <QCloseEvent>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <climits>
#include <exception>
#include <memory>

namespace qm {

namespace {

int clamp_to_int(qint64 v) { return int(std::clamp<qint64>(v, 0, INT_MAX)); }

}  // namespace

ProgressDialog::ProgressDialog(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      bar_(new QProgressBar(this)) {
  setWindowTitle(QStringLiteral("처리 중..."));
  setWindowModality(Qt::ApplicationModal);
  bar_->setRange(0, 1);
  bar_->setValue(0);
  bar_->setTextVisible(false);
  bar_->setMinimumWidth(240);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(bar_);
}

void ProgressDialog::set_range(qint64 maximum) {
  bar_->setRange(0, std::max(clamp_to_int(maximum), 1));
  bar_->setValue(0);
}

void ProgressDialog::set_position(qint64 position) {
  bar_->setValue(std::min(clamp_to_int(position), bar_->maximum()));
}

void ProgressDialog::closeEvent(QCloseEvent* event) { event->ignore(); }

void QueuedProgress::set_range(int64_t maximum) {
  position_ = 0;
  emit range_changed(maximum);
}

void QueuedProgress::step() { emit position_changed(++position_); }

void QueuedProgress::set_position(int64_t position) {
  position_ = position;
  emit position_changed(position);
}

int run_progress_job(QWidget* parent, const JobFunction& job,
                     const std::function<void(ProgressDialog&)>& on_started) {
  ProgressDialog dialog(parent);
  QueuedProgress progress;
  QObject::connect(&progress, &QueuedProgress::range_changed, &dialog, &ProgressDialog::set_range,
                   Qt::QueuedConnection);
  QObject::connect(&progress, &QueuedProgress::position_changed, &dialog,
                   &ProgressDialog::set_position, Qt::QueuedConnection);

  int result = 0;
  // Nothing may leave the worker's function (it would end the program):
  // a failure, such as memory running short, is carried over and raised
  // again here, once the worker has ended, as if the job had run here.
  std::exception_ptr failure;
  std::unique_ptr<QThread> worker(QThread::create([&] {
    try {
      result = job(progress);
    } catch (...) {
      failure = std::current_exception();
    }
  }));
  // Emitted on the worker; queued, so the dialog ends on its own thread
  // after every progress signal sent before it.
  QObject::connect(worker.get(), &QThread::finished, &dialog, &QDialog::accept,
                   Qt::QueuedConnection);
  // The job starts once the dialog's own loop runs.
  QTimer::singleShot(0, &dialog, [&] {
    worker->start();
    if (on_started) on_started(dialog);
  });
  dialog.exec();
  worker->wait();
  if (parent) {
    parent->raise();
    parent->activateWindow();
  }
  if (failure) std::rethrow_exception(failure);
  return result;
}

}  // namespace qm
