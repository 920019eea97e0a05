#pragma once

#include <QIcon>

// The button images of the calibration windows, by their resource numbers.
constexpr int IDI_PLUG = 133;
constexpr int IDI_UNPLUGGED = 134;
constexpr int IDI_TICK = 135;
constexpr int IDI_STOP = 136;
constexpr int IDI_CROSS = 137;
constexpr int IDI_REFRESH = 138;
constexpr int IDI_TURN = 140;
constexpr int IDI_STEP_UP_GREEN = 141;
constexpr int IDI_STEP_DOWN_GREEN = 142;
constexpr int IDI_STEP_DOWN_RED = 143;
constexpr int IDI_STEP_UP_RED = 144;
constexpr int IDI_ANGLE = 145;
constexpr int IDI_INFORMATION = 146;
constexpr int IDI_SERIAL = 149;

// The image of resource id drawn at 24 by 24 pixels (and twice that for dense screens); a null
// icon for an unknown id.
QIcon CaltrimIcon(int resourceId);
