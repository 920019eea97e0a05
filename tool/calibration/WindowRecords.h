#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "records/RecordsStore.h"

// Where the main window's runs are recorded, and what the status line says of it. The store is
// opened the first time it is asked for (by the records module, so that a start of the program
// maps no SQLite); a store that cannot be opened is asked again the next time. A store that fails
// never stops the window's work: the failure is told by the note, which says it until a later run
// is kept. While runs wait for a records server the note says "records: N waiting".
//
// Every member is called on the user-interface thread; the store's own thread reports through
// it to that thread.
class WindowRecords : public QObject {
 public:
  using Opener = std::function<std::unique_ptr<IRecordsStore>(const RecordsLocation&, const RecordsStoreOptions&,
                                                              std::string*)>;

  // Records go to location, through a store made by open. onNote gets the status line's records
  // note each time it changes (empty: nothing to say).
  WindowRecords(RecordsLocation location, Opener open, std::function<void(const QString&)> onNote);
  // Closes the store: what waits for a server stays in the local file for the next program.
  ~WindowRecords() override;

  // Whether runs are recorded: the location is not "off".
  bool On() const { return m_location.kind != RecordsLocation::Kind::kOff; }
  // The store, opened now when there is none; null with *error when records are off or it cannot
  // be opened (the note then says so).
  IRecordsStore* Store(std::string* error);
  // Keeps run in the store (a local SQLite transaction; never the network).
  void Keep(const RunRecord& run);
  // Closes the store now (shut-down); a later Store opens it again.
  void Close();

  // Bounds each exchange with a records server, the history's questions included.
  static constexpr std::chrono::seconds kServerTimeout{5};

 private:
  void OnSpool(const SpoolStatus& status);
  void Fail(const char* key, const std::string& error);
  void ShowNote();

  const RecordsLocation m_location;
  const Opener m_open;
  const std::function<void(const QString&)> m_onNote;
  std::unique_ptr<IRecordsStore> m_store;
  QString m_failure;  // why the last run (or the store) failed, until a run is kept
  int m_nWaiting = 0;
  QString m_shown;
};
