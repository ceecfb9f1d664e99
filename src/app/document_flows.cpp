#include "app/document_flows.h"

#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "formats/load_result.h"

namespace qm {

namespace {

std::string folder_of(const std::string& path) {
  return std::filesystem::path(path).parent_path().string();
}

std::string name_of(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

std::string stem_of(const std::string& path) {
  return std::filesystem::path(path).stem().string();
}

bool is_file(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string absolute_path(const std::string& path) {
  std::error_code ec;
  const std::filesystem::path abs = std::filesystem::absolute(path, ec);
  return ec ? path : abs.lexically_normal().string();
}

}  // namespace

std::string window_title(const std::string& file_path, int opt_flag) {
  std::string title = "Quillmark2 - ";
  if (file_path.empty()) return title + "新規作成";
  return title + ((opt_flag & kOptTitleNameOnly) ? name_of(file_path) : file_path);
}

std::string open_failure_message(int result) {
  switch (result) {
    case int(LoadResult::TooLarge):
      return "幅・高さが" + std::to_string(kMaxCanvasSide) + "px以上のｲﾒｰｼﾞは編集できません";
    case int(LoadResult::CannotOpen): return "ﾌｧｲﾙのｵｰﾌﾟﾝに失敗";
    case int(LoadResult::WrongFormat): return "ﾌｫｰﾏｯﾄｴﾗｰ";
    case int(LoadResult::OutOfMemory): return "ﾒﾓﾘの確保に失敗";
    case int(LoadResult::Damaged): return "ｲﾒｰｼﾞの読み込みに失敗。ﾃﾞｰﾀが破損しています";
    default: return "이미지 열기 실패";
  }
}

bool DocumentFlows::confirm_discard() {
  if (!state_.undo.changed()) return true;
  switch (prompts_.ask_save_changes()) {
    case Answer::kCancel: return false;
    case Answer::kNo: return true;
    case Answer::kYes: return save();
  }
  return false;
}

bool DocumentFlows::new_canvas() {
  Environment& env = state_.settings.env;
  NewCanvasChoice current;
  current.width = env.last_img_w;
  current.height = env.last_img_h;
  current.recent_sizes = state_.settings.recent.new_sizes;
  const std::optional<NewCanvasChoice> choice = prompts_.new_canvas(current);
  if (!choice) return false;
  // The size is remembered in the list even when the user then keeps the
  // old document.
  state_.settings.recent.new_sizes = choice->recent_sizes;
  if (!confirm_discard()) return false;

  // Built aside, so a refusal leaves the open document as it is.
  Document fresh;
  if (!fresh.new_canvas(choice->width, choice->height, true)) {
    prompts_.message(kMsgNewCanvasFailed);
    return false;
  }
  fresh.set_display_background(state_.document.display_background());
  fresh.composite_all();
  state_.document = std::move(fresh);  // also clears the undo history
  state_.document.take_dirty();
  env.last_img_w = choice->width;
  env.last_img_h = choice->height;
  state_.file_path.clear();
  state_.picture = {};
  listener_.document_replaced();
  listener_.title_changed();
  return true;
}

bool DocumentFlows::open_with_dialog(const std::string& start_dir) {
  const std::string dir = start_dir.empty() ? state_.settings.env.open_dir : start_dir;
  const std::optional<std::string> path = prompts_.choose_open_file(dir);
  if (!path) return false;
  return open_path(*path, true);
}

bool DocumentFlows::open_path(const std::string& path, bool confirm) {
  if (!is_file(path)) {
    prompts_.message(kMsgFileMissing);
    return false;
  }
  if (confirm && !confirm_discard()) return false;
  return load(absolute_path(path));
}

bool DocumentFlows::open_preloaded(const std::string& path, std::future<OpenedFile> preloaded) {
  if (!is_file(path)) {
    prompts_.message(kMsgFileMissing);
    return false;
  }
  return load(absolute_path(path), &preloaded);
}

bool DocumentFlows::open_recent(int index) {
  auto& files = state_.settings.recent.files;
  if (index < 0 || index >= int(files.size()) || files[size_t(index)].empty()) return false;
  const std::string path = files[size_t(index)];
  if (!is_file(path)) {
    prompts_.message(kMsgFileMissing);
    remove_recent_path(files.data(), int(files.size()), index);
    listener_.recent_lists_changed();
    return false;
  }
  if (!confirm_discard()) return false;
  return load(path);
}

bool DocumentFlows::load(const std::string& path, std::future<OpenedFile>* preloaded) {
  const DisplayBackground background = state_.document.display_background();
  OpenedFile opened;
  const int result = jobs_.run([&](ProgressSink& progress) {
    opened = preloaded && preloaded->valid() ? preloaded->get() : read_file(path, &progress);
    composite_opened(opened, background);
    return opened.result;
  });
  if (result != 0 || !opened.document) {
    // The open document was never touched.
    prompts_.message(open_failure_message(result == 0 ? int(LoadResult::Damaged) : result));
    return false;
  }
  state_.document = std::move(*opened.document);  // also clears the undo history
  state_.document.take_dirty();
  state_.file_path = path;
  state_.picture = opened.picture;
  Settings& s = state_.settings;
  const std::string folder = folder_of(path);
  s.env.open_dir = folder;
  push_recent_file(s.recent.files, path);
  push_recent_folder(s.recent.folders, folder);
  listener_.document_replaced();
  listener_.title_changed();
  listener_.recent_lists_changed();
  return true;
}

bool DocumentFlows::save() {
  if (state_.file_path.empty()) return save_as();
  const FileFormat* format = file_format_for_path(state_.file_path);
  if (!format) return save_as();
  if (format->index == kFormatLineforge) {
    if (prompts_.ask_change_lineforge_format()) return save_as();
  } else if ((state_.settings.env.opt_flag & kOptConfirmSave) &&
             !prompts_.ask_overwrite(state_.file_path)) {
    return false;
  }
  return write(state_.file_path);
}

bool DocumentFlows::save_as(const SaveAsRequest& request) {
  Environment& env = state_.settings.env;
  SaveDialogRequest ask;
  if (!request.start_dir.empty())
    ask.start_dir = request.start_dir;
  else if (!state_.file_path.empty())
    ask.start_dir = folder_of(state_.file_path);
  else
    ask.start_dir = env.save_dir;
  ask.proposed_name = state_.file_path.empty() ? std::string() : stem_of(state_.file_path);
  if (request.format) {
    ask.format = *request.format;
  } else if (const FileFormat* current = file_format_for_path(state_.file_path)) {
    ask.format = current->index;
  }
  ask.jpeg_comp = env.jpeg_comp;

  const std::optional<SaveChoice> choice = prompts_.choose_save_file(ask);
  if (!choice || choice->path.empty()) return false;
  env.jpeg_comp = choice->jpeg_comp;
  std::string path = choice->path;
  // A name without a known extension takes the chosen format's.
  const FileFormat* format = file_format_for_path(path);
  if (!format) {
    format = file_format(choice->format);
    if (!format) format = file_format(kFormatNative);
    path += ".";
    path += format->extensions[0];
  }
  path = absolute_path(path);
  env.save_dir = folder_of(path);

  if (format->index == kFormatPng) {
    PngChoice current{env.png_comp, state_.picture.had_alpha, state_.picture.transparent};
    const std::optional<PngChoice> png = prompts_.png_options(current);
    if (!png) return false;
    env.png_comp = png->level;
    state_.picture.had_alpha = png->alpha;
    state_.picture.transparent = png->transparent;
  } else if (format->index == kFormatGif) {
    const auto gif = prompts_.gif_options(state_.picture.transparent);
    if (!gif) return false;
    state_.picture.transparent = *gif;
  }
  return write(path);
}

bool DocumentFlows::save_to_fixed_folder() {
  const Environment& env = state_.settings.env;
  SaveAsRequest request;
  request.format = env.fix_save_opt & 15;
  request.start_dir = env.fix_save_dir.empty() ? env.save_dir : env.fix_save_dir;
  return save_as(request);
}

SaveOptions DocumentFlows::save_options() const {
  SaveOptions o;
  o.png_level = state_.settings.env.png_comp;
  o.png_alpha = state_.picture.had_alpha;
  o.transparent = state_.picture.transparent;
  o.jpeg_comp = state_.settings.env.jpeg_comp;
  return o;
}

bool DocumentFlows::write(const std::string& path) {
  const SaveOptions options = save_options();
  const Document& doc = state_.document;
  const int ok = jobs_.run([&](ProgressSink& progress) {
    return save_file(path, doc, options, &progress) ? 1 : 0;
  });
  if (!ok) {
    prompts_.message(kMsgSaveFailed);
    return false;
  }
  state_.file_path = path;
  state_.undo.set_changed(false);
  Settings& s = state_.settings;
  push_recent_file(s.recent.files, path);
  push_recent_folder(s.recent.folders, folder_of(path));
  listener_.title_changed();
  listener_.recent_lists_changed();
  return true;
}

bool DocumentFlows::may_close() {
  if (!(state_.settings.env.opt_flag & kOptAskOnQuit)) return true;
  return confirm_discard();
}

}  // namespace qm
