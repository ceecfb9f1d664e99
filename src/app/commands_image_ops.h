#pragma once
#include <string>

// The whole-image, clipboard and scanner command groups. Each replaces the
// placeholders of its ids, so it is registered after the edit and file
// groups.
namespace qm {

class CommandContext;
class CommandRegistry;
class LayerImage;

void register_image_commands(CommandRegistry& registry);      // 40057 … 40062
void register_clipboard_commands(CommandRegistry& registry);  // 40003, 40052 … 40056
void register_scanner_commands(CommandRegistry& registry);    // 40006, 40007
void register_layer_commands(CommandRegistry& registry);      // 42300 … 42316

// The open dialog for one picture, loaded into `picture`; false when the
// user cancelled or the file could not be read (then "이미지 열기 실패" was shown).
// The chosen file's path goes to `path` when given.
bool open_picture_file(CommandContext& c, LayerImage& picture, std::string* path = nullptr);

}  // namespace qm
