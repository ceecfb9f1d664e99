#pragma once
// The per-user settings folder that holds config.ini, key.dat, palette.dat
// and texture.qmt: $QUILLMARK2_HOME when set (tests set it), else
// $XDG_CONFIG_HOME/quillmark2, else ~/.config/quillmark2.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

inline constexpr std::string_view kConfigFileName = "config.ini";
inline constexpr std::string_view kKeyFileName = "key.dat";
inline constexpr std::string_view kPaletteFileName = "palette.dat";
inline constexpr std::string_view kTextureFileName = "texture.qmt";

// The folder from the three variables' values (nullptr or empty: not set).
// A relative XDG_CONFIG_HOME is ignored, as the XDG rules ask. Empty when
// none gives a folder.
std::string settings_folder_from(const char* quillmark2_home, const char* xdg_config_home,
                                 const char* home);
// The same from this process's environment.
std::string settings_folder();

// folder + "/" + name.
std::string settings_file_path(const std::string& folder, std::string_view name);

// Creates the folder and any missing parents (new ones mode 0700); true when
// it exists as a folder afterwards.
bool make_folder(const std::string& folder);

// The whole file when it can be read and holds at most `max_bytes` bytes.
std::optional<std::string> read_small_file(const std::string& path, int64_t max_bytes);

}  // namespace qm
