#pragma once

#include "calibration/rules/ServoPanelRules.h"

// Timers of a panel's step buttons.
constexpr int TIMER_UP_START = 1;
constexpr int TIMER_DOWN_START = 2;
constexpr int TIMER_UP_REPEAT = 3;
constexpr int TIMER_DOWN_REPEAT = 4;

// A held button steps once at the press, then after 500 ms every 80 ms; after a double press,
// every 500 ms.
inline constexpr int kStepHoldDelayMs = 500;
inline constexpr int kStepRepeatMs = 80;
inline constexpr int kStepDoublePressRepeatMs = 500;

// What the press table does to a panel.
class IStepButtonHost {
 public:
  // Whether a step in direction is allowed now.
  virtual bool StepAllowed(StepDirection direction) = 0;
  // Takes one step: the angle by one, then the implied offset and the move.
  virtual void TakeStep(StepDirection direction) = 0;
  // The look of the step button of direction: held (red arrow, raised) or at rest (green arrow,
  // flat).
  virtual void SetButtonHeldLook(StepDirection direction, bool held) = 0;
  // Starts timer id with period ms, restarting it when it runs; stops it.
  virtual void StartTimer(int id, int ms) = 0;
  virtual void StopTimer(int id) = 0;

 protected:
  ~IStepButtonHost() = default;
};

// The press / double press / release table of the two step buttons and their four timers. The
// second press of a double press comes as a double press only (never also as a press), so each
// click takes one step.
class StepButtonTable {
 public:
  explicit StepButtonTable(IStepButtonHost* host) : m_host(host) {}

  // A press on the button of direction. False when the step is refused: the press must be
  // swallowed, and nothing has changed.
  bool Press(StepDirection direction);
  // The second press of a double press: a step, and a hold from here steps every 500 ms. False
  // when the step is refused.
  bool DoublePress(StepDirection direction);
  // The button of direction is released.
  void Release(StepDirection direction);
  // Timer id expired.
  void TimerExpired(int id);
  // Stops every timer and puts both buttons at rest: for a panel that can no longer see the
  // release (disabled while a button is held).
  void StopAll();

 private:
  IStepButtonHost* m_host;
};
