// GDI handles: exact pixel copies, and null or deleted handles refused, never dereferenced.
#include "toolkit/winapi/GdiObjects.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

TEST(Gdi, MemoryContextCopiesExactPixels)
{
    int before = GdiLiveObjectCount();
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 4, 3);
    ReleaseDC(nullptr, screen);
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, bmp);
    ASSERT_NE(old, nullptr);
    SetPixel(mem, 1, 2, 0x123456);
    EXPECT_EQ(GetPixel(mem, 1, 2), 0x123456u);

    QImage target(10, 10, QImage::Format_RGB32);
    target.fill(Qt::white);
    RECT clip{5, 5, 7, 7};
    HDC win = CreateImageDC(&target, 5, 5, &clip);  // a 2x2 control at (5,5)
    EXPECT_TRUE(BitBlt(win, -1, -2, 4, 3, mem, 0, 0, SRCCOPY));
    // Source (1,2) lands on logical (0,0) = device (5,5); the rest is clipped away.
    EXPECT_EQ(target.pixel(5, 5) & 0xFFFFFF, 0x563412u);
    EXPECT_EQ(target.pixel(4, 4) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(target.pixel(7, 7) & 0xFFFFFF, 0xFFFFFFu);
    DeleteDC(win);

    EXPECT_FALSE(DeleteObject(bmp));  // still selected
    SelectObject(mem, old);
    EXPECT_TRUE(DeleteDC(mem));
    EXPECT_TRUE(DeleteObject(bmp));
    EXPECT_EQ(GdiLiveObjectCount(), before);
}

TEST(Gdi, NullAndDeletedHandlesAreRefused)
{
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(nullptr, 2, 2);
    HBRUSH brush = CreateSolidBrush(0xFF);
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_FALSE(DeleteObject(brush));
    EXPECT_EQ(SelectObject(mem, brush), nullptr);
    RECT r{0, 0, 1, 1};
    EXPECT_EQ(FillRect(mem, &r, brush), 0);
    EXPECT_TRUE(DeleteDC(mem));
    EXPECT_FALSE(DeleteDC(mem));
    EXPECT_EQ(SelectObject(mem, bmp), nullptr);
    EXPECT_FALSE(BitBlt(mem, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
    EXPECT_EQ(CreateCompatibleDC(mem), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(mem, 1, 1), nullptr);
    EXPECT_EQ(ReleaseDC(nullptr, nullptr), 0);
    EXPECT_FALSE(InvalidateRect(reinterpret_cast<HWND>(&r), nullptr, FALSE));
    EXPECT_EQ(GetObjectA(bmp, 60, &r), 0);
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(Gdi, AbsurdBitmapSizesAreRefused)
{
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 5), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
}

}  // namespace
