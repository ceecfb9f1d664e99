#pragma once
// The document flows' questions as the program asks them: modal message
// boxes owned by the main window, Qt's own file dialogs (with the preview
// pane in the open dialog and the JPEG panel in the save dialog) and the
// option dialogs.
#include <QString>

#include "app/user_prompts.h"

class QWidget;

namespace qm {

struct AppState;

class QtPrompts final : public UserPrompts {
 public:
  QtPrompts(AppState& state, QWidget* owner) : state_(state), owner_(owner) {}

  void message(const std::string& text) override;
  Answer ask_save_changes() override;
  bool ask_change_lineforge_format() override;
  bool ask_overwrite(const std::string& path) override;
  std::optional<std::string> choose_open_file(const std::string& start_dir) override;
  std::optional<SaveChoice> choose_save_file(const SaveDialogRequest& request) override;
  std::optional<PngChoice> png_options(const PngChoice& current) override;
  std::optional<std::optional<uint32_t>> gif_options(std::optional<uint32_t> transparent) override;
  std::optional<NewCanvasChoice> new_canvas(const NewCanvasChoice& current) override;

  // True while one of the program's file dialogs is open (drops are
  // ignored then).
  bool file_dialog_open() const { return file_dialogs_ > 0; }

 private:
  AppState& state_;
  QWidget* owner_;
  int file_dialogs_ = 0;
};

// The program's name as message boxes show it in their title bar.
QString message_title();

}  // namespace qm
