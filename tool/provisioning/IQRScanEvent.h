#pragma once

#include <string>

// What the QR scanner tells its sink (the serial number window). Both operations arrive on the
// scanner's own threads, never on the user-interface thread.
class IQRScanEvent {
 public:
  // One newly decoded code, as the code holds it (a code held in view is reported once).
  // Called on the scanner's decoding thread.
  virtual void OnScanResult(std::wstring text) = 0;
  // The title of the scanner's live view window (kScanViewTitle), once that window exists, so
  // the sink can find the window and embed it. Called on the scanner's wait thread.
  virtual void OnScanWindow(std::wstring title) = 0;

 protected:
  ~IQRScanEvent() = default;
};
