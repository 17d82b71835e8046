// DrawTextA: alignment in a rectangle, prefix underlines, tabs, turned fonts.
#include "toolkit/system/AnsiString.h"
#include "toolkit/winapi/GdiObjects.h"
#include "toolkit/winapi/VerticalText.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cstring>
#include <vector>

namespace {

struct Line {
    QString text;
    int underline = -1;  // index in text of the character to underline
};

// Splits CP932 bytes into lines, applying the prefix rule and tab expansion.
std::vector<Line> Layout(const char* bytes, int count, UINT format)
{
    std::size_t len = count < 0 ? std::strlen(bytes) : static_cast<std::size_t>(count);
    QString text = QString::fromStdString(AnsiString(bytes, len).ToUtf8());
    std::vector<Line> lines(1);
    bool prefix = !(format & DT_NOPREFIX);
    bool single = format & DT_SINGLELINE;
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar c = text[i];
        Line& line = lines.back();
        if (c == '\r' || c == '\n') {
            if (single) continue;  // one line: breaks are dropped
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            lines.emplace_back();
            continue;
        }
        if (c == '\t' && (format & DT_EXPANDTABS)) {
            do {
                line.text += ' ';
            } while (line.text.size() % 8 != 0);
            continue;
        }
        if (c == '&' && prefix) {
            if (i + 1 < text.size() && text[i + 1] == '&') {
                line.text += '&';
                ++i;
            } else if (i + 1 < text.size()) {
                line.underline = static_cast<int>(line.text.size());
            }
            continue;
        }
        line.text += c;
    }
    return lines;
}

// Start and length of the character at index i along the baseline.
std::pair<int, int> CharacterSpan(const QFont& font, bool vertical, const QString& text, int i)
{
    if (vertical) {
        TTextCell cell = VerticalFaceCells(font, text).at(static_cast<std::size_t>(i));
        return {cell.Start, cell.Length};
    }
    QFontMetrics m(font);
    return {m.horizontalAdvance(text.left(i)), m.horizontalAdvance(text.mid(i, 1))};
}

QColor Q(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

}  // namespace

int DrawTextA(HDC hdc, const char* lpchText, int cchText, RECT* lprc, UINT format)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || !lprc || !lpchText) return 0;
    auto* fontObj = GdiAs<TGdiFont>(dc->Font, TGdiKind::Font);
    if (!fontObj) fontObj = GdiAs<TGdiFont>(StockFont(), TGdiKind::Font);
    const LOGFONTA log = fontObj->Log;
    QFont font = QFontFromLog(log);
    QFontMetrics m(font);
    std::vector<Line> lines = Layout(lpchText, cchText, format);
    int lineHeight = m.height();
    int total = lineHeight * static_cast<int>(lines.size());
    const bool vertical = IsVerticalFace(log);
    auto advance = [&](const QString& text) { return vertical ? VerticalFaceAdvance(font, text) : m.horizontalAdvance(text); };

    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const Line& l : lines) widest = std::max(widest, advance(l.text));
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + total;
        return total;
    }

    // Offsets are taken from the left and top edge, so that a rectangle moved by one pixel
    // moves the text by exactly one pixel.
    int y = lprc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_BOTTOM) y = lprc->bottom - lineHeight;
        else if (format & DT_VCENTER) y = lprc->top + (lprc->bottom - lprc->top - lineHeight) / 2;
    }
    WithPainter(hdc, [&](QPainter& p) {
        if (!(format & DT_NOCLIP))
            p.setClipRect(QRect(QPoint(lprc->left, lprc->top), QPoint(lprc->right - 1, lprc->bottom - 1)), Qt::IntersectClip);
        p.setFont(font);
        for (const Line& line : lines) {
            int cx = advance(line.text);
            int x = lprc->left;
            if (format & DT_RIGHT) x = lprc->right - cx;
            else if (format & DT_CENTER) x = lprc->left + (lprc->right - lprc->left - cx) / 2;
            p.save();
            p.translate(x, y);
            p.rotate(-log.lfEscapement / 10.0);
            if (dc->BkMode == OPAQUE) p.fillRect(QRect(0, 0, cx, lineHeight), Q(dc->BkColor));
            p.setPen(Q(dc->TextColor));
            if (vertical) DrawVerticalFaceLine(p, font, line.text);
            else p.drawText(QPoint(0, m.ascent()), line.text);
            if (line.underline >= 0 && line.underline < line.text.size()) {
                auto [ux, uw] = CharacterSpan(font, vertical, line.text, line.underline);
                p.fillRect(QRect(ux, m.ascent() + 1, uw, std::max(1, m.lineWidth())), Q(dc->TextColor));
            }
            p.restore();
            y += lineHeight;
        }
    });
    return total;
}
