// Scanner input against SANE's virtual test device. Each case writes its own
// configuration folder (dll.conf naming the backends, test.conf the device's
// mode and picture) and points SANE_CONFIG_DIR at it; SANE is loaded anew by
// every command, so the setting takes effect each time. The pixels are
// checked against the same device read by the scanimage tool when it exists.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "document/document.h"
#include "platform/scanner_sane.h"

namespace qm {
namespace {

class SaneConfig {
 public:
  SaneConfig(const std::string& backends, const std::string& test_conf) {
    char name[] = "/tmp/qm_sane_test_XXXXXX";
    if (char* made = ::mkdtemp(name)) dir_ = made;
    std::ofstream(dir_ + "/dll.conf") << backends;
    std::ofstream(dir_ + "/test.conf") << test_conf;
    ::setenv("SANE_CONFIG_DIR", dir_.c_str(), 1);
  }
  ~SaneConfig() {
    for (const char* f : {"/dll.conf", "/test.conf", "/scan.pnm"}) ::unlink((dir_ + f).c_str());
    ::rmdir(dir_.c_str());
    ::unsetenv("SANE_CONFIG_DIR");
  }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
};

std::string test_conf(const std::string& mode, int depth, bool three_pass,
                      const std::string& picture) {
  return "number_of_devices 1\nmode " + mode + "\ndepth " + std::to_string(depth) +
         "\nhand-scanner false\nthree-pass " + (three_pass ? "true" : "false") +
         "\nthree-pass-order RGB\nresolution_min 1.0\nresolution_max 1200.0\n"
         "resolution_quant 1.0\nresolution 25.0\ntest-picture \"" + picture +
         "\"\ninvert-endianess false\nread-limit false\nread-delay false\n"
         "read-status-code \"Default\"\nfuzzy-parameters false\nppl-loss 0\n"
         "non-blocking false\nselect-fd false\nenable-test-options false\n"
         "geometry_min 0.0\ngeometry_max 200.0\ngeometry_quant 1.0\n"
         "tl_x 0.0\ntl_y 0.0\nbr_x 80.0\nbr_y 100.0\n";
}

// The same scan through scanimage, as opaque pixels; empty when the tool is
// missing or failed.
struct Reference {
  int width = 0, height = 0;
  std::vector<Pixel> pixels;
};
Reference scan_with_tool(const SaneConfig& config) {
  Reference ref;
  const std::string out = config.dir() + "/scan.pnm";
  const std::string command =
      "scanimage -d test:0 --format=pnm > '" + out + "' 2>/dev/null";
  if (std::system(command.c_str()) != 0) return ref;
  std::ifstream in(out, std::ios::binary);
  std::string magic;
  in >> magic;
  in >> std::ws;
  while (in.peek() == '#') {
    std::string comment;
    std::getline(in, comment);
  }
  int maxval = 0;
  in >> ref.width >> ref.height;
  if (magic == "P4") {  // lineart: one bit a pixel, set for black, rows byte-padded
    in.get();
    const size_t row_bytes = size_t(ref.width + 7) / 8;
    std::vector<unsigned char> bits(row_bytes * size_t(std::max(ref.height, 0)));
    in.read(reinterpret_cast<char*>(bits.data()), std::streamsize(bits.size()));
    if (!in || ref.width <= 0) return {};
    for (int y = 0; y < ref.height; ++y)
      for (int x = 0; x < ref.width; ++x) {
        const bool black = (bits[size_t(y) * row_bytes + size_t(x / 8)] >> (7 - x % 8)) & 1;
        ref.pixels.push_back(black ? 0xFF000000u : kOpaqueWhite);
      }
    return ref;
  }
  in >> maxval;
  in.get();
  const int channels = magic == "P6" ? 3 : 1;
  const int bytes = maxval > 255 ? 2 : 1;
  if ((magic != "P5" && magic != "P6") || ref.width <= 0 || ref.height <= 0) return {};
  std::vector<unsigned char> data(size_t(ref.width) * ref.height * channels * bytes);
  in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()));
  if (!in) return {};
  for (size_t i = 0; i < size_t(ref.width) * ref.height; ++i) {
    uint32_t c[3];
    for (int k = 0; k < channels; ++k)
      c[k] = data[(i * channels + k) * bytes];  // PNM is big-endian: the high byte first
    ref.pixels.push_back(channels == 3 ? make_pixel(255, c[0], c[1], c[2])
                                       : make_pixel(255, c[0], c[0], c[0]));
  }
  return ref;
}

struct Messages {
  std::vector<std::string> log;
  MessageSink sink() {
    return [this](const std::string& m) { log.push_back(m); };
  }
};

TEST(Scanner, ListsTheTestDevice) {
  SaneConfig config("test\n", test_conf("Gray", 8, false, "Solid black"));
  const auto devices = list_scanner_devices();
  ASSERT_TRUE(devices.has_value()) << "libsane.so.1 could not be loaded";
  ASSERT_EQ(devices->size(), 1u);
  EXPECT_EQ((*devices)[0].name, "test:0");
  EXPECT_FALSE((*devices)[0].label.empty());
}

TEST(Scanner, AcquireMakesADocumentOfTheScannedPicture) {
  struct Case {
    const char* mode;
    int depth;
    bool three_pass;
    const char* picture;
  };
  const bool have_tool = std::system("command -v scanimage > /dev/null 2>&1") == 0;
  int compared = 0;
  for (const Case& c : {Case{"Color", 8, false, "Color pattern"}, Case{"Color", 8, true, "Color pattern"},
                        Case{"Color", 16, false, "Color pattern"}, Case{"Gray", 8, false, "Grid"},
                        Case{"Gray", 1, false, "Grid"}, Case{"Gray", 8, false, "Solid black"}}) {
    const std::string what = std::string(c.mode) + "/" + std::to_string(c.depth) +
                             (c.three_pass ? "/3-pass/" : "/") + c.picture;
    SaneConfig config("test\n", test_conf(c.mode, c.depth, c.three_pass, c.picture));
    Document doc;
    ASSERT_TRUE(doc.new_canvas(5, 5, true));
    ASSERT_TRUE(doc.add_layer(false, false));
    Messages m;
    bool asked = false;
    AcquireRequest request;
    request.confirm_discard = [&] { return asked = true; };
    ASSERT_TRUE(acquire_scan(doc, request, m.sink())) << what << (m.log.empty() ? "" : m.log[0]);
    EXPECT_TRUE(asked);
    EXPECT_TRUE(m.log.empty()) << what;
    ASSERT_EQ(doc.layer_count(), 1) << what;
    const LayerImage& img = doc.current()->image;
    // 80 × 100 mm at 25 dpi.
    EXPECT_NEAR(img.width(), 79, 1) << what;
    EXPECT_NEAR(img.height(), 98, 1) << what;
    if (std::string(c.picture) == "Solid black") {
      for (size_t i = 0; i < img.pixel_count(); ++i) ASSERT_EQ(img.pixels()[i], 0xFF000000u) << i;
    }
    const Reference ref = scan_with_tool(config);
    if (ref.pixels.empty()) continue;  // no scanimage here: the size and black check stand
    ASSERT_EQ(img.width(), ref.width) << what;
    ASSERT_EQ(img.height(), ref.height) << what;
    for (size_t i = 0; i < img.pixel_count(); ++i)
      ASSERT_EQ(img.pixels()[i], ref.pixels[i]) << what << " pixel " << i;
    ++compared;
  }
  if (have_tool) {
    EXPECT_EQ(compared, 6) << "scanimage is there but its scans could not be read";
  }
}

// The program runs the scan on a worker under its progress dialog: the rows
// read arrive at the job's progress, from that thread.
TEST(Scanner, TheScanRunsThroughTheJobAndCountsItsRows) {
  SaneConfig config("test\n", test_conf("Color", 8, true, "Color pattern"));
  struct Sink final : ProgressSink {
    int64_t range = -1, position = -1;
    int ranges = 0;
    void set_range(int64_t m) override { range = m, ++ranges; }
    void step() override { ++position; }
    void set_position(int64_t p) override { position = p; }
  } sink;
  int jobs = 0;
  AcquireRequest request;
  request.run_job = [&](const std::function<void(ProgressSink&)>& work) {
    ++jobs;
    std::thread worker([&] { work(sink); });
    worker.join();
  };
  Document doc;
  ASSERT_TRUE(doc.new_canvas(5, 5, true));
  Messages m;
  ASSERT_TRUE(acquire_scan(doc, request, m.sink()));
  EXPECT_EQ(jobs, 1);
  EXPECT_EQ(sink.ranges, 3) << "one range per frame of a three-pass scan";
  EXPECT_EQ(sink.range, doc.height());
  EXPECT_EQ(sink.position, doc.height());
}

TEST(Scanner, WithoutTheLibraryNothingHappens) {
  SaneConfig config("test\n", test_conf("Gray", 8, false, "Solid black"));
  set_scanner_library_name("libqm-no-such-scanner-library.so.1");
  EXPECT_FALSE(scanner_library_present());
  EXPECT_FALSE(list_scanner_devices().has_value());
  Document doc;
  ASSERT_TRUE(doc.new_canvas(6, 4, true));
  Messages m;
  bool asked = false;
  AcquireRequest request;
  request.confirm_discard = [&] { return asked = true; };
  EXPECT_FALSE(acquire_scan(doc, request, m.sink()));
  set_scanner_library_name("libsane.so.1");
  EXPECT_FALSE(asked);
  EXPECT_TRUE(m.log.empty());
  EXPECT_EQ(doc.width(), 6);
}

TEST(Scanner, WithoutABackendTheStartFails) {
  SaneConfig config("", test_conf("Gray", 8, false, "Solid black"));
  Document doc;
  ASSERT_TRUE(doc.new_canvas(6, 4, true));
  Messages m;
  EXPECT_FALSE(acquire_scan(doc, AcquireRequest{}, m.sink()));
  EXPECT_EQ(m.log, std::vector<std::string>{kScanStartFailedMessage});
  EXPECT_EQ(doc.width(), 6);
  // A named device that does not exist fails the same way.
  m.log.clear();
  AcquireRequest named;
  named.device_name = "test:7";
  EXPECT_FALSE(acquire_scan(doc, named, m.sink()));
  EXPECT_EQ(m.log, std::vector<std::string>{kScanStartFailedMessage});
  const auto devices = list_scanner_devices();
  ASSERT_TRUE(devices.has_value());
  EXPECT_TRUE(devices->empty());
}

TEST(Scanner, FullScreenAndAnsweredCancelStopFirst) {
  SaneConfig config("test\n", test_conf("Gray", 8, false, "Solid black"));
  Document doc;
  ASSERT_TRUE(doc.new_canvas(6, 4, true));
  Messages m;
  AcquireRequest request;
  request.full_screen = true;
  bool asked = false;
  request.confirm_discard = [&] { return asked = true; };
  EXPECT_FALSE(acquire_scan(doc, request, m.sink()));
  EXPECT_FALSE(asked) << "full screen refuses before the question";
  EXPECT_EQ(m.log, std::vector<std::string>{kScanFullScreenMessage});
  m.log.clear();
  request.full_screen = false;
  request.confirm_discard = [] { return false; };
  EXPECT_FALSE(acquire_scan(doc, request, m.sink()));
  EXPECT_TRUE(m.log.empty());
  EXPECT_EQ(doc.width(), 6);
}

}  // namespace
}  // namespace qm
