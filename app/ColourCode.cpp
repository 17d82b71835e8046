#include "app/ColourCode.h"

#include <cstdint>
#include <cstdio>

namespace {

bool IsBlank(unsigned char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

int HexDigit(unsigned char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::optional<int> ScanHex(std::string_view bytes)
{
    // A NUL ends the text, as it does for the C library.
    bytes = bytes.substr(0, bytes.find('\0'));
    std::size_t i = 0;
    while (i < bytes.size() && IsBlank(static_cast<unsigned char>(bytes[i]))) ++i;
    bool negative = false;
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) negative = bytes[i++] == '-';
    bool digits = false;
    if (i + 1 < bytes.size() && bytes[i] == '0' && (bytes[i + 1] == 'x' || bytes[i + 1] == 'X')) {
        digits = true;  // the prefix's zero is a digit of its own
        i += 2;
    }
    // The C library converts in 64 bits, saturating on overflow, and keeps the low 32 bits.
    uint64_t value = 0;
    bool overflow = false;
    for (; i < bytes.size(); ++i) {
        int d = HexDigit(static_cast<unsigned char>(bytes[i]));
        if (d < 0) break;
        if (value > (UINT64_MAX >> 4)) overflow = true;
        value = value * 16 + static_cast<uint64_t>(d);
        digits = true;
    }
    if (!digits) return std::nullopt;
    if (overflow) value = UINT64_MAX;
    else if (negative) value = 0u - value;
    return static_cast<int32_t>(static_cast<uint32_t>(value));
}

TDecomposedColour DecomposeHexCode(const AnsiString& text)
{
    TDecomposedColour result;
    if (text.Length() != 6) {
        result.Result = THexCodeResult::WrongLength;
        return result;
    }
    int* components[] = {&result.Red, &result.Green, &result.Blue};
    for (int pair = 0; pair < 3; ++pair) {
        std::optional<int> value = ScanHex(std::string_view(text.str()).substr(static_cast<std::size_t>(pair) * 2, 2));
        if (!value || *value > 255) return TDecomposedColour{THexCodeResult::BadValue};
        *components[pair] = *value;
    }
    result.Colour = ColourFromComponents(result.Red, result.Green, result.Blue);
    return result;
}

TColor ColourFromComponents(int red, int green, int blue)
{
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

AnsiString FormatWebCode(TColor colour)
{
    auto c = static_cast<uint32_t>(colour);
    char code[8];
    std::snprintf(code, sizeof code, "#%02X%02X%02X", c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
    return AnsiString(code);
}

AnsiString FormatComponent(int value)
{
    char text[16];
    std::snprintf(text, sizeof text, "%i", value);
    return AnsiString(text);
}

AnsiString HexCodeMessage(THexCodeResult result)
{
    switch (result) {
    case THexCodeResult::WrongLength: {
        static const AnsiString message = "6桁の16進数で入力"_ansi;
        return message;
    }
    case THexCodeResult::BadValue: {
        static const AnsiString message = "入力間違い"_ansi;
        return message;
    }
    case THexCodeResult::Ok: break;
    }
    return AnsiString();
}
