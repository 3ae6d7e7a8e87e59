#include "platform/SystemColors.h"

#include <array>

namespace platform {
namespace {

// The classic Windows values of the system colours, by index, written as RGB.
constexpr std::array<uint32_t, 31> kSystemColorsRgb = {
    0xC8C8C8,  // 0 scroll bar
    0x000000,  // 1 desktop background
    0x99B4D1,  // 2 active caption
    0xBFCDDB,  // 3 inactive caption
    0xF0F0F0,  // 4 menu
    0xFFFFFF,  // 5 window
    0x646464,  // 6 window frame
    0x000000,  // 7 menu text
    0x000000,  // 8 window text
    0x000000,  // 9 caption text
    0xB4B4B4,  // 10 active border
    0xF4F7FC,  // 11 inactive border
    0xABABAB,  // 12 application workspace
    0x0078D7,  // 13 highlight
    0xFFFFFF,  // 14 highlight text
    0xF0F0F0,  // 15 button face
    0xA0A0A0,  // 16 button shadow
    0x6D6D6D,  // 17 gray text
    0x000000,  // 18 button text
    0x000000,  // 19 inactive caption text
    0xFFFFFF,  // 20 button highlight
    0x696969,  // 21 3D dark shadow
    0xE3E3E3,  // 22 3D light
    0x000000,  // 23 info text
    0xFFFFE1,  // 24 info background
    0x000000,  // 25 (unused)
    0x0066CC,  // 26 hot light
    0xB9D1EA,  // 27 gradient active caption
    0xD7E4F2,  // 28 gradient inactive caption
    0x3399FF,  // 29 menu highlight
    0xF0F0F0,  // 30 menu bar
};

}  // namespace

TColor ColorToRGB(TColor color) {
  if (!IsSystemColor(color)) return color;
  size_t index = color & 0xFF;
  if (index >= kSystemColorsRgb.size()) return clBlack;
  uint32_t rgb = kSystemColorsRgb[index];
  return MakeColor(static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8),
                   static_cast<uint8_t>(rgb));
}

QColor ToQColor(TColor color) {
  if (color == clNone) return QColor(Qt::transparent);
  if (color == clDefault) return QColor();
  TColor rgb = ColorToRGB(color);
  return QColor(ColorRed(rgb), ColorGreen(rgb), ColorBlue(rgb));
}

TColor FromQColor(const QColor& color) {
  QColor rgb = color.toRgb();
  return MakeColor(static_cast<uint8_t>(rgb.red()), static_cast<uint8_t>(rgb.green()),
                   static_cast<uint8_t>(rgb.blue()));
}

}  // namespace platform
