#pragma once
// The per-instance temporary directory (undo spill files live there): the
// system temporary root + "/~quillmark", numbered "~quillmark1",
// "~quillmark2", ... for further instances.
//
// The directory is claimed at once with an exclusive mkdir (mode 0700), so
// two instances can never end up sharing one: whoever creates a name owns it.
// Only an instance running alone may take over an existing unnumbered
// directory, and only when it is a real directory of the same user (a crash
// leaves it behind).
#include <optional>
#include <string>

namespace qm {

inline constexpr const char* kTempDirName = "~quillmark";
// Names tried before giving up (a directory full of stale claims).
inline constexpr int kMaxTempDirNumber = 9999;

// $TMPDIR when it names an absolute path, else /tmp; no trailing slash.
std::string system_temp_root();

// Claims root + "/~quillmark" or the first free numbered name. Alone
// (`others_running` false): the unnumbered name, reused when it is our own
// directory. Otherwise, or when the unnumbered name is someone else's, the
// names base, base1, base2 ... are tried in turn, each by exclusive mkdir.
// nullopt when none can be created (no such root, no permission).
std::optional<std::string> claim_temp_dir(const std::string& root, bool others_running);

// Deletes every plain file directly inside `path`, then the directory
// itself. A subdirectory is left alone and makes the removal fail; the
// result says whether the directory is gone. Symbolic links inside are
// removed as links, never followed.
bool delete_directory_tree(const std::string& path);

}  // namespace qm
