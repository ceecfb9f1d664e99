#pragma once
// The PSD reader as a parser that reports what it finds to a builder:
// begin (canvas and layer count), then per layer its record, its channel
// planes and a done; the planes of different layers may be decoded and
// handed over on several threads at once. A builder's negative answer stops
// the parse and is passed on.
//
// Nothing the file claims is trusted: rectangles, lengths and counts are
// checked against the format's limits and the file's size before anything
// is allocated or read, and channel planes are cut to the canvas while they
// are unpacked, so a layer far larger than the canvas costs one row buffer.
#include <cstdint>
#include <string>
#include <vector>

#include "core/rect.h"
#include "formats/psd_document.h"

namespace qm {

// Parser and builder results: 0 go on, negative stop.
enum PsdStatus : int {
  kPsdOk = 0,
  kPsdCannotOpen = -1,
  kPsdOutOfMemory = -2,
  kPsdFormat = -3,
  kPsdTooLarge = -4,
};
LoadResult load_result_from_psd(int status);

struct PsdChannelEntry {
  int16_t id = 0;  // 0 red, 1 green, 2 blue, −1 transparency, −2/−3 masks
  uint32_t length = 0;
};

struct PsdLayerRecord {
  int32_t top = 0, left = 0, bottom = 0, right = 0;
  std::vector<PsdChannelEntry> channels;
  PsdBlendKey blend_key{'n', 'o', 'r', 'm'};
  uint8_t opacity = 255;
  bool hidden = false;
  // The length-prefixed name's bytes (at most 127), in whatever encoding the
  // writing program used.
  std::string name;
  // The Unicode name block ("luni") as UTF-8, when the record has one.
  std::string unicode_name;
  bool has_unicode_name = false;
  // Made up from the merged image of a file without layer records.
  bool from_merged_image = false;

  int64_t width() const { return int64_t{right} - left; }
  int64_t height() const { return int64_t{bottom} - top; }
};

// One channel's bytes over the part of the layer rectangle that lies on the
// canvas: `area` in canvas coordinates, row r at bytes + r × stride.
struct PsdPlane {
  Rect area;
  const uint8_t* bytes = nullptr;
  size_t stride = 0;
};

// Channel numbers in the channel event.
enum PsdChannelNumber : int { kPsdRed = 0, kPsdGreen = 1, kPsdBlue = 2, kPsdAlpha = 3 };

class PsdEvents {
 public:
  virtual ~PsdEvents() = default;
  virtual int begin(int width, int height, int layer_count) = 0;
  // Layers come bottom first, numbered from 0; on the parsing thread.
  virtual int layer(int index, const PsdLayerRecord& record) = 0;
  // A layer's channels by channel number, over its area on the canvas
  // (bytes null where the layer has no such channel or no area there);
  // `had_alpha` says whether a transparency channel was among them. Once a
  // layer, possibly on another thread and at the same time as the calls for
  // other layers; the planes are valid during the call only.
  virtual int pixels(int index, const PsdPlane (&planes)[4], bool had_alpha) = 0;
  // After pixels(), layer by layer in order, on the parsing thread.
  virtual int layer_done(int index) = 0;
};

// Layers with more channel bytes than this are decoded straight from the
// file, a row buffer at a time, rather than read whole and decoded beside
// other layers; 0 restores the default (96 MiB, above any canvas's layer).
// For tests.
void set_psd_layer_bytes_in_memory(uint64_t bytes);

// Parses the file at `path`, reporting to `events`. Returns kPsdOk or the
// first negative status. Only version 1, depth 8, RGB files get to begin.
int parse_psd(const std::string& path, PsdEvents& events);

}  // namespace qm
