#pragma once
// Colours as the program stores them: a 32-bit value with red in the low
// byte, or, with the top byte 0x80, a system colour named by its index in the
// low byte. System colours are resolved through the application's palette.

#include <QColor>
#include <cstdint>

using TColor = std::int32_t;

constexpr TColor SysColor(std::uint8_t index) { return static_cast<TColor>(0x80000000u | index); }
constexpr TColor RGBColor(int r, int g, int b) { return static_cast<TColor>(r | (g << 8) | (b << 16)); }
constexpr bool IsSystemColor(TColor c) { return (static_cast<std::uint32_t>(c) & 0xFF000000u) == 0x80000000u; }

constexpr TColor clScrollBar = SysColor(0x00);
constexpr TColor clBackground = SysColor(0x01);
constexpr TColor clActiveCaption = SysColor(0x02);
constexpr TColor clInactiveCaption = SysColor(0x03);
constexpr TColor clMenu = SysColor(0x04);
constexpr TColor clWindow = SysColor(0x05);
constexpr TColor clWindowFrame = SysColor(0x06);
constexpr TColor clMenuText = SysColor(0x07);
constexpr TColor clWindowText = SysColor(0x08);
constexpr TColor clCaptionText = SysColor(0x09);
constexpr TColor clActiveBorder = SysColor(0x0A);
constexpr TColor clInactiveBorder = SysColor(0x0B);
constexpr TColor clAppWorkSpace = SysColor(0x0C);
constexpr TColor clHighlight = SysColor(0x0D);
constexpr TColor clHighlightText = SysColor(0x0E);
constexpr TColor clBtnFace = SysColor(0x0F);
constexpr TColor clBtnShadow = SysColor(0x10);
constexpr TColor clGrayText = SysColor(0x11);
constexpr TColor clBtnText = SysColor(0x12);
constexpr TColor clInactiveCaptionText = SysColor(0x13);
constexpr TColor clBtnHighlight = SysColor(0x14);
constexpr TColor cl3DDkShadow = SysColor(0x15);
constexpr TColor cl3DLight = SysColor(0x16);
constexpr TColor clInfoText = SysColor(0x17);
constexpr TColor clInfoBk = SysColor(0x18);

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The colour to paint with; system colours come from the application palette.
QColor ToQColor(TColor color);
// An RGB value (never a system colour) for a painted colour.
TColor FromQColor(const QColor& color);
