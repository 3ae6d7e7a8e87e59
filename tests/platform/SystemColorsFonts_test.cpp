#include <gtest/gtest.h>

#include <QFontInfo>

#include "platform/Fonts.h"
#include "platform/SystemColors.h"

namespace platform {
namespace {

TEST(SystemColors, ResolveThroughTheClassicTable) {
  struct Case {
    TColor color;
    TColor rgb;
  };
  const Case cases[] = {
      {clBtnFace, MakeColor(0xF0, 0xF0, 0xF0)},
      {clHighlight, MakeColor(0x00, 0x78, 0xD7)},
      {clWindow, clWhite},
      {clWindowText, clBlack},
      {clInfoBk, MakeColor(0xFF, 0xFF, 0xE1)},
      {clBtnShadow, MakeColor(0xA0, 0xA0, 0xA0)},
      {clMoneyGreen, MakeColor(0xC0, 0xDC, 0xC0)},
      {clSilver, MakeColor(0xC0, 0xC0, 0xC0)},
      {clNavy, MakeColor(0, 0, 0x80)},
      {clNone, clNone},
      {clDefault, clDefault},
      {clSystemColor | 200, clBlack},
  };
  for (const Case& c : cases) EXPECT_EQ(ColorToRGB(c.color), c.rgb) << std::hex << c.color;

  EXPECT_EQ(ToQColor(clHighlight), QColor(0x00, 0x78, 0xD7));
  EXPECT_EQ(ToQColor(clNavy), QColor(0, 0, 0x80));
  EXPECT_EQ(ToQColor(clNone).alpha(), 0);
  EXPECT_FALSE(ToQColor(clDefault).isValid());
  EXPECT_EQ(FromQColor(QColor(0x12, 0x34, 0x56)), 0x563412u);
}

TEST(Fonts, PixelSizesAndSubstitutes) {
  EXPECT_EQ(ScreenPixelsPerInch(), 96);
  struct Case {
    int points, ppi, pixels;
  };
  const Case cases[] = {{8, 96, 11}, {10, 96, 13}, {9, 96, 12}, {8, 120, 13}, {-8, 96, -11}};
  for (const Case& c : cases) EXPECT_EQ(PointsToPixels(c.points, c.ppi), c.pixels);

  RegisterFontSubstitutions();
  RegisterFontSubstitutions();  // a second call changes nothing
  EXPECT_EQ(QFont::substitutes("Arial Narrow").value(0).toLower(), "liberation sans narrow");
  EXPECT_EQ(QFont::substitutes("MS Sans Serif").value(0).toLower(), "liberation sans");
  EXPECT_EQ(QFont::substitutes("MS Sans Serif").size(), 2);
  // The system's names are drawn with the metric twins.
  TFontSpec sansSerif;
  EXPECT_EQ(QFontInfo(ToQFont(sansSerif)).family(), "Liberation Sans");

  TFontSpec spec;
  spec.Name = "Arial";
  spec.Size = 10;
  spec.Bold = true;
  QFont font = ToQFont(spec);
  EXPECT_EQ(font.family(), "Arial");
  EXPECT_EQ(font.pixelSize(), 13);
  EXPECT_TRUE(font.bold());
  EXPECT_FALSE(font.italic());
}

}  // namespace
}  // namespace platform
