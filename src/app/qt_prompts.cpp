#include "app/qt_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <cstdio>

#include "app/app_state.h"
#include "app/dialogs/gif_options_dialog.h"
#include "app/dialogs/jpeg_quality_dialog.h"
#include "app/dialogs/png_options_dialog.h"
#include "app/document_formats.h"
#include "app/new_canvas_prompt.h"
#include "app/open_preview.h"

namespace qm {

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

// Counts the open file dialogs for as long as it lives.
struct DialogOpen {
  explicit DialogOpen(int& n) : n_(n) { ++n_; }
  ~DialogOpen() { --n_; }
  int& n_;
};

QMessageBox::StandardButton ask(QWidget* owner, QMessageBox::Icon icon, const QString& title,
                                const QString& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton default_button) {
  QMessageBox box(icon, title, text, buttons, owner);
  box.setDefaultButton(default_button);
  return QMessageBox::StandardButton(box.exec());
}

}  // namespace

QString message_title() { return QStringLiteral("Quillmark2"); }

void QtPrompts::message(const std::string& text) {
  // Also on the terminal, for whoever started the program from one.
  std::fprintf(stderr, "quillmark2: %s\n", text.c_str());
  ask(owner_, QMessageBox::Warning, message_title(), q(text), QMessageBox::Ok, QMessageBox::Ok);
}

Answer QtPrompts::ask_save_changes() {
  switch (ask(owner_, QMessageBox::Question, QStringLiteral("確認"),
              QStringLiteral("イメージが変更されています。保存しますか？"),
              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Cancel)) {
    case QMessageBox::Yes: return Answer::kYes;
    case QMessageBox::No: return Answer::kNo;
    default: return Answer::kCancel;
  }
}

bool QtPrompts::ask_change_lineforge_format() {
  return ask(owner_, QMessageBox::Warning, QStringLiteral("lfw保存"),
             QStringLiteral("Lineforge形式(lfw)で保存しようとしています。\nﾌｧｲﾙ形式を変更しますか？"),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

bool QtPrompts::ask_overwrite(const std::string& path) {
  return ask(owner_, QMessageBox::Question, QStringLiteral("確認"),
             q(path) + QStringLiteral("\n\n上書き保存します。よろしいですか？"),
             QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}

std::optional<std::string> QtPrompts::choose_open_file(const std::string& start_dir) {
  DialogOpen open(file_dialogs_);
  QFileDialog dialog(owner_, QStringLiteral("열기"), q(start_dir), q(std::string(open_filter())));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setDefaultSuffix(QStringLiteral("qmd"));
  Environment& env = state_.settings.env;
  OpenPreview* preview = add_open_preview(dialog, env.ex_view_flag & kViewFilePreview);
  const bool accepted = dialog.exec() == QDialog::Accepted;
  // The pane's switch is remembered whether or not a file was chosen.
  env.ex_view_flag = preview->enabled() ? (env.ex_view_flag | kViewFilePreview)
                                        : (env.ex_view_flag & ~kViewFilePreview);
  if (!accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return dialog.selectedFiles().first().toStdString();
}

std::optional<SaveChoice> QtPrompts::choose_save_file(const SaveDialogRequest& request) {
  DialogOpen open(file_dialogs_);
  const QStringList filters = q(save_filter()).split(QStringLiteral(";;"));
  QFileDialog dialog(owner_, QStringLiteral("다른 이름으로 저장"), q(request.start_dir));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(filters);
  if (request.format >= 0 && request.format < filters.size())
    dialog.selectNameFilter(filters[request.format]);
  if (!request.proposed_name.empty()) dialog.selectFile(q(request.proposed_name));
  JpegQualityPanel* jpeg = add_jpeg_quality_panel(dialog, request.jpeg_comp);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  SaveChoice choice;
  choice.path = dialog.selectedFiles().first().toStdString();
  choice.format = std::max<int>(0, int(filters.indexOf(dialog.selectedNameFilter())));
  choice.jpeg_comp = jpeg->jpeg_comp();
  return choice;
}

std::optional<PngChoice> QtPrompts::png_options(const PngChoice& current) {
  PngSaveOptions options;
  options.level = current.level;
  options.alpha = current.alpha;
  options.transparent = current.transparent;
  const std::optional<PngSaveOptions> chosen = run_png_options_dialog(owner_, options);
  if (!chosen) return std::nullopt;
  return PngChoice{chosen->level, chosen->alpha, chosen->transparent};
}

std::optional<std::optional<uint32_t>> QtPrompts::gif_options(std::optional<uint32_t> transparent) {
  const std::optional<GifSaveOptions> chosen =
      run_gif_options_dialog(owner_, GifSaveOptions{transparent});
  if (!chosen) return std::nullopt;
  return chosen->transparent;
}

std::optional<NewCanvasChoice> QtPrompts::new_canvas(const NewCanvasChoice& current) {
  return ask_new_canvas(owner_, current);
}

}  // namespace qm
