#include "paint/row_spans.h"

#include <algorithm>

namespace qm {

void RowSpans::add(int y, int x0, int x1) {
  if (x0 >= x1 || y < 0) return;
  if (size_t(y) >= lo_.size()) {
    lo_.resize(size_t(y) + 1, INT_MAX);
    hi_.resize(size_t(y) + 1, INT_MIN);
  }
  lo_[size_t(y)] = std::min(lo_[size_t(y)], x0);
  hi_[size_t(y)] = std::max(hi_[size_t(y)], x1);
  top_ = std::min(top_, y);
  bottom_ = std::max(bottom_, y);
}

void RowSpans::add(Rect r) {
  if (r.empty()) return;
  for (int y = r.y; y < r.bottom(); ++y) add(y, r.x, r.right());
}

void RowSpans::clear() {
  for (int y = top_; y <= bottom_; ++y) {
    lo_[size_t(y)] = INT_MAX;
    hi_[size_t(y)] = INT_MIN;
  }
  top_ = INT_MAX;
  bottom_ = INT_MIN;
}

}  // namespace qm
