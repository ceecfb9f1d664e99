#pragma once
// A text being placed on the current layer: previewed on every change,
// then committed as one undo step or cancelled. The layer as it was when
// the text was placed is kept in the document's backup; each preview first
// restores the previous preview's rectangle from it, so the layer never
// holds two previews, and cancel leaves it bit for bit as it was.
#include <string>

#include "document/document.h"
#include "paint/brush_settings.h"
#include "paint/text_draw.h"

namespace qm {

struct TextJob {
  GlyphSource* glyphs = nullptr;  // null: the font could not be created
  std::u32string text;
  IntPoint at;
  TextLayout layout;
  BrushSettings paint;  // colour, density (BrushAlpha), colour mask, texture
};

struct TextCommit {
  Rect changed;          // the layer rectangle that changed (canvas pixels)
  bool recorded = false; // an undo step holds it
  bool undo_lost = false;
};

class TextPreview {
 public:
  // The text was placed: the current layer goes to the backup. False (and
  // nothing open) without a current layer.
  bool begin(Document& doc);
  bool active() const { return layer_ != nullptr; }

  // Replaces the preview by `job` drawn on the layer; returns the canvas
  // rectangle that changed (recomposited).
  Rect show(Document& doc, const TextJob& job);
  // Takes the preview off the layer; the placement stays open.
  Rect hide(Document& doc);
  // Draws the text for good and records it; the placement ends. An empty
  // text (or no font) records nothing.
  TextCommit commit(Document& doc, const TextJob& job);
  // Takes the preview off; the placement ends.
  Rect cancel(Document& doc);

 private:
  // The layer the text was placed on, while it is in the stack and the
  // backup still its size; the preview is taken off it even when another
  // layer became current meanwhile (nothing is drawn then).
  Layer* target(Document& doc) const;
  Rect restore(Document& doc);
  Rect draw(Document& doc, const TextJob& job);

  const Layer* layer_ = nullptr;  // compared, never followed
  Rect shown_;  // the last preview, cut to the canvas
};

}  // namespace qm
