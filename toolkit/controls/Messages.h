#pragma once
// Message numbers and records; the numbers are fixed, since components send them by number.
// Controls dispatch by number.
#include "toolkit/winapi/Windows.h"

struct TMessage {
    UINT Msg = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 0;
};

constexpr UINT WM_PAINT = 0x000F;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;

constexpr UINT CM_BASE = 0xB000;
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 11;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;  // 0xB00D
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;  // 0xB013
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;  // 0xB014
constexpr UINT CM_PARENTSHOWHINTCHANGED = CM_BASE + 35;

// WM_PAINT carries the device context to draw on in WParam (null: nothing to draw on).
inline HDC PaintDC(const TMessage& m) { return reinterpret_cast<HDC>(m.WParam); }
inline void SetPaintDC(TMessage& m, HDC dc) { m.WParam = reinterpret_cast<WPARAM>(dc); }
