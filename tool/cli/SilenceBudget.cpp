#include "cli/SilenceBudget.h"

void SilenceBudget::Spend(Clock::duration silence) {
  const auto spent = std::chrono::duration_cast<std::chrono::milliseconds>(silence);
  m_left = std::max(m_left - spent, std::chrono::milliseconds::zero());
}
