#pragma once
// The process-wide application state, created once at start-up and living
// until exit: settings and key bindings, the palettes and textures, the open
// Document with its undo history, and what the document flows remember
// about it.
#include <string>

#include "canvas/pending_work.h"
#include "canvas/selection.h"
#include "state/drawing_state.h"
#include "state/drawing_state_model.h"
#include "state/key_bindings.h"
#include "document/document.h"
#include "document/undo_history.h"
#include "formats/load_picture.h"
#include "formats/palette_store.h"
#include "formats/texture_library.h"

namespace qm {

struct AppState {
  AppState() { document.set_undo_recorder(&undo); }
  AppState(const AppState&) = delete;
  AppState& operator=(const AppState&) = delete;
  ~AppState() { document.set_undo_recorder(nullptr); }

  Settings settings;
  // Every change of the drawing state goes through here (panels, canvas
  // input, key bindings), so all of them are told.
  DrawingStateModel drawing{settings};
  KeyBindings keys = default_key_bindings();
  std::string settings_folder;  // config.ini, key.dat, palette.dat, texture.qmt
  std::string temp_dir;         // this instance's claimed directory; "" when none

  PaletteStore palettes;
  TextureLibrary textures;

  // Declared before the document, which records into it.
  UndoHistory undo;
  Document document;

  // Empty for a document that was never saved or opened.
  std::string file_path;
  // The defaults of the next PNG or GIF save, set by every open.
  PictureInfo picture;

  // Operations still open on the canvas; commands that change the document,
  // the current layer or the canvas size call pending.finish_all() first.
  PendingWork pending;

  // The rectangle selection of the document, and the copy buffer its copy,
  // cut and paste share.
  Selection selection;
  LayerImage copy_buffer;

  // A progress job runs: nothing but its dialog may touch the document.
  bool busy = false;
};

}  // namespace qm
