// Windows bitmap files (BITMAPFILEHEADER + BITMAPINFOHEADER and its later versions).
// Every size in the headers is checked against the data before anything is allocated.
#include "toolkit/graphics/Bitmap.h"

#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr uint32_t FileHeaderSize = 14;
constexpr uint32_t InfoHeaderSize = 40;
constexpr uint32_t BI_RGB = 0;
// Bitmaps are limited like CreateCompatibleBitmap: no side over 32767, at most 2^28 pixels.
constexpr int64_t MaxSide = 32767;
constexpr int64_t MaxPixels = int64_t{1} << 28;

[[noreturn]] void Invalid(const std::string& what) { throw EInvalidGraphic(AnsiString("Invalid bitmap: " + what)); }

class Bytes {
public:
    explicit Bytes(const std::string& data) : p(reinterpret_cast<const uint8_t*>(data.data())), n(data.size()) {}
    std::size_t Size() const { return n; }
    const uint8_t* At(std::size_t offset) const { return p + offset; }
    uint16_t U16(std::size_t o) const { return static_cast<uint16_t>(p[o] | p[o + 1] << 8); }
    uint32_t U32(std::size_t o) const
    {
        return static_cast<uint32_t>(p[o]) | static_cast<uint32_t>(p[o + 1]) << 8 | static_cast<uint32_t>(p[o + 2]) << 16 |
               static_cast<uint32_t>(p[o + 3]) << 24;
    }
    int32_t I32(std::size_t o) const { return static_cast<int32_t>(U32(o)); }

private:
    const uint8_t* p;
    std::size_t n;
};

struct Header {
    int64_t width = 0;
    int64_t height = 0;  // rows; positive
    bool topDown = false;
    int bits = 0;
    uint64_t rowBytes = 0;
    uint32_t pixelOffset = 0;
    std::vector<uint32_t> palette;  // 0x00RRGGBB as stored (B, G, R, reserved)
};

Header ParseHeader(const Bytes& b)
{
    if (b.Size() < FileHeaderSize + 4)
        Invalid("the data is truncated (" + std::to_string(b.Size()) + " bytes, the headers need at least 18)");
    if (b.At(0)[0] != 'B' || b.At(0)[1] != 'M') Invalid("not a Windows bitmap file (no 'BM' signature)");
    uint32_t fileSize = b.U32(2);
    if (fileSize > b.Size())
        Invalid("the file header gives " + std::to_string(fileSize) + " bytes but only " + std::to_string(b.Size()) +
                " are present");
    uint32_t infoSize = b.U32(14);
    if (infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 && infoSize != 124)
        Invalid("unsupported information header size " + std::to_string(infoSize));
    if (FileHeaderSize + uint64_t{infoSize} > b.Size()) Invalid("the information header is truncated");

    Header h;
    h.width = b.I32(18);
    int64_t height = b.I32(22);
    uint16_t planes = b.U16(26);
    h.bits = b.U16(28);
    uint32_t compression = b.U32(30);
    uint32_t colorsUsed = b.U32(46);
    h.pixelOffset = b.U32(10);

    if (h.width <= 0 || height == 0) Invalid("invalid size " + std::to_string(h.width) + " x " + std::to_string(height));
    h.topDown = height < 0;
    h.height = height < 0 ? -height : height;
    if (h.width > MaxSide || h.height > MaxSide || h.width * h.height > MaxPixels)
        Invalid("the size " + std::to_string(h.width) + " x " + std::to_string(h.height) + " is too large");
    if (planes != 1) Invalid("unsupported number of planes " + std::to_string(planes));
    if (h.bits != 1 && h.bits != 4 && h.bits != 8 && h.bits != 24 && h.bits != 32)
        Invalid("unsupported colour depth of " + std::to_string(h.bits) + " bits per pixel");
    if (compression != BI_RGB)
        Invalid("unsupported compression " + std::to_string(compression) + " (only uncompressed bitmaps are read)");

    uint64_t tableStart = FileHeaderSize + uint64_t{infoSize};
    if (h.bits <= 8) {
        uint32_t maxColors = 1u << h.bits;
        uint32_t count = colorsUsed ? colorsUsed : maxColors;
        if (count > maxColors) Invalid("the colour table has " + std::to_string(count) + " entries, more than the depth allows");
        if (tableStart + uint64_t{count} * 4 > b.Size()) Invalid("the colour table is truncated");
        h.palette.resize(count);
        for (uint32_t i = 0; i < count; ++i) h.palette[i] = b.U32(tableStart + uint64_t{i} * 4) & 0xFFFFFF;
        tableStart += uint64_t{count} * 4;
    }
    if (h.pixelOffset < tableStart)
        Invalid("the pixel data offset " + std::to_string(h.pixelOffset) + " lies inside the headers");

    h.rowBytes = (static_cast<uint64_t>(h.width) * static_cast<uint64_t>(h.bits) + 31) / 32 * 4;
    uint64_t need = h.rowBytes * static_cast<uint64_t>(h.height);
    if (h.pixelOffset > b.Size() || need > b.Size() - h.pixelOffset)
        Invalid("the pixel data is truncated (" + std::to_string(need) + " bytes needed, " +
                std::to_string(h.pixelOffset > b.Size() ? 0 : b.Size() - h.pixelOffset) + " present)");
    return h;
}

// One stored row into B, G, R triples.
void DecodeRow(const Header& h, const uint8_t* src, uint8_t* dst)
{
    auto fromPalette = [&](uint32_t index, uint8_t* out) {
        uint32_t c = index < h.palette.size() ? h.palette[index] : 0;  // out-of-table indices are black
        out[0] = static_cast<uint8_t>(c);
        out[1] = static_cast<uint8_t>(c >> 8);
        out[2] = static_cast<uint8_t>(c >> 16);
    };
    for (int64_t x = 0; x < h.width; ++x) {
        uint8_t* out = dst + x * 3;
        switch (h.bits) {
        case 24: std::memcpy(out, src + x * 3, 3); break;
        case 32: std::memcpy(out, src + x * 4, 3); break;
        case 8: fromPalette(src[x], out); break;
        case 4: fromPalette((src[x / 2] >> (x % 2 ? 0 : 4)) & 0x0F, out); break;
        case 1: fromPalette((src[x / 8] >> (7 - x % 8)) & 1, out); break;
        }
    }
}

void Put16(std::string& s, uint16_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}
void Put32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

void TBitmap::LoadFromData(const std::string& data)
{
    if (data.empty()) {  // an empty bitmap is stored as no data
        TBitmap empty;
        empty.SetPixelFormat(FPixelFormat);
        Assign(&empty);
        return;
    }
    Bytes b(data);
    Header h = ParseHeader(b);
    // Build aside, so that a failure leaves this bitmap untouched.
    TBitmap next;
    next.SetPixelFormat(h.bits == 32 ? pf32bit : pf24bit);
    next.SetSize(static_cast<int>(h.width), static_cast<int>(h.height));
    std::vector<uint8_t> row(static_cast<std::size_t>(h.width) * 3);
    for (int64_t i = 0; i < h.height; ++i) {
        const uint8_t* src = b.At(h.pixelOffset + static_cast<std::size_t>(i) * h.rowBytes);
        int y = static_cast<int>(h.topDown ? i : h.height - 1 - i);
        uint8_t* dst = next.ScanLine(y);
        if (h.bits == 32) {
            for (int64_t x = 0; x < h.width; ++x) {
                std::memcpy(dst + x * 4, src + x * 4, 3);
                dst[x * 4 + 3] = 0xFF;
            }
        } else if (h.bits == 24) {
            std::memcpy(dst, src, row.size());
        } else {
            DecodeRow(h, src, row.data());
            std::memcpy(dst, row.data(), row.size());
        }
    }
    Assign(&next);
}

std::string TBitmap::SaveToData() const
{
    if (Empty()) return {};
    int bits = FPixelFormat == pf24bit ? 24 : 32;
    uint32_t rowBytes = (static_cast<uint32_t>(Width()) * bits + 31) / 32 * 4;
    uint32_t imageSize = rowBytes * static_cast<uint32_t>(Height());
    uint32_t offset = FileHeaderSize + InfoHeaderSize;

    std::string s;
    s.reserve(offset + imageSize);
    s += "BM";
    Put32(s, offset + imageSize);
    Put32(s, 0);  // reserved
    Put32(s, offset);
    Put32(s, InfoHeaderSize);
    Put32(s, static_cast<uint32_t>(Width()));
    Put32(s, static_cast<uint32_t>(Height()));  // positive: bottom-up
    Put16(s, 1);
    Put16(s, static_cast<uint16_t>(bits));
    Put32(s, BI_RGB);
    Put32(s, imageSize);
    Put32(s, 0);  // pixels per metre, x and y: unspecified
    Put32(s, 0);
    Put32(s, 0);  // colours used, important
    Put32(s, 0);
    std::size_t used = static_cast<std::size_t>(Width()) * (bits / 8);
    for (int y = Height() - 1; y >= 0; --y) {
        const uint8_t* row = ScanLine(y);
        if (bits == 24) s.append(reinterpret_cast<const char*>(row), used);
        else
            for (int x = 0; x < Width(); ++x) {
                s.append(reinterpret_cast<const char*>(row + static_cast<std::size_t>(x) * 4), 3);
                s += '\0';
            }
        s.append(rowBytes - used, '\0');
    }
    return s;
}
