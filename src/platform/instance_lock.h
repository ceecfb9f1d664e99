#pragma once
// The instance lock: every running instance holds a shared advisory lock
// (flock) on one lock file for its whole life. An instance that can take the
// lock exclusively at start-up runs alone; it then keeps a shared hold like
// the others, so later instances see that one is running. The process's exit
// releases the lock, so a crash never leaves it taken.
//
// Start-ups are serialised by a second lock file (the gate), held from the
// test until end_startup(): an instance that finds itself alone may reuse a
// directory it left behind, and no other instance may decide anything
// between that test and the claim of the directory.
#include <string>

namespace qm {

class InstanceLock {
 public:
  InstanceLock() = default;
  ~InstanceLock();
  InstanceLock(InstanceLock&& other) noexcept;
  InstanceLock& operator=(InstanceLock&& other) noexcept;
  InstanceLock(const InstanceLock&) = delete;
  InstanceLock& operator=(const InstanceLock&) = delete;

  // Takes the gate (waiting for another instance's start-up to pass it),
  // opens (creating, mode 0600) the lock file and takes the hold. A file that
  // cannot be opened or locked counts as "others running", the safe answer:
  // the caller then never reuses a directory another instance may own.
  static InstanceLock acquire(const std::string& lock_path);
  // Lets the next instance's start-up go on; call once this one has claimed
  // what the lock guards.
  void end_startup();

  bool held() const { return fd_ >= 0; }
  // Whether another instance held the lock when this one started.
  bool others_running() const { return others_running_; }

 private:
  int fd_ = -1;
  int gate_fd_ = -1;
  bool others_running_ = true;
};

// Where the lock lives: in the same temporary root as the instances'
// directories, one file per user (the gate beside it, ".gate" appended).
std::string instance_lock_path(const std::string& temp_root);

}  // namespace qm
