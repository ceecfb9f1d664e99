#pragma once
// Per raster row, the columns some drawing wrote since the last clear: the
// union of the spans it was told, one [x0, x1) span a row. What a brush step
// wrote into the stroke buffer is what has to be combined into the layer.
#include <climits>
#include <vector>

#include "core/rect.h"

namespace qm {

class RowSpans {
 public:
  // Columns x0 … x1 − 1 of row y (y ≥ 0); an empty span adds nothing.
  void add(int y, int x0, int x1);
  // Every row of r.
  void add(Rect r);
  bool empty() const { return top_ > bottom_; }
  // f(y, x0, x1) for every row holding a span, top to bottom.
  template <class F>
  void for_each(F&& f) const {
    for (int y = top_; y <= bottom_; ++y)
      if (lo_[size_t(y)] < hi_[size_t(y)]) f(y, lo_[size_t(y)], hi_[size_t(y)]);
  }
  void clear();

 private:
  std::vector<int> lo_, hi_;  // by row; lo ≥ hi: nothing
  int top_ = INT_MAX, bottom_ = INT_MIN;
};

}  // namespace qm
