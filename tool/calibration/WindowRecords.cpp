#include "calibration/WindowRecords.h"

#include <utility>

#include "app/Text.h"
#include "app/UiThread.h"

WindowRecords::WindowRecords(RecordsLocation location, Opener open, std::function<void(const QString&)> onNote)
    : m_location(std::move(location)), m_open(std::move(open)), m_onNote(std::move(onNote)) {}

WindowRecords::~WindowRecords() { Close(); }

IRecordsStore* WindowRecords::Store(std::string* error) {
  if (m_store) return m_store.get();
  if (!On()) {
    *error = "records are off";
    return nullptr;
  }
  RecordsStoreOptions options;
  options.serverTimeout = kServerTimeout;
  // On the store's sending thread: the news goes to this object's thread, in order.
  options.onSpoolChanged = [this](const SpoolStatus& status) {
    RunOnUiThread(this, [this, status] { OnSpool(status); });
  };
  m_store = m_open(m_location, options, error);
  if (!m_store) {
    Fail("IDS_RECORDS_UNAVAILABLE", *error);
    return nullptr;
  }
  return m_store.get();
}

void WindowRecords::Keep(const RunRecord& run) {
  if (!On()) return;
  std::string error;
  IRecordsStore* store = Store(&error);
  if (store == nullptr || !store->Append(run, &error)) {
    Fail("IDS_RECORDS_NOT_KEPT", error);
    return;
  }
  // What waits is told by the store's thread after its attempt to send, so a run that goes out
  // at once never shows as waiting.
  m_failure.clear();
  ShowNote();
}

void WindowRecords::Close() { m_store.reset(); }

void WindowRecords::OnSpool(const SpoolStatus& status) {
  if (!m_store) return;
  m_nWaiting = status.waiting;
  ShowNote();
}

void WindowRecords::Fail(const char* key, const std::string& error) {
  m_failure = T(key) + QString::fromStdString(error);
  ShowNote();
}

void WindowRecords::ShowNote() {
  const QString note = !m_failure.isEmpty() ? m_failure
                       : m_nWaiting > 0      ? T("IDS_RECORDS_WAITING").arg(m_nWaiting)
                                             : QString();
  if (note == m_shown) return;
  m_shown = note;
  m_onNote(note);
}
