// The instance lock and the per-instance temporary directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>
#include <fstream>

#include "platform/instance_lock.h"
#include "platform/temp_dir.h"

namespace qm {
namespace {

namespace fs = std::filesystem;

class TempRoot : public ::testing::Test {
 protected:
  TempRoot() {
    root = (fs::temp_directory_path() /
            ("qm_instance_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
             "_" + std::to_string(::getpid())))
               .string();
    fs::remove_all(root);
    fs::create_directories(root);
  }
  ~TempRoot() override { fs::remove_all(root); }
  std::string base() const { return root + "/~quillmark"; }
  static int mode_of(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
  }
  std::string root;
};

TEST_F(TempRoot, InstancesNumberTheirDirectories) {
  // The first instance alone takes the plain name; instances that find
  // others running claim the next free number, each by its own mkdir.
  EXPECT_EQ(claim_temp_dir(root, false), base());
  EXPECT_EQ(claim_temp_dir(root, true), base() + "1");
  EXPECT_EQ(claim_temp_dir(root, true), base() + "2");
  for (const char* suffix : {"", "1", "2"}) EXPECT_EQ(mode_of(base() + suffix), 0700) << suffix;
  // When the first has gone, a newcomer among others takes its name again.
  ASSERT_TRUE(delete_directory_tree(base()));
  EXPECT_EQ(claim_temp_dir(root, true), base());
}

TEST_F(TempRoot, AloneReusesOnlyItsOwnDirectory) {
  fs::create_directory(base());
  ::chmod(base().c_str(), 0755);
  std::ofstream(base() + "/0007.tmp") << "left from a crash";
  EXPECT_EQ(claim_temp_dir(root, false), base());
  EXPECT_EQ(mode_of(base()), 0700);  // made private again

  // A plain file or a link in the way is never used: numbered instead.
  const std::string other = root + "/other";
  fs::create_directory(other);
  ASSERT_TRUE(delete_directory_tree(base()));
  fs::create_directory_symlink(other, base());
  EXPECT_EQ(claim_temp_dir(root, false), base() + "1");
  fs::remove(base());
  std::ofstream(base()) << "a file";
  EXPECT_EQ(claim_temp_dir(root, false), base() + "2");
  EXPECT_EQ(claim_temp_dir(root + "/missing", false), std::nullopt);
}

TEST_F(TempRoot, DeletingRemovesPlainFilesAndKeepsSubfolders) {
  const std::string dir = *claim_temp_dir(root, false);
  std::ofstream(dir + "/0000.tmp") << "x";
  std::ofstream(dir + "/0001.tmp") << "y";
  const std::string outside = root + "/outside.txt";
  std::ofstream(outside) << "keep";
  fs::create_symlink(outside, dir + "/link");
  EXPECT_TRUE(delete_directory_tree(dir));
  EXPECT_FALSE(fs::exists(dir));
  EXPECT_TRUE(fs::exists(outside));  // the link went, not what it named

  const std::string second = *claim_temp_dir(root, false);
  fs::create_directory(second + "/sub");
  std::ofstream(second + "/0002.tmp") << "z";
  EXPECT_FALSE(delete_directory_tree(second));
  EXPECT_TRUE(fs::exists(second + "/sub"));
  EXPECT_FALSE(fs::exists(second + "/0002.tmp"));
}

// Runs `body` in a child process; its exit code.
template <class F>
int in_child(F body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(TempRoot, TheLockTellsWhetherOthersRun) {
  const std::string path = instance_lock_path(root);
  {
    InstanceLock first = InstanceLock::acquire(path);
    ASSERT_TRUE(first.held());
    EXPECT_FALSE(first.others_running());
    first.end_startup();
    // Another process starting now sees the first one.
    EXPECT_EQ(in_child([&] {
                InstanceLock second = InstanceLock::acquire(path);
                return second.held() && second.others_running() ? 0 : 1;
              }),
              0);
    EXPECT_EQ(mode_of(path), 0600);
  }
  // Gone with the first: the next one is alone again.
  EXPECT_EQ(in_child([&] { return InstanceLock::acquire(path).others_running() ? 1 : 0; }), 0);
}

TEST_F(TempRoot, StartupsWaitForEachOther) {
  // flock holds per open file, so a second acquire in this process behaves
  // as another instance would (a forked child would share our open files).
  const std::string path = instance_lock_path(root);
  InstanceLock first = InstanceLock::acquire(path);
  std::atomic<int> second_result{-1};
  std::thread second([&] {
    InstanceLock lock = InstanceLock::acquire(path);
    second_result = lock.others_running() ? 1 : 0;
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(second_result.load(), -1);  // still waiting at the gate
  first.end_startup();
  second.join();
  EXPECT_EQ(second_result.load(), 1);
}

TEST_F(TempRoot, AForeignOrLinkedLockFileCountsAsOthersRunning) {
  const std::string path = instance_lock_path(root);
  fs::create_symlink(root + "/elsewhere", path);
  InstanceLock lock = InstanceLock::acquire(path);
  EXPECT_FALSE(lock.held());
  EXPECT_TRUE(lock.others_running());
  EXPECT_FALSE(fs::exists(root + "/elsewhere"));
}

}  // namespace
}  // namespace qm
