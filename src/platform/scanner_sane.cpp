// SANE through dlopen: the library and its backends are loaded for one
// command and released after it.
#include "platform/scanner_sane.h"

#include <utility>

#include <dlfcn.h>
#include <sane/sane.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qm {

namespace {

const char* g_library_name = "libsane.so.1";

// The loaded library, initialised; sane_exit and dlclose on destruction.
class SaneLibrary {
 public:
  SaneLibrary() {
    handle_ = ::dlopen(g_library_name, RTLD_NOW | RTLD_LOCAL);
    if (!handle_) return;
    if (!bind(init, "sane_init") || !bind(exit, "sane_exit") ||
        !bind(get_devices, "sane_get_devices") || !bind(open, "sane_open") ||
        !bind(close, "sane_close") || !bind(start, "sane_start") ||
        !bind(get_parameters, "sane_get_parameters") || !bind(read, "sane_read") ||
        !bind(cancel, "sane_cancel")) {
      release();
      return;
    }
    SANE_Int version = 0;
    if (init(&version, nullptr) != SANE_STATUS_GOOD) {
      release();
      return;
    }
    initialised_ = true;
  }
  ~SaneLibrary() { release(); }
  SaneLibrary(const SaneLibrary&) = delete;
  SaneLibrary& operator=(const SaneLibrary&) = delete;

  bool ok() const { return initialised_; }

  SANE_Status (*init)(SANE_Int*, SANE_Auth_Callback) = nullptr;
  void (*exit)() = nullptr;
  SANE_Status (*get_devices)(const SANE_Device***, SANE_Bool) = nullptr;
  SANE_Status (*open)(SANE_String_Const, SANE_Handle*) = nullptr;
  void (*close)(SANE_Handle) = nullptr;
  SANE_Status (*start)(SANE_Handle) = nullptr;
  SANE_Status (*get_parameters)(SANE_Handle, SANE_Parameters*) = nullptr;
  SANE_Status (*read)(SANE_Handle, SANE_Byte*, SANE_Int, SANE_Int*) = nullptr;
  void (*cancel)(SANE_Handle) = nullptr;

 private:
  template <typename F>
  bool bind(F& f, const char* name) {
    f = reinterpret_cast<F>(::dlsym(handle_, name));
    return f != nullptr;
  }
  void release() {
    if (initialised_) exit();
    initialised_ = false;
    if (handle_) ::dlclose(handle_);
    handle_ = nullptr;
  }
  void* handle_ = nullptr;
  bool initialised_ = false;
};

// An open device; cancelled and closed on destruction.
class SaneDevice {
 public:
  SaneDevice(SaneLibrary& lib, SANE_Handle h) : lib_(lib), h_(h) {}
  ~SaneDevice() {
    lib_.cancel(h_);
    lib_.close(h_);
  }
  SaneDevice(const SaneDevice&) = delete;
  SaneDevice& operator=(const SaneDevice&) = delete;
  SANE_Handle get() const { return h_; }

 private:
  SaneLibrary& lib_;
  SANE_Handle h_;
};

std::string device_label(const SANE_Device& d) {
  std::string s;
  for (const char* part : {d.vendor, d.model, d.type}) {
    if (!part || !*part) continue;
    if (!s.empty()) s += ' ';
    s += part;
  }
  return s.empty() ? std::string(d.name ? d.name : "") : s;
}

// The ids of this process's threads, sorted.
std::vector<long> thread_ids() {
  std::vector<long> ids;
  std::error_code ec;
  for (std::filesystem::directory_iterator it("/proc/self/task", ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    char* stop = nullptr;
    const long id = std::strtol(name.c_str(), &stop, 10);
    if (stop && *stop == '\0') ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  return ids;
}

// The threads in `after` that were not in `before` (both sorted).
std::vector<long> new_threads(const std::vector<long>& before, const std::vector<long>& after) {
  std::vector<long> out;
  std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(out));
  return out;
}

// Backends that read the device on a thread of their own cancel it
// asynchronously once the frame's last byte is handed over; landing in its
// final free(), that leaves the C library's heap locked and the scan hangs.
// With the whole frame here, wait (a second at most) until the threads
// sane_start began have ended, before asking for the end of the frame.
void wait_for_readers(const std::vector<long>& readers) {
  if (readers.empty()) return;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (std::chrono::steady_clock::now() < give_up) {
    const std::vector<long> now = thread_ids();
    if (std::none_of(readers.begin(), readers.end(),
                     [&](long id) { return std::binary_search(now.begin(), now.end(), id); }))
      return;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

// One frame's bytes; `lines` < 0 in the parameters means "until the end".
// `readers` are the threads the backend started for it.
bool read_frame(SaneLibrary& lib, SANE_Handle h, const SANE_Parameters& p, const std::vector<long>& readers,
                std::vector<uint8_t>& out, SANE_Status& status, ProgressSink* progress) {
  out.clear();
  const bool rows_known = p.lines > 0;
  if (progress) progress->set_range(rows_known ? p.lines : int64_t(kMaxRasterBytes));
  uint8_t chunk[32768];
  const size_t frame_bytes = rows_known && p.bytes_per_line > 0 ? size_t(p.lines) * size_t(p.bytes_per_line) : 0;
  bool waited = false;
  for (;;) {
    if (frame_bytes && !waited && out.size() >= frame_bytes) {
      wait_for_readers(readers);
      waited = true;
    }
    SANE_Int got = 0;
    status = lib.read(h, chunk, SANE_Int(sizeof chunk), &got);
    if (status == SANE_STATUS_EOF) return true;
    if (status != SANE_STATUS_GOOD) return false;
    if (out.size() + size_t(got) > kMaxRasterBytes) {
      status = SANE_STATUS_NO_MEM;
      return false;
    }
    out.insert(out.end(), chunk, chunk + got);
    if (progress)
      progress->set_position(rows_known ? int64_t(out.size() / size_t(p.bytes_per_line))
                                        : int64_t(out.size()));
  }
}

// Sample `i` of a row as 8 bits. Lineart marks black with a set bit; 16-bit
// samples arrive in the host's byte order and keep their high byte.
uint8_t get(const uint8_t* row, int i, int depth) {
  if (depth == 1) return (row[i >> 3] >> (7 - (i & 7))) & 1 ? 0 : 255;
  if (depth == 16) {
    uint16_t v;
    std::memcpy(&v, row + 2 * i, 2);
    return uint8_t(v >> 8);
  }
  return row[i];
}

}  // namespace

std::optional<std::vector<ScannerDevice>> list_scanner_devices() {
  SaneLibrary lib;
  if (!lib.ok()) return std::nullopt;
  const SANE_Device** list = nullptr;
  std::vector<ScannerDevice> out;
  if (lib.get_devices(&list, SANE_FALSE) == SANE_STATUS_GOOD && list)
    for (int i = 0; list[i]; ++i)
      out.push_back({list[i]->name ? list[i]->name : "", device_label(*list[i])});
  return out;
}

ScanResult scan_image(const std::string& device_name, ProgressSink* progress) {
  ScanResult result;
  SaneLibrary lib;
  if (!lib.ok()) return result;
  result.status = ScanStatus::kStartFailed;
  std::string name = device_name;
  if (name.empty()) {
    const SANE_Device** list = nullptr;
    if (lib.get_devices(&list, SANE_FALSE) != SANE_STATUS_GOOD || !list || !list[0]) return result;
    name = list[0]->name;
  }
  SANE_Handle h = nullptr;
  if (lib.open(name.c_str(), &h) != SANE_STATUS_GOOD || !h) return result;
  SaneDevice device(lib, h);

  LayerImage& image = result.image;
  int channel_done = 0;  // of a three-frame colour scan
  for (;;) {
    const std::vector<long> before = thread_ids();
    SANE_Status status = lib.start(h);
    const std::vector<long> readers = new_threads(before, thread_ids());
    if (status != SANE_STATUS_GOOD) {
      result.sane_status = status;
      // A device that will not start at all is the start failure; a later
      // frame's refusal is a reading error.
      if (channel_done > 0) result.status = ScanStatus::kError;
      return result;
    }
    SANE_Parameters p{};
    if (lib.get_parameters(h, &p) != SANE_STATUS_GOOD || p.pixels_per_line <= 0 ||
        p.bytes_per_line <= 0 || (p.depth != 1 && p.depth != 8 && p.depth != 16)) {
      result.status = ScanStatus::kError;
      return result;
    }
    std::vector<uint8_t> bytes;
    if (!read_frame(lib, h, p, readers, bytes, status, progress)) {
      result.sane_status = status;
      result.status = status == SANE_STATUS_NO_MEM ? ScanStatus::kNoMemory : ScanStatus::kError;
      return result;
    }
    const int width = p.pixels_per_line;
    const int height = int(bytes.size() / size_t(p.bytes_per_line));
    if (height <= 0) {
      result.status = ScanStatus::kError;
      return result;
    }
    if (image.empty() || image.width() != width || image.height() != height) {
      if (channel_done > 0 && !image.empty()) {  // frames of one image must agree
        result.status = ScanStatus::kError;
        return result;
      }
      if (!image.create(width, height)) {
        result.status = ScanStatus::kNoMemory;
        return result;
      }
      image.fill(kOpaqueWhite);
    }
    for (int y = 0; y < height; ++y) {
      const uint8_t* row = bytes.data() + size_t(y) * size_t(p.bytes_per_line);
      Pixel* out = image.row(y);
      for (int x = 0; x < width; ++x) {
        switch (p.format) {
          case SANE_FRAME_GRAY: {
            const uint32_t v = get(row, x, p.depth);
            out[x] = make_pixel(255, v, v, v);
            break;
          }
          case SANE_FRAME_RGB:
            out[x] = make_pixel(255, get(row, 3 * x, p.depth), get(row, 3 * x + 1, p.depth),
                                get(row, 3 * x + 2, p.depth));
            break;
          case SANE_FRAME_RED:
          case SANE_FRAME_GREEN:
          case SANE_FRAME_BLUE: {
            const int shift = p.format == SANE_FRAME_RED ? 16 : p.format == SANE_FRAME_GREEN ? 8 : 0;
            out[x] = (out[x] & ~(0xFFu << shift)) | uint32_t(get(row, x, p.depth)) << shift;
            break;
          }
          default:
            result.status = ScanStatus::kError;
            return result;
        }
      }
    }
    ++channel_done;
    if (p.last_frame) break;
  }
  result.status = ScanStatus::kOk;
  return result;
}

void set_scanner_library_name(const char* name) { g_library_name = name; }

bool scanner_library_present() {
  void* handle = ::dlopen(g_library_name, RTLD_LAZY | RTLD_LOCAL);
  if (!handle) return false;
  ::dlclose(handle);
  return true;
}

bool acquire_scan(Document& doc, const AcquireRequest& request, const MessageSink& show) {
  auto say = [&](const std::string& text) {
    if (show) show(text);
  };
  if (request.full_screen) {
    say(kScanFullScreenMessage);
    return false;
  }
  // Without the scanner library the command does nothing at all: no
  // question about unsaved changes first.
  if (!scanner_library_present()) return false;
  if (request.confirm_discard && !request.confirm_discard()) return false;
  ScanResult scan;
  const auto work = [&](ProgressSink& progress) { scan = scan_image(request.device_name, &progress); };
  if (request.run_job) {
    request.run_job(work);
  } else {
    scan = scan_image(request.device_name);
  }
  switch (scan.status) {
    case ScanStatus::kOk: break;
    case ScanStatus::kNoLibrary: return false;
    case ScanStatus::kStartFailed: say(kScanStartFailedMessage); return false;
    case ScanStatus::kNoMemory: say(kScanNoMemoryMessage); return false;
    case ScanStatus::kError: {
      char text[32];
      std::snprintf(text, sizeof text, "error: %d", scan.sane_status);
      say(text);
      return false;
    }
  }
  const LayerImage& image = scan.image;
  if (image.width() > kMaxCanvasSide || image.height() > kMaxCanvasSide) {
    say(too_large_image_message());
    return false;
  }
  // Built aside and swapped in only when complete, as a file is opened.
  Document fresh;
  if (!fresh.new_canvas(image.width(), image.height(), true) || !fresh.current()->image.copy_from(image)) {
    say(kScanNewCanvasFailedMessage);
    return false;
  }
  fresh.set_display_background(doc.display_background());
  fresh.composite_all();
  doc = std::move(fresh);
  return true;
}

}  // namespace qm
