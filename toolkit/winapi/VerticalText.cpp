// Vertical faces: cells along the baseline, upright full-width characters, vertical forms.
#include "toolkit/winapi/VerticalText.h"

#include <QFont>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <QTextLayout>

#include <cmath>
#include <cstring>

namespace {

bool IsFullWidth(QChar c)
{
    // What the ANSI code page writes with two bytes: everything but ASCII and half-width kana.
    ushort u = c.unicode();
    return u >= 0x80 && !(u >= 0xFF61 && u <= 0xFF9F);
}

int EmOf(const QFont& font) { return font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height(); }

// Without a vertical form in the font: signs that run along the line are drawn turned with it...
bool TurnsWithTheLine(QChar c)
{
    static const QString signs = QString::fromUtf8("ー―‐－～〜…‥＝「」『』（）【】〈〉《》〔〕［］｛｝＜＞");
    return signs.contains(c);
}

// ...and the marks that sit low and left in a row sit high and right in a column.
QPointF UprightShift(QChar c, int em)
{
    static const QString stops = QString::fromUtf8("、。，．");
    static const QString small = QString::fromUtf8("ぁぃぅぇぉっゃゅょゎァィゥェォッャュョヮヵヶ");
    if (stops.contains(c)) return {0.55 * em, -0.55 * em};
    if (small.contains(c)) return {0.1 * em, -0.1 * em};
    return {};
}

// The glyph Qt picks for one character, in whichever installed face has it.
bool GlyphOf(const QFont& font, QChar c, QRawFont& raw, quint32& glyph)
{
    QTextLayout layout(QString(c), font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.isEmpty() || runs.first().glyphIndexes().isEmpty()) return false;
    raw = runs.first().rawFont();
    glyph = runs.first().glyphIndexes().first();
    return true;
}

// The origin is put on a whole device pixel, as Qt puts the glyphs of a line, so that a glyph
// stood up in its cell is drawn like the same glyph in a row at any device pixel ratio.
void DrawGlyph(QPainter& p, const QRawFont& raw, quint32 glyph, QPointF origin)
{
    const QTransform toDevice = p.combinedTransform();
    const QPointF device = toDevice.map(origin);
    origin = toDevice.inverted().map(QPointF(std::round(device.x()), std::round(device.y())));
    QGlyphRun run;
    run.setRawFont(raw);
    run.setGlyphIndexes({glyph});
    run.setPositions({QPointF(0, 0)});
    p.drawGlyphRun(origin, run);
}

void DrawFullWidth(QPainter& p, const QFont& font, QChar c, const TTextCell& cell, int lineHeight)
{
    QRawFont raw;
    quint32 glyph = 0;
    if (!GlyphOf(font, c, raw, glyph)) return;
    const int em = cell.Length;
    const quint32 vertical = VerticalAlternate(raw, glyph);
    const int advance = static_cast<int>(std::lround(raw.advancesForGlyphIndexes(QList<quint32>{glyph}).value(0).x()));
    p.save();
    if (vertical == glyph && TurnsWithTheLine(c)) {
        // Already lying along the line: centred in its cell, on a whole pixel.
        const int x = cell.Start + (em - advance) / 2;
        DrawGlyph(p, raw, glyph, QPointF(x, QFontMetrics(font).ascent()));
    } else {
        // Stood up in the middle of its cell; the ideographic em box (0.88 em above the baseline,
        // 0.12 below) centred on the cell's centre.
        // Whole pixels throughout, so that the glyph lands on the pixel grid.
        const int centreX = cell.Start + em / 2;
        const int centreY = lineHeight / 2;
        const int halfAdvance = advance / 2;
        p.translate(centreX, centreY);
        p.rotate(-90);
        QPointF origin(-halfAdvance, std::lround(0.38 * em));
        if (vertical == glyph) origin += UprightShift(c, em);
        DrawGlyph(p, raw, vertical, QPointF(std::round(origin.x()), std::round(origin.y())));
    }
    p.restore();
}

}  // namespace

bool IsVerticalFace(const LOGFONTA& log) { return log.lfFaceName[0] == '@'; }

std::string FaceNameOf(const LOGFONTA& log)
{
    std::size_t len = strnlen(log.lfFaceName, LF_FACESIZE);
    std::string face(log.lfFaceName, len);
    if (!face.empty() && face[0] == '@') face.erase(0, 1);
    return face;
}

std::vector<TTextCell> VerticalFaceCells(const QFont& font, const QString& text)
{
    QFontMetrics m(font);
    const int em = EmOf(font);
    std::vector<TTextCell> cells;
    cells.reserve(static_cast<std::size_t>(text.size()));
    int at = 0;
    for (QChar c : text) {
        bool full = IsFullWidth(c);
        int length = full ? em : m.horizontalAdvance(c);
        cells.push_back({at, length, full});
        at += length;
    }
    return cells;
}

int VerticalFaceAdvance(const QFont& font, const QString& text)
{
    std::vector<TTextCell> cells = VerticalFaceCells(font, text);
    return cells.empty() ? 0 : cells.back().Start + cells.back().Length;
}

void DrawVerticalFaceLine(QPainter& p, const QFont& font, const QString& text)
{
    QFontMetrics m(font);
    std::vector<TTextCell> cells = VerticalFaceCells(font, text);
    p.setFont(font);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const TTextCell& cell = cells[static_cast<std::size_t>(i)];
        if (cell.FullWidth) DrawFullWidth(p, font, text[i], cell, m.height());
        else p.drawText(QPoint(cell.Start, m.ascent()), QString(text[i]));
    }
}
