#pragma once
// The whole-image, clipboard and scanner command groups. Each replaces the
// placeholders of its ids, so it is registered after the edit and file
// groups.
namespace qm {

class CommandRegistry;

void register_image_commands(CommandRegistry& registry);      // 40057 … 40062
void register_clipboard_commands(CommandRegistry& registry);  // 40003, 40052 … 40056
void register_scanner_commands(CommandRegistry& registry);    // 40006, 40007
void register_layer_commands(CommandRegistry& registry);      // 42300 … 42316

}  // namespace qm
