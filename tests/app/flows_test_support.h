#pragma once
// Scripted answers for the document flows and a synchronous job runner, so
// the flows run without windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/document_flows.h"

namespace qm::test {

class ScriptedPrompts final : public UserPrompts {
 public:
  // What was asked, in order: "message:<text>", "save-changes", "lfw",
  // "overwrite:<path>", "open-dialog:<dir>", "save-dialog:<dir>|<name>|<format>",
  // "png", "gif", "new-canvas".
  std::vector<std::string> asked;

  std::deque<Answer> save_changes;
  std::deque<bool> lfw_change;
  std::deque<bool> overwrite;
  std::deque<std::optional<std::string>> open_files;
  std::deque<std::optional<SaveChoice>> save_files;
  std::deque<std::optional<PngChoice>> pngs;
  std::deque<std::optional<std::optional<uint32_t>>> gifs;
  std::deque<std::optional<NewCanvasChoice>> new_canvases;
  PngChoice last_png_offered;

  std::vector<std::string> messages() const {
    std::vector<std::string> out;
    for (const std::string& a : asked)
      if (a.rfind("message:", 0) == 0) out.push_back(a.substr(8));
    return out;
  }

  void message(const std::string& text) override { asked.push_back("message:" + text); }
  Answer ask_save_changes() override {
    asked.push_back("save-changes");
    return take(save_changes, Answer::kCancel);
  }
  bool ask_change_lineforge_format() override {
    asked.push_back("lfw");
    return take(lfw_change, false);
  }
  bool ask_overwrite(const std::string& path) override {
    asked.push_back("overwrite:" + path);
    return take(overwrite, false);
  }
  std::optional<std::string> choose_open_file(const std::string& dir) override {
    asked.push_back("open-dialog:" + dir);
    return take(open_files, std::optional<std::string>());
  }
  std::optional<SaveChoice> choose_save_file(const SaveDialogRequest& r) override {
    asked.push_back("save-dialog:" + r.start_dir + "|" + r.proposed_name + "|" +
                    std::to_string(r.format));
    return take(save_files, std::optional<SaveChoice>());
  }
  std::optional<PngChoice> png_options(const PngChoice& current) override {
    asked.push_back("png");
    last_png_offered = current;
    return take(pngs, std::optional<PngChoice>());
  }
  std::optional<std::optional<uint32_t>> gif_options(std::optional<uint32_t>) override {
    asked.push_back("gif");
    return take(gifs, std::optional<std::optional<uint32_t>>());
  }
  std::optional<NewCanvasChoice> new_canvas(const NewCanvasChoice&) override {
    asked.push_back("new-canvas");
    return take(new_canvases, std::optional<NewCanvasChoice>());
  }

 private:
  // An unscripted question is a test error; it answers "cancel".
  template <class T>
  T take(std::deque<T>& q, T fallback) {
    if (q.empty()) {
      ADD_FAILURE() << "unexpected question: " << asked.back();
      return fallback;
    }
    T v = q.front();
    q.pop_front();
    return v;
  }
};

// Runs each job at once on the calling thread, counting them.
class InlineJobs final : public JobRunner {
 public:
  int runs = 0;
  int64_t last_range = -1;
  int64_t last_position = 0;
  int run(const std::function<int(ProgressSink&)>& job) override {
    ++runs;
    struct Sink final : ProgressSink {
      InlineJobs* jobs;
      void set_range(int64_t m) override { jobs->last_range = m, jobs->last_position = 0; }
      void step() override { ++jobs->last_position; }
      void set_position(int64_t p) override { jobs->last_position = p; }
    } sink;
    sink.jobs = this;
    return job(sink);
  }
};

class CountingListener final : public FlowListener {
 public:
  int replaced = 0, titles = 0, recents = 0;
  void document_replaced() override { ++replaced; }
  void title_changed() override { ++titles; }
  void recent_lists_changed() override { ++recents; }
};

// A fresh directory under the test's temporary folder, removed at the end.
class TempFolder {
 public:
  TempFolder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = std::filesystem::temp_directory_path() /
            ("qm_app_" + std::string(info->test_suite_name()) + "_" + info->name() + "_" +
             std::to_string(::getpid()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }
  std::string path() const { return path_.string(); }

 private:
  std::filesystem::path path_;
};

}  // namespace qm::test
