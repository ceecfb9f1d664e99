#pragma once
// What the document flows ask of the user: the fixed questions and
// messages, the file dialogs and the option dialogs. The program answers
// with real modal dialogs (qt_prompts.h); tests answer with a script.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "state/drawing_state.h"

namespace qm {

enum class Answer { kYes, kNo, kCancel };

struct SaveDialogRequest {
  std::string start_dir;      // "" lets the dialog choose
  std::string proposed_name;  // the current file name without extension
  int format = 0;             // preselected format index
  int jpeg_comp = 85;         // shown in the JPEG panel
};

struct SaveChoice {
  std::string path;
  int format = 0;      // the format line chosen
  int jpeg_comp = 85;  // the JPEG panel's value, stored in JPEGComp
};

struct PngChoice {
  int level = 6;
  bool alpha = false;
  std::optional<uint32_t> transparent;
  friend bool operator==(const PngChoice&, const PngChoice&) = default;
};

struct NewCanvasChoice {
  int width = 300, height = 300;
  std::array<int, kRecentSizeCount> recent_sizes{};
};

class UserPrompts {
 public:
  virtual ~UserPrompts() = default;

  // A message box with an OK button.
  virtual void message(const std::string& text) = 0;
  // "イメージが変更されています。保存しますか？": Yes, No or Cancel.
  virtual Answer ask_save_changes() = 0;
  // The question before saving over a .lfw file: true for Yes (choose
  // another format).
  virtual bool ask_change_lineforge_format() = 0;
  // The overwrite question for `path`: true for Yes.
  virtual bool ask_overwrite(const std::string& path) = 0;

  // nullopt when cancelled.
  virtual std::optional<std::string> choose_open_file(const std::string& start_dir) = 0;
  virtual std::optional<SaveChoice> choose_save_file(const SaveDialogRequest& request) = 0;
  virtual std::optional<PngChoice> png_options(const PngChoice& current) = 0;
  // The transparent colour of a GIF; the outer nullopt when cancelled.
  virtual std::optional<std::optional<uint32_t>> gif_options(
      std::optional<uint32_t> transparent) = 0;
  virtual std::optional<NewCanvasChoice> new_canvas(const NewCanvasChoice& current) = 0;
};

}  // namespace qm
