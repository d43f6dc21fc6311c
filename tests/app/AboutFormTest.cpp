// The About panel's bevel, pixel by pixel.
#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <algorithm>

#include "app/AboutUnit.h"
#include "controls/HSLUtils.h"

TEST(AboutForm, BevelClosesBothRingsRoundThePanel) {
  TAboutForm about;
  const QImage image = about.grab().toImage();
  ASSERT_EQ(image.size(), QSize(228, 170));
  const QRgb shadow = ColorToRGB(clBtnShadow).rgb();
  const QRgb light = ColorToRGB(clBtnHighlight).rgb();
  const int w = image.width(), h = image.height();
  // No pixel of the panel's edge shows the window's black: the two corners
  // that neither ring reaches close the outer one in shadow.
  const QRgb black = QColor(Qt::black).rgb();
  for (int x = 0; x < w; ++x) {
    EXPECT_NE(image.pixel(x, 0), black) << "top, x " << x;
    EXPECT_NE(image.pixel(x, h - 1), black) << "bottom, x " << x;
  }
  for (int y = 0; y < h; ++y) {
    EXPECT_NE(image.pixel(0, y), black) << "left, y " << y;
    EXPECT_NE(image.pixel(w - 1, y), black) << "right, y " << y;
  }
  EXPECT_EQ(image.pixel(0, h - 1), shadow);
  EXPECT_EQ(image.pixel(w - 1, 0), shadow);
  EXPECT_EQ(image.pixel(0, 0), shadow);
  EXPECT_EQ(image.pixel(w - 1, h - 1), shadow);
  // Inside it, light on the top and left, and the bevel ends there.
  EXPECT_EQ(image.pixel(1, 1), light);
  EXPECT_EQ(image.pixel(w - 3, 1), light);
  EXPECT_EQ(image.pixel(1, h - 3), light);
  EXPECT_EQ(image.pixel(w - 2, h - 2), light);
  EXPECT_EQ(image.pixel(2, 2), black);
}

TEST(AboutForm, VersionLineStartsAtTheOtherLinesEdge) {
  TAboutForm about;
  const QRect box = about.Label6->geometry();
  EXPECT_EQ(box.left(), 12);
  EXPECT_GE(box.width(), about.Label6->sizeHint().width());  // nothing cut off
  // Its ink, on the black panel, begins where the next line's does (give or
  // take the letters' side bearings).
  const QImage image = about.grab().toImage();
  auto firstInk = [&](const QRect& rows) {
    int first = image.width();
    for (int y = rows.top(); y <= rows.bottom(); ++y)
      for (int x = 2; x < 150; ++x)
        if (qGray(image.pixel(x, y)) > 128) {
          first = std::min(first, x);
          break;
        }
    return first;
  };
  const int version = firstInk(box);
  const int next = firstInk(about.Label1->geometry());
  EXPECT_GE(version, 12);
  EXPECT_NEAR(version, next, 2);
}
