#pragma once
// The wait cursor for work done on the user-interface thread; restored
// however the work ends (a failed allocation included).
#include <QApplication>
#include <QCursor>

namespace qm {

class WaitCursor {
 public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace qm
