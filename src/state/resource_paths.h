#pragma once
// Where the program finds its read-only files (the help page, the icon)
// whether it runs from its build folder or from an installed prefix
// (<prefix>/bin/quillmark2 beside <prefix>/share/...).
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The share folder of our own files, relative to <prefix>/share.
inline constexpr std::string_view kShareFolder = "quillmark2";
// The icon theme our icons are installed into, relative to <prefix>/share.
inline constexpr std::string_view kIconThemeFolder = "icons/hicolor";

// The folders searched for a file of <prefix>/share/`share_sub`, in order:
// beside the executable, <executable folder>/../share/`share_sub`, then
// `build_tree` (the folder the build keeps those files in; empty: none).
std::vector<std::string> resource_folders(const std::string& exe_folder, std::string_view share_sub,
                                          const std::string& build_tree);

// The first folder + "/" + `name` that is a regular file, or "" when none is.
std::string find_resource(std::string_view name, const std::vector<std::string>& folders);

// The folder of this process's executable (symbolic links resolved), or ""
// when it cannot be told.
std::string executable_folder();

}  // namespace qm
