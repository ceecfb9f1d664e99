#pragma once
// Saving that never loses the user's previous file.
//
// Everything is written to a temporary file in the target's folder; only when
// every write, the flush to disk and the close have succeeded is it renamed
// over the target (an atomic replace on one file system). On any failure the
// temporary file is removed and the old file stays exactly as it was.
//
//   SafeWriter out(path);
//   if (!out.open()) return false;
//   ... write through out.file() ...
//   return out.commit();          // the destructor discards if not committed
//
// or, for a writer that is one function: safe_write(path, [&](BinaryFile& f) {...}).
#include <functional>
#include <string>

#include "formats/binary_file.h"

namespace qm {

class SafeWriter {
 public:
  explicit SafeWriter(std::string target_path);
  ~SafeWriter();
  SafeWriter(const SafeWriter&) = delete;
  SafeWriter& operator=(const SafeWriter&) = delete;

  // Creates the temporary file beside the target. An existing target's
  // permission bits carry over; a symbolic link is kept and its file replaced.
  bool open();
  BinaryFile& file() { return file_; }
  // Syncs and closes the temporary file and renames it over the target;
  // false (and nothing changed) when any step, or any earlier write, failed.
  bool commit();
  // Drops the temporary file; the target is untouched. Safe to repeat.
  void discard();

  const std::string& target_path() const { return target_; }
  // Empty until open() succeeded.
  const std::string& temporary_path() const { return temp_; }

 private:
  std::string target_;
  std::string temp_;
  BinaryFile file_;
  bool committed_ = false;
};

// Opens a SafeWriter on `path`, runs `write` on its file and commits when
// `write` returned true. True when `path` now holds what `write` wrote.
bool safe_write(const std::string& path, const std::function<bool(BinaryFile&)>& write);

}  // namespace qm
