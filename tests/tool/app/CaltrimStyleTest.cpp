#include "app/CaltrimStyle.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QImage>
#include <QStyleFactory>
#include <memory>

#include "support/MappedLibraries.h"
#include "tool/app/QtTestApp.h"

namespace {

struct Box {
  const char* title;
  bool checkable;
};
constexpr Box kBoxes[] = {{"Commands", false}, {"", false}, {"", true}};

QImage Drawn(QStyle* style, const Box& look) {
  QGroupBox box(QString::fromLatin1(look.title));
  box.setCheckable(look.checkable);
  box.setStyle(style);
  box.resize(160, 70);
  return box.grab().toImage();
}

// Fusion reads its group box frame by file name, which loads every image format plugin to ask
// whether it reads PNG; the program's style draws the same pixels without them. The plugins seen
// mapped once Fusion itself has drawn show that the first check could see them.
TEST(CaltrimStyleTest, GroupBoxesLookAsFusionDrawsThemWithoutLoadingImagePlugins) {
  QtTestApp();
  const auto ours = std::make_unique<CaltrimStyle>(QStyleFactory::create(QStringLiteral("Fusion")));
  QImage drawnByOurs[std::size(kBoxes)];
  for (size_t i = 0; i < std::size(kBoxes); ++i) drawnByOurs[i] = Drawn(ours.get(), kBoxes[i]);
  EXPECT_FALSE(Mapped("/imageformats/"));

  const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
  for (size_t i = 0; i < std::size(kBoxes); ++i) {
    EXPECT_EQ(Drawn(fusion.get(), kBoxes[i]), drawnByOurs[i]) << kBoxes[i].title << i;
  }
  EXPECT_TRUE(Mapped("/imageformats/"));
}

}  // namespace
