// A 32-bit top-down DIB section selected into a memory device context, the
// way the program holds its pictures: tests draw into it and read its
// pixels (0x00RRGGBB) without a window.
#ifndef SCRIVELANDER_TEST_PICTURE_H
#define SCRIVELANDER_TEST_PICTURE_H

#include <windows.h>
#include <stdint.h>
#include <string.h>

struct TestPicture {
    int width, height;
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    uint32_t* pixels;
};

// Every byte of the pixels is `fill` (0xFF: white).
inline TestPicture MakeTestPicture(int width, int height, uint8_t fill = 0xFF)
{
    TestPicture p = { width, height, NULL, NULL, NULL, nullptr };
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    p.bitmap = CreateDIBSection(NULL, &info, DIB_RGB_COLORS, &bits, NULL, 0);
    if (!p.bitmap)
        return p;
    p.pixels = (uint32_t*)bits;
    memset(p.pixels, fill, (size_t)width * height * 4);
    p.dc = CreateCompatibleDC(NULL);
    p.previous = SelectObject(p.dc, p.bitmap);
    return p;
}

inline void ReleaseTestPicture(TestPicture& p)
{
    if (p.dc) {
        SelectObject(p.dc, p.previous);
        DeleteDC(p.dc);
    }
    if (p.bitmap)
        DeleteObject(p.bitmap);
    p = TestPicture();
}

#endif
