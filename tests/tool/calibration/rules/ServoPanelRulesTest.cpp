#include "calibration/rules/ServoPanelRules.h"

#include <gtest/gtest.h>

namespace {

TEST(ServoPanelRulesTest, AStepStaysWithinAngles0To240AndOffsets90FromZeroTruncated) {
  using enum StepDirection;
  const struct {
    StepDirection direction;
    int angle, reference;
    float caliValue;
    bool allowed;
  } cases[] = {
      {Up, 90, 90, 0, true},         {Up, 93, 90, 80, false},       {Down, 93, 90, 80, true},
      {Down, 0, 0, 0, false},        {Up, 240, 240, 0, false},      {Down, 240, 240, 0, true},
      {Up, 239, 240, 0, true},       {Up, 90, 90, 87, true},        {Up, 90, 90, 87.9f, true},
      {Up, 90, 90, 88, false},       {Down, 90, 90, -87, true},     {Down, 90, 90, -87.9f, true},
      {Down, 90, 90, -88, false},    {Down, 1, 90, 180, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StepAllowed(c.direction, c.angle, c.reference, c.caliValue), c.allowed)
        << (c.direction == Up ? "up" : "down") << " from " << c.angle << ", reference "
        << c.reference << ", offset " << c.caliValue;
  }
}

TEST(ServoPanelRulesTest, TheOffsetBoxTakesDigitsOneDotAndALeadingMinus) {
  const struct {
    char16_t typed;
    const char16_t* text;
    int selectionStart, selectionEnd;
    bool taken;
  } cases[] = {
      {u'7', u"12", 2, 2, true},  {u'\b', u"12", 2, 2, true},   {u'.', u"1", 1, 1, true},
      {u'.', u"1.5", 3, 3, false}, {u'.', u"1.5", 0, 3, false}, {u'-', u"", 0, 0, true},
      {u'-', u"5", 1, 1, false},   {u'-', u"5", 0, 0, false},   {u'-', u"12", 0, 2, true},
      {u'-', u"12", 0, 1, false},  {u'a', u"", 0, 0, false},    {u'+', u"", 0, 0, false},
      {u' ', u"1", 1, 1, false},   {u'\uFF15', u"", 0, 0, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(OffsetBoxTakes(c.typed, c.text, c.selectionStart, c.selectionEnd), c.taken)
        << "character " << static_cast<int>(c.typed) << " into a text of "
        << std::u16string_view(c.text).size() << " selected " << c.selectionStart << ".."
        << c.selectionEnd;
  }
}

}  // namespace
