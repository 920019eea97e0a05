#pragma once

#include <algorithm>
#include <chrono>
#include <set>

// How long one command may still wait, in all, for answers that do not come: --timeout for the
// whole command on one robot, not for each of its waits, so a silent servo costs it once.
//
// A wait for answers gives up once no answer has come for Allowance(); it then Spends the time it
// waited since its last answer and marks the servos it still awaited as silent. Later waits of the
// command still ask those servos and take an answer that comes, but do not wait for it. Once the
// budget is spent, a wait still allows kGrace between answers, so a robot that answers at the
// link's pace is never cut short.
class SilenceBudget {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kGrace{1000};

  explicit SilenceBudget(std::chrono::milliseconds total) : m_left(total) {}

  // How long the next wait may go without an answer.
  std::chrono::milliseconds Allowance() const { return std::max(m_left, kGrace); }
  // Takes a silence that a wait sat through from what is left.
  void Spend(Clock::duration silence);

  void MarkSilent(int id) { m_silent.insert(id); }
  bool IsSilent(int id) const { return m_silent.count(id) != 0; }

 private:
  std::chrono::milliseconds m_left;
  std::set<int> m_silent;
};
