#pragma once
// Pictures to and from the system clipboard. A 32-bit picture keeps its
// alpha; a 24-bit one carries only colour. Reading cuts or pads to the
// target image and never grows it.
#include <functional>
#include <optional>
#include <string>

#include "core/layer_image.h"
#include "document/document.h"

namespace qm {

// Shows a message to the user (a message box in the program, a log in tests).
using MessageSink = std::function<void(const std::string&)>;

inline constexpr const char* kClipboardEmptyMessage = "ｸﾘｯﾌﾟﾎﾞｰﾄﾞにﾃﾞｰﾀがありません";
inline constexpr const char* kClipboardNot32BitMessage = "ｲﾒｰｼﾞが32BITではありません";
// The too-large message of the whole program, with the size limit put in.
std::string too_large_image_message();

struct ClipboardSize {
  int width = 0, height = 0;
};

// --- the raw exchange --------------------------------------------------------
// Puts B, G, R of every pixel on the clipboard as an opaque picture.
void copy_image_to_clipboard_24(const LayerImage& image);
// Puts the pixels unchanged (B, G, R, A, not premultiplied) on the clipboard.
void copy_image_to_clipboard_32(const LayerImage& image);
// The size of the picture on the clipboard; nullopt when there is none.
std::optional<ClipboardSize> clipboard_image_size();
// True when a picture is there and, when `need_32` is set, it has alpha;
// a picture without alpha then shows kClipboardNot32BitMessage.
bool check_clipboard_image(bool need_32, const MessageSink& show);
// Fill `image` (already created) from the clipboard's top-left part: the
// rest is transparent white. The 24-bit read makes every pixel opaque; the
// 32-bit one keeps alpha and gives every fully transparent pixel a white
// colour. False, with `image` untouched, when the clipboard holds no picture.
bool paste_clipboard_24(LayerImage& image);
bool paste_clipboard_32(LayerImage& image);

// --- the document commands -----------------------------------------------------
// The current layer laid at full opacity in normal mode over opaque white.
bool copy_current_layer_24(const Document& doc);
// The current layer's own pixels.
bool copy_current_layer_32(const Document& doc);
// The visible layers flattened onto white.
bool copy_composite(const Document& doc);
// Re-initialises `doc` at the clipboard picture's size with one layer holding
// it (opaque). Shows the empty or too-large message and leaves `doc` alone
// when it cannot.
bool open_from_clipboard(Document& doc, const MessageSink& show);
// Adds a layer on top of the current one (recorded when asked) holding the
// clipboard picture's top-left part; `transparent` keeps its alpha and needs
// a 32-bit picture. Shows the empty, too-large or not-32-bit message and
// adds nothing when it cannot.
EditResult paste_as_new_layer(Document& doc, bool transparent, bool record,
                              const MessageSink& show);

}  // namespace qm
