#include "core/Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {
QColor SystemColor(std::uint8_t index) {
  const QPalette pal = QGuiApplication::palette();
  switch (index) {
    case 0x05: return pal.color(QPalette::Base);             // clWindow
    case 0x08: return pal.color(QPalette::Text);             // clWindowText
    case 0x0D: return pal.color(QPalette::Highlight);        // clHighlight
    case 0x0E: return pal.color(QPalette::HighlightedText);  // clHighlightText
    case 0x0F: return pal.color(QPalette::Button);           // clBtnFace
    case 0x10: return pal.color(QPalette::Dark);             // clBtnShadow
    case 0x14: return pal.color(QPalette::Light);            // clBtnHighlight
    case 0x15: return pal.color(QPalette::Shadow);           // cl3DDkShadow
    case 0x16: return pal.color(QPalette::Midlight);         // cl3DLight
    case 0x17: return pal.color(QPalette::ToolTipText);      // clInfoText
    case 0x18: return pal.color(QPalette::ToolTipBase);      // clInfoBk
    case 0x12: return pal.color(QPalette::ButtonText);       // clBtnText
    case 0x11: return pal.color(QPalette::Disabled, QPalette::Text);  // clGrayText
    case 0x04: return pal.color(QPalette::Window);           // clMenu
    case 0x07: return pal.color(QPalette::WindowText);       // clMenuText
    case 0x02: return pal.color(QPalette::Highlight);        // clActiveCaption
    case 0x09: return pal.color(QPalette::HighlightedText);  // clCaptionText
    case 0x03: return pal.color(QPalette::Inactive, QPalette::Highlight);
    case 0x13: return pal.color(QPalette::Inactive, QPalette::HighlightedText);
    case 0x0C: return pal.color(QPalette::Dark);             // clAppWorkSpace
    case 0x06: return pal.color(QPalette::Shadow);           // clWindowFrame
    default: return pal.color(QPalette::Window);
  }
}
}  // namespace

QColor ToQColor(TColor color) {
  if (IsSystemColor(color)) return SystemColor(static_cast<std::uint8_t>(color & 0xFF));
  if (color == clNone) return QColor(Qt::transparent);
  const auto v = static_cast<std::uint32_t>(color);
  return QColor(v & 0xFF, (v >> 8) & 0xFF, (v >> 16) & 0xFF);
}

TColor FromQColor(const QColor& color) { return RGBColor(color.red(), color.green(), color.blue()); }
