#pragma once
// "Finish what is pending": before a command changes the document, the
// current layer or the canvas size, every operation still open on the canvas
// is brought to its end — a multi-click figure is drawn, a floating selection
// is put down, a text preview is committed or cancelled. Each such operation
// registers a finisher; commands call finish_all() first.
#include <functional>
#include <vector>

namespace qm {

class PendingWork {
 public:
  using Finisher = std::function<void()>;

  // Returns an id for remove(). Finishers run in the order they were added.
  int add(Finisher finisher) {
    const int id = next_id_++;
    finishers_.push_back({id, std::move(finisher)});
    return id;
  }
  void remove(int id) {
    std::erase_if(finishers_, [id](const Entry& e) { return e.id == id; });
  }
  // Each finisher ends its own operation and does nothing when none is open.
  void finish_all() {
    const std::vector<Entry> finishers = finishers_;
    for (const Entry& e : finishers) e.finisher();
  }

 private:
  struct Entry {
    int id;
    Finisher finisher;
  };
  std::vector<Entry> finishers_;
  int next_id_ = 1;
};

}  // namespace qm
