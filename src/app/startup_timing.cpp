#include "app/startup_timing.h"

#include <time.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <string>

namespace qm {

namespace {

std::chrono::steady_clock::time_point g_main_entered = std::chrono::steady_clock::now();

}  // namespace

void mark_main_entered() { g_main_entered = std::chrono::steady_clock::now(); }

double ms_since_main() {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - g_main_entered)
      .count();
}

double ms_since_process_start() {
  // Field 22 of /proc/self/stat: the start time in clock ticks after boot,
  // on the same clock as CLOCK_BOOTTIME. Fields are counted after the
  // command name, which may hold blanks and ends at the last ')'.
  std::ifstream in("/proc/self/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t close = text.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(text.substr(close + 1));
  std::string field;
  for (int i = 3; i <= 22 && (fields >> field); ++i) {
  }
  if (!fields) return -1;
  const long ticks_per_second = ::sysconf(_SC_CLK_TCK);
  timespec now {};
  if (ticks_per_second <= 0 || ::clock_gettime(CLOCK_BOOTTIME, &now) != 0) return -1;
  const double start_ms = std::stod(field) * 1000.0 / double(ticks_per_second);
  const double now_ms = double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
  return now_ms - start_ms;
}

}  // namespace qm
