#pragma once
// The Win32 types and GDI/USER calls the components make, with their original names and
// signatures. Handles are opaque; a null or deleted handle is refused, never dereferenced.
#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = unsigned int;
using LONG = int32_t;
using COLORREF = DWORD;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

struct HDC__;
struct HGDIOBJ__;
struct HWND__;
using HDC = HDC__*;
using HGDIOBJ = HGDIOBJ__*;
using HBITMAP = HGDIOBJ;
using HBRUSH = HGDIOBJ;
using HPEN = HGDIOBJ;
using HFONT = HGDIOBJ;
using HWND = HWND__*;

struct RECT {
    LONG left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const RECT&, const RECT&) = default;
};
struct POINT {
    LONG x = 0, y = 0;
};
struct SIZE {
    LONG cx = 0, cy = 0;
};
using TRect = RECT;
using TPoint = POINT;
inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Device contexts. GetDC(nullptr) gives the screen's context.
HDC GetDC(HWND hWnd);
int ReleaseDC(HWND hWnd, HDC hDC);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h);
BOOL DeleteObject(HGDIOBJ ho);
BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop);

// Drawing.
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr);
COLORREF SetTextColor(HDC hdc, COLORREF color);
int SetBkMode(HDC hdc, int mode);
COLORREF GetPixel(HDC hdc, int x, int y);
COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color);

// Blending (msimg32). No per-pixel alpha here: AlphaFormat must be 0.
constexpr BYTE AC_SRC_OVER = 0x00;
constexpr BYTE AC_SRC_ALPHA = 0x01;
struct BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
};
static_assert(sizeof(BLENDFUNCTION) == 4);
BOOL AlphaBlend(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc, int xoriginSrc, int yoriginSrc,
                int wSrc, int hSrc, BLENDFUNCTION ftn);

// System libraries (kernel32): a table of the libraries this system provides, looked up by
// file name, case-insensitive, ".dll" implied. Loads are counted per library.
struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
using FARPROC = intptr_t (*)();
HMODULE LoadLibraryA(const char* lpLibFileName);
HMODULE GetModuleHandleA(const char* lpModuleName);  // null unless loaded
FARPROC GetProcAddress(HMODULE hModule, const char* lpProcName);
BOOL FreeLibrary(HMODULE hLibModule);

// Windows.
BOOL InvalidateRect(HWND hWnd, const RECT* lpRect, BOOL bErase);
BOOL OffsetRect(RECT* lprc, int dx, int dy);

// The number of live GDI objects and device contexts (leak checks in tests).
int GdiLiveObjectCount();

// Fonts. LOGFONTA is 60 bytes, laid out as stored form and settings data expect.
using CHAR = char;
constexpr int LF_FACESIZE = 32;
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;  // tenths of a degree, counter-clockwise
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    CHAR lfFaceName[LF_FACESIZE];  // CP932
};
static_assert(sizeof(LOGFONTA) == 60);

constexpr LONG FW_NORMAL = 400;
constexpr LONG FW_BOLD = 700;
constexpr BYTE ANSI_CHARSET = 0;
constexpr BYTE DEFAULT_CHARSET = 1;
constexpr BYTE SHIFTJIS_CHARSET = 128;

HFONT CreateFontIndirectA(const LOGFONTA* lplf);
int GetObjectA(HGDIOBJ h, int c, void* pv);
BOOL GetTextExtentPoint32A(HDC hdc, const char* lpString, int c, SIZE* psizl);
BOOL TextOutA(HDC hdc, int x, int y, const char* lpString, int c);

// Text in a rectangle. "&" underlines the next character and "&&" draws one "&" unless
// DT_NOPREFIX is given. A font with escapement draws turned about the point a horizontal
// layout would start at.
constexpr UINT DT_TOP = 0x0;
constexpr UINT DT_LEFT = 0x0;
constexpr UINT DT_CENTER = 0x1;
constexpr UINT DT_RIGHT = 0x2;
constexpr UINT DT_VCENTER = 0x4;
constexpr UINT DT_BOTTOM = 0x8;
constexpr UINT DT_WORDBREAK = 0x10;
constexpr UINT DT_SINGLELINE = 0x20;
constexpr UINT DT_EXPANDTABS = 0x40;
constexpr UINT DT_NOCLIP = 0x100;
constexpr UINT DT_CALCRECT = 0x400;
constexpr UINT DT_NOPREFIX = 0x800;
int DrawTextA(HDC hdc, const char* lpchText, int cchText, RECT* lprc, UINT format);
