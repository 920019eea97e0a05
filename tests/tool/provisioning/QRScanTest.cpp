// QR scanning without a camera: codes drawn by the test go through zbar's image scanner into the
// data handler; the wait thread on a processor without a window; a start without a camera.

#include "provisioning/QRScan.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <mutex>
#include <vector>

#include <gtest/gtest.h>
#include <qrencode.h>
#include <zint.h>

namespace {

using namespace zbar;

class Recorder : public IQRScanEvent {
 public:
  void OnScanResult(std::wstring text) override {
    const std::lock_guard<std::mutex> hold(m_mutex);
    results.push_back(std::move(text));
  }
  void OnScanWindow(std::wstring title) override {
    const std::lock_guard<std::mutex> hold(m_mutex);
    windows.push_back(std::move(title));
  }
  std::vector<std::wstring> results;
  std::vector<std::wstring> windows;

 private:
  std::mutex m_mutex;
};

// An 8-bit grey picture, white where nothing is drawn.
struct Picture {
  int width;
  int height;
  std::vector<unsigned char> grey;
  void Dark(int x, int y) { grey[static_cast<std::size_t>(y * width + x)] = 0; }
};

Picture QrPicture(const char* text) {
  constexpr int kScale = 4;
  constexpr int kQuiet = 4;
  QRcode* code = QRcode_encodeString(text, 0, QR_ECLEVEL_M, QR_MODE_8, 1);
  const int side = (code->width + 2 * kQuiet) * kScale;
  Picture picture{side, side, std::vector<unsigned char>(static_cast<std::size_t>(side * side), 255)};
  for (int y = 0; y < side; ++y) {
    for (int x = 0; x < side; ++x) {
      const int mx = x / kScale - kQuiet;
      const int my = y / kScale - kQuiet;
      if (mx >= 0 && my >= 0 && mx < code->width && my < code->width &&
          (code->data[my * code->width + mx] & 1)) {
        picture.Dark(x, y);
      }
    }
  }
  QRcode_free(code);
  return picture;
}

Picture Code128Picture(const char* text) {
  constexpr int kQuiet = 40;
  zint_symbol* symbol = ZBarcode_Create();
  symbol->symbology = BARCODE_CODE128;
  symbol->show_hrt = 0;
  symbol->scale = 2;
  ZBarcode_Encode_and_Buffer(symbol, reinterpret_cast<const unsigned char*>(text),
                             static_cast<int>(std::strlen(text)), 0);
  Picture picture{symbol->bitmap_width + 2 * kQuiet, symbol->bitmap_height + 2 * kQuiet, {}};
  picture.grey.assign(static_cast<std::size_t>(picture.width * picture.height), 255);
  for (int y = 0; y < symbol->bitmap_height; ++y) {
    for (int x = 0; x < symbol->bitmap_width; ++x) {
      if (symbol->bitmap[3 * (y * symbol->bitmap_width + x)] < 128) picture.Dark(x + kQuiet, y + kQuiet);
    }
  }
  ZBarcode_Delete(symbol);
  return picture;
}

// Scans picture with scanner, as a video frame is scanned.
void Scan(zbar_image_scanner_t* scanner, Picture& picture) {
  zbar_image_t* image = zbar_image_create();
  zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
  zbar_image_set_size(image, static_cast<unsigned>(picture.width), static_cast<unsigned>(picture.height));
  zbar_image_set_data(image, picture.grey.data(), picture.grey.size(), nullptr);
  zbar_scan_image(scanner, image);
  zbar_image_destroy(image);
}

// As in front of a camera, each code stays in view for several frames: the sink and the console
// hear of it once, with the text as the code holds it.
TEST(QRScanTest, EachCodeInViewIsReportedOnce) {
  Recorder recorder;
  IQRScanEvent* sink = &recorder;
  zbar_image_scanner_t* scanner = zbar_image_scanner_create();
  zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 1);
  zbar_image_scanner_enable_cache(scanner, 1);
  zbar_image_scanner_set_data_handler(scanner, ScanDataHandler, &sink);
  Picture qr = QrPicture("SN=ABC123");
  Picture code128 = Code128Picture("SN-XYZ789");

  testing::internal::CaptureStdout();
  for (Picture* picture : {&qr, &code128}) {
    for (int frame = 0; frame < 3; ++frame) Scan(scanner, *picture);
  }
  const std::string console = testing::internal::GetCapturedStdout();
  zbar_image_scanner_destroy(scanner);

  EXPECT_EQ(recorder.results, (std::vector<std::wstring>{L"SN=ABC123", L"SN-XYZ789"}));
  EXPECT_EQ(console, "QR-Code:SN=ABC123\nCODE-128:SN-XYZ789\n");
}

std::size_t ThreadCount() {
  const std::filesystem::directory_iterator tasks("/proc/self/task");
  return static_cast<std::size_t>(std::distance(begin(tasks), end(tasks)));
}

TEST(QRScanTest, WithoutACameraTheErrorIsPrintedAndNoThreadStarts) {
  if (::access("/dev/video0", F_OK) == 0) GTEST_SKIP() << "this machine has a camera";
  Recorder recorder;
  IQRScanEvent* sink = &recorder;
  const std::size_t threads = ThreadCount();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(StartQRScan(&sink));
  const std::string error = testing::internal::GetCapturedStderr();
  EXPECT_NE(error.find("/dev/video0"), std::string::npos) << error;
  // A wait thread would still be there, or would have told the sink its window before ending.
  EXPECT_EQ(ThreadCount(), threads);
  EXPECT_TRUE(recorder.windows.empty());
  EXPECT_EQ(g_pZBarProcessor, nullptr) << "nothing kept";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(StartQRScan(&sink));
  EXPECT_NE(testing::internal::GetCapturedStderr().find("/dev/video0"), std::string::npos)
      << "a later start tries again";
}

// A processor without a view window answers the wait as a closed window does: scanning ends
// without an error print, and the processor is gone.
TEST(QRScanTest, AClosedViewWindowEndsScanningQuietly) {
  g_pZBarProcessor = zbar_processor_create(0);
  ASSERT_EQ(zbar_processor_init(g_pZBarProcessor, nullptr, 0), 0);
  Recorder recorder;
  IQRScanEvent* sink = &recorder;
  testing::internal::CaptureStderr();
  ScanWaitThread(&sink);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(g_pZBarProcessor, nullptr);
  EXPECT_EQ(recorder.windows, std::vector<std::wstring>{kScanViewTitle});
}

}  // namespace
