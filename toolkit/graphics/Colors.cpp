#include "toolkit/graphics/Colors.h"

#include <array>
#include <utility>

namespace {
// clang-format off
constexpr std::array<std::pair<TColor, const char*>, 25> kNames{{
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clBtnFace, "clBtnFace"}, {clWindow, "clWindow"}, {clWindowText, "clWindowText"},
    {clBtnShadow, "clBtnShadow"}, {clBtnText, "clBtnText"}, {clBtnHighlight, "clBtnHighlight"},
    {clHighlight, "clHighlight"}, {clInfoBk, "clInfoBk"}, {clNone, "clNone"},
}};
// clang-format on
}  // namespace

uint32_t ColorToRGB(TColor color)
{
    if (color >= 0) return static_cast<uint32_t>(color) & 0xFFFFFF;
    switch (color) {
    case clBtnFace: return RGB(0xC0, 0xC0, 0xC0);
    case clWindow: return RGB(0xFF, 0xFF, 0xFF);
    case clWindowText: return RGB(0, 0, 0);
    case clBtnShadow: return RGB(0x80, 0x80, 0x80);
    case clBtnText: return RGB(0, 0, 0);
    case clBtnHighlight: return RGB(0xFF, 0xFF, 0xFF);
    case clHighlight: return RGB(0, 0, 0x80);
    case clInfoBk: return RGB(0xFF, 0xFF, 0xE1);
    default: return static_cast<uint32_t>(color) & 0xFFFFFF;
    }
}

std::optional<std::string> ColorToIdent(TColor color)
{
    for (auto& [value, name] : kNames)
        if (value == color) return std::string(name);
    return std::nullopt;
}

std::optional<TColor> IdentToColor(const std::string& ident)
{
    for (auto& [value, name] : kNames)
        if (ident == name) return value;
    return std::nullopt;
}
