#pragma once

#include <mutex>
#include <optional>
#include <utility>
#include <vector>

// One calibration run: the writes sent and not yet answered, in sending order, and the end of the
// run. The writer (a worker thread) records each write before it goes out, so every reply, even
// one that comes at once, finds its pair; replies come on another thread and take the first
// pending pair of their servo. The run ends once: at the reply that empties the list after every
// write is out (or when the last write is out with every reply already in), or at the time-out.
// A run that sent nothing ends only by its time-out. The run keeps its writes with their answers
// until the next Begin, for the calibration records.
//
// Every member may be called from any thread; each call is atomic.
class CalibrationRun {
 public:
  struct Reply {
    std::optional<int> value;  // the value of the pair the reply took; none when none pending
    bool endsRun = false;      // this reply ended the run
  };

  // One write of the run, with its answer.
  struct Write {
    int servoId = 0;
    int value = 0;
    std::optional<bool> ok;  // the servo's answer; none while unanswered
    bool operator==(const Write&) const = default;
  };

  // Starts a run: the list is emptied, writes are expected.
  void Begin();
  // Records a write of value to servoId. Call it before the write goes out.
  void AddPending(int servoId, int value);
  // Every write of the run is out. True when this ends the run (all answered already).
  bool SendingDone();
  // A write reply of servoId, ok or refused: the first pending pair of that servo is removed, and
  // its write takes the answer.
  Reply Answer(int servoId, bool ok);
  // The time-out: the list is emptied. True when a run was under way (it ends now).
  bool TimeOut();

  bool Running() const;
  // The pending pairs (servo id, value), in sending order.
  std::vector<std::pair<int, int>> Pending() const;
  // Every write of the current (or last) run in sending order, each with the answer it got while
  // it was pending: taken under the same lock as the answers, so a run that has ended reads here
  // exactly as it ended, whichever thread saw its end first.
  std::vector<Write> Writes() const;

 private:
  // True when the run under way ends now; the caller holds m_lock.
  bool EndIfComplete();

  mutable std::mutex m_lock;
  std::vector<std::pair<int, int>> m_pending;
  std::vector<Write> m_writes;
  bool m_bRunning = false;
  bool m_bSending = false;
  int m_nSent = 0;
};
