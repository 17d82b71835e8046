#pragma once
// Toolkit-internal: lines drawn with a vertical face (a face name with a leading "@"). Along the
// baseline every full-width character takes a cell one em long and stands turned back by 90
// degrees, in the font's vertical form where it has one; half-width characters run as usual.
#include "toolkit/winapi/Windows.h"

#include <cstdint>
#include <string>
#include <vector>

class QFont;
class QPainter;
class QRawFont;
class QString;

bool IsVerticalFace(const LOGFONTA& log);
// The face name without the leading "@" of a vertical face.
std::string FaceNameOf(const LOGFONTA& log);

// The font's vertical form of a glyph, or the glyph itself when it has none.
std::uint32_t VerticalAlternate(const QRawFont& font, std::uint32_t glyph);

struct TTextCell {
    int Start = 0;  // along the baseline, from the start of the line
    int Length = 0;
    bool FullWidth = false;
};
// One cell per character of text.
std::vector<TTextCell> VerticalFaceCells(const QFont& font, const QString& text);
// The sum of the cells.
int VerticalFaceAdvance(const QFont& font, const QString& text);
// Draws a line in its baseline frame: the line box's top left at the origin, the baseline at the
// font's ascent; the pen is the painter's.
void DrawVerticalFaceLine(QPainter& p, const QFont& font, const QString& text);
