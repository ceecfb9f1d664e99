#include "platform/tick_clock.h"

#include <QElapsedTimer>

namespace qm {

int64_t tick_count_ms() {
  static QElapsedTimer clock = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return clock.elapsed() + 1000000;
}

}  // namespace qm
