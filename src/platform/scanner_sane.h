#pragma once
// Scanner input through SANE. The library is loaded only while a scanner
// command runs, so a machine without it (or without scanners) loses nothing
// but these commands.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/layer_image.h"
#include "document/document.h"
#include "formats/progress_sink.h"
#include "platform/clipboard_exchange.h"  // MessageSink

namespace qm {

inline constexpr const char* kScanFullScreenMessage = "全画面表示をOFFにしてください";
inline constexpr const char* kScanStartFailedMessage = "開始に失敗";
inline constexpr const char* kScanNoMemoryMessage = "メモリが足りません";
inline constexpr const char* kScanNewCanvasFailedMessage = "새 캔버스 만들기 실패";

struct ScannerDevice {
  std::string name;  // what sane_open takes
  std::string label; // vendor, model and type, for the choice list
};

// The devices SANE reports; nullopt when the library cannot be loaded.
std::optional<std::vector<ScannerDevice>> list_scanner_devices();

// Whether libsane can be loaded at all.
bool scanner_library_present();
// The library loaded for the scanner commands (libsane.so.1); tests name one
// that does not exist to see the commands do nothing.
void set_scanner_library_name(const char* name);

enum class ScanStatus {
  kOk,
  kNoLibrary,    // libsane could not be loaded
  kStartFailed,  // no device, or it would not open or start
  kNoMemory,
  kError,        // SANE reported `sane_status` while reading
};

struct ScanResult {
  ScanStatus status = ScanStatus::kNoLibrary;
  int sane_status = 0;
  LayerImage image;  // opaque pixels, valid for kOk
};

// Scans one image from `device_name` (empty: the first device SANE lists).
// Grey (1, 8, 16 bits) and colour (one frame or three, 8 or 16 bits) are
// taken; 16-bit samples keep their high byte. `progress`, when given, counts
// the rows read of each frame (of a frame of unknown height: its bytes).
ScanResult scan_image(const std::string& device_name, ProgressSink* progress = nullptr);

// The acquire command's flow. `full_screen` refuses with its message;
// `confirm_discard` asks about unsaved changes (false stops); on success
// `doc` holds one opaque layer of the scanned size.
// The scan runs through `run_job` (the program puts it on a worker thread
// under its progress dialog); without one it runs on the calling thread.
struct AcquireRequest {
  std::string device_name;
  bool full_screen = false;
  std::function<bool()> confirm_discard;
  std::function<void(const std::function<void(ProgressSink&)>&)> run_job;
};
bool acquire_scan(Document& doc, const AcquireRequest& request, const MessageSink& show);

}  // namespace qm
