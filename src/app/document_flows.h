#pragma once
// The document-level flows of the main window: new canvas, open (dialog,
// command line, drop, recent list), save, save as, and the questions before
// a document is discarded or the program closed.
//
// Two rules hold throughout. A failed open leaves the open document exactly
// as it was: loaders fill a fresh Document, which replaces the open one only
// on success. The current file path changes only when a save has succeeded.
//
// Loading and saving run as progress jobs (JobRunner); the flows talk to the
// user only through UserPrompts and report changes through FlowListener, so
// they run the same in the program and in tests.
#include <functional>
#include <future>
#include <optional>
#include <string>

#include "app/app_state.h"
#include "app/document_formats.h"
#include "app/user_prompts.h"
#include "formats/progress_sink.h"

namespace qm {

// Runs long work; the program puts it on a worker thread under a modal
// progress dialog. Returns the job's result.
class JobRunner {
 public:
  virtual ~JobRunner() = default;
  virtual int run(const std::function<int(ProgressSink&)>& job) = 0;
};

class FlowListener {
 public:
  virtual ~FlowListener() = default;
  // A new or opened Document replaced the old one, already composited: the
  // view starts over (size, centre) and the panels refill.
  virtual void document_replaced() = 0;
  virtual void title_changed() = 0;
  virtual void recent_lists_changed() = 0;
};

// The window title: "Quillmark2 - " and "新規作成", the file name (OptFlag
// 0x04) or the full path.
std::string window_title(const std::string& file_path, int opt_flag);
// The message for an open result other than success.
std::string open_failure_message(int result);

inline constexpr const char* kMsgFileMissing = "ファイルが存在しません";
inline constexpr const char* kMsgSaveFailed = "保存に失敗しました";
inline constexpr const char* kMsgNewCanvasFailed = "새 캔버스 만들기 실패";

struct SaveAsRequest {
  std::optional<int> format;  // preselected format; none: the current file's, else native
  std::string start_dir;      // "" : the file's folder, else SaveDir
};

class DocumentFlows {
 public:
  DocumentFlows(AppState& state, UserPrompts& prompts, JobRunner& jobs, FlowListener& listener)
      : state_(state), prompts_(prompts), jobs_(jobs), listener_(listener) {}

  // True when the document may be discarded: unmodified, or the user said
  // No, or said Yes and the save succeeded.
  bool confirm_discard();

  bool new_canvas();
  // The open dialog in `start_dir` ("" : OpenDir), then the open.
  bool open_with_dialog(const std::string& start_dir = {});
  // Opens a named file (command line, drop); `confirm` asks about unsaved
  // changes first. A missing file only gets its message.
  bool open_path(const std::string& path, bool confirm);
  // The command line's file, whose loading began at start-up: waits for
  // it under the usual progress job (the window keeps painting), then
  // continues as open_path without asking.
  bool open_preloaded(const std::string& path, std::future<OpenedFile> preloaded);
  // Recent file n: a vanished file leaves the list.
  bool open_recent(int index);

  bool save();
  bool save_as(const SaveAsRequest& request = {});
  // The save-as dialog in FixSaveDir with the FixSaveOpt format.
  bool save_to_fixed_folder();

  // The close request: asks first when OptFlag 0x02 is set.
  bool may_close();

  std::string title() const { return window_title(state_.file_path, state_.settings.env.opt_flag); }

 private:
  // Loads `path` as a job (or takes what `preloaded` loads); on success
  // the document is replaced.
  bool load(const std::string& path, std::future<OpenedFile>* preloaded = nullptr);
  // Writes the document to `path` as a job; on success it is the current
  // file and the modified flag is cleared.
  bool write(const std::string& path);
  SaveOptions save_options() const;

  AppState& state_;
  UserPrompts& prompts_;
  JobRunner& jobs_;
  FlowListener& listener_;
};

}  // namespace qm
