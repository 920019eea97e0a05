#pragma once

#include <zbar.h>

#include "provisioning/IQRScanEvent.h"

// Camera scanning of QR codes (and of every other bar code zbar decodes) with zbar's processor,
// which owns the camera, a live view window and the decoder. Scanning is started once per
// process; it ends for good when the operator presses "q" or "Q" in the view window or closes it.
// Keys in the view window: space pauses and resumes the video.

// The caption zbar gives its view window on X11.
inline constexpr wchar_t kScanViewTitle[] = L"zbar barcode reader";

// The one processor of the process: set by StartQRScan, destroyed (and set back to null) by the
// wait thread when scanning ends, or by StartQRScan when it fails.
extern zbar::zbar_processor_t* g_pZBarProcessor;

// Starts scanning with the default camera and a visible view window. sink is the address of the
// sink's IQRScanEvent pointer, read at every call, so the sink may be set or cleared later; it
// must outlive scanning. Returns at once: true when the wait thread was started. Without a
// camera or display it returns false: the library's error is printed on standard error, nothing
// is shown, no thread is started and nothing is kept, so a later call tries again. Once scanning
// has started, every later call returns false.
bool StartQRScan(IQRScanEvent** sink);

// The part of StartQRScan after the processor is made and shown: starts the wait thread (below)
// for g_pZBarProcessor with sink.
void StartScanWaitThread(IQRScanEvent** sink);

// Ends scanning that feeds sink, for a sink about to go: asks the wait thread to end, waits for
// it, and destroys the processor if it is still there, which ends zbar's own threads. Once it
// returns nothing calls the sink any more. Does nothing for another sink, or when scanning never
// started; scanning is not started again in the process.
void StopQRScan(IQRScanEvent** sink);

// zbar's data handler (userData: the sink address given to StartQRScan). For each symbol of image
// that is newly confirmed and whole, prints "name+addon:data" on standard output and passes the
// data (UTF-8, widened) to the sink's OnScanResult.
void ScanDataHandler(zbar::zbar_image_t* image, const void* userData);

// The body of the wait thread (userData: the sink address). Tells the sink the view window's
// title, then serves the operator's keys in the view window until scanning ends: "q", "Q", a
// closed window or StopQRScan destroy the processor; another error is printed and leaves it in
// place. It looks for a stop at least every kScanStopPollMs.
inline constexpr int kScanStopPollMs = 100;
void ScanWaitThread(void* userData);
