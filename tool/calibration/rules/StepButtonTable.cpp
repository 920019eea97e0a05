#include "calibration/rules/StepButtonTable.h"

namespace {

StepDirection Other(StepDirection direction) {
  return direction == StepDirection::Up ? StepDirection::Down : StepDirection::Up;
}

int StartTimer(StepDirection direction) {
  return direction == StepDirection::Up ? TIMER_UP_START : TIMER_DOWN_START;
}

int RepeatTimer(StepDirection direction) {
  return direction == StepDirection::Up ? TIMER_UP_REPEAT : TIMER_DOWN_REPEAT;
}

}  // namespace

bool StepButtonTable::Press(StepDirection direction) {
  if (!m_host->StepAllowed(direction)) return false;
  m_host->TakeStep(direction);
  m_host->SetButtonHeldLook(Other(direction), true);
  m_host->StartTimer(StartTimer(direction), kStepHoldDelayMs);
  return true;
}

bool StepButtonTable::DoublePress(StepDirection direction) {
  if (!m_host->StepAllowed(direction)) return false;
  m_host->TakeStep(direction);
  m_host->SetButtonHeldLook(Other(direction), true);
  m_host->StopTimer(StartTimer(direction));
  m_host->StartTimer(RepeatTimer(direction), kStepDoublePressRepeatMs);
  return true;
}

void StepButtonTable::Release(StepDirection direction) {
  m_host->StopTimer(RepeatTimer(direction));
  m_host->StopTimer(StartTimer(direction));
  m_host->SetButtonHeldLook(Other(direction), false);
}

void StepButtonTable::TimerExpired(int id) {
  switch (id) {
    case TIMER_UP_START:
    case TIMER_DOWN_START:
      // The start timer runs on until the repeat timer first expires.
      m_host->StartTimer(id == TIMER_UP_START ? TIMER_UP_REPEAT : TIMER_DOWN_REPEAT,
                         kStepRepeatMs);
      return;
    case TIMER_UP_REPEAT:
    case TIMER_DOWN_REPEAT: {
      const StepDirection direction =
          id == TIMER_UP_REPEAT ? StepDirection::Up : StepDirection::Down;
      m_host->StopTimer(StartTimer(direction));
      // At its limit the timer keeps running without effect.
      if (m_host->StepAllowed(direction)) m_host->TakeStep(direction);
      return;
    }
    default:
      return;
  }
}

void StepButtonTable::StopAll() {
  for (const int id : {TIMER_UP_START, TIMER_DOWN_START, TIMER_UP_REPEAT, TIMER_DOWN_REPEAT}) {
    m_host->StopTimer(id);
  }
  m_host->SetButtonHeldLook(StepDirection::Up, false);
  m_host->SetButtonHeldLook(StepDirection::Down, false);
}
