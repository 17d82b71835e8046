#pragma once
// Colour codes: six hexadecimal digits into red, green and blue, and a colour into "#RRGGBB".
#include "toolkit/graphics/Colors.h"
#include "toolkit/system/AnsiString.h"

#include <optional>
#include <string_view>

enum class THexCodeResult { Ok, WrongLength, BadValue };

struct TDecomposedColour {
    THexCodeResult Result = THexCodeResult::Ok;
    int Red = 0;
    int Green = 0;
    int Blue = 0;
    TColor Colour = clBlack;
    bool Ok() const { return Result == THexCodeResult::Ok; }
};

// Reads bytes the way sscanf's "%X" reads into a signed 32-bit int: leading blanks, a sign,
// an optional 0x whose zero counts, then digits up to the first byte that does not fit.
// Empty when no number can be read.
std::optional<int> ScanHex(std::string_view bytes);

// Exactly six bytes, read as three pairs; a pair that holds no number or exceeds 255 is bad.
TDecomposedColour DecomposeHexCode(const AnsiString& text);

// Low eight bits of each component, as 0x00BBGGRR.
TColor ColourFromComponents(int red, int green, int blue);

// "#RRGGBB" with upper-case digits.
AnsiString FormatWebCode(TColor colour);

// A component as the "%i" format writes it.
AnsiString FormatComponent(int value);

// The message shown for a failed decomposition (CP932); empty for success.
AnsiString HexCodeMessage(THexCodeResult result);
