// Fonts and simple text output. CP932 text is converted to Qt text here, at the edge.
#include "toolkit/system/AnsiString.h"
#include "toolkit/winapi/GdiObjects.h"
#include "toolkit/winapi/VerticalText.h"

#include <QFont>
#include <QFontMetrics>
#include <QPainter>

#include <cstring>

namespace {

// Japanese faces that forms name (MS ゴシック, MS P明朝, ...) map to installed ones.
QStringList Families(const std::string& face)
{
    QString name = QString::fromStdString(face);
    QStringList gothicP{"IPAPGothic", "Noto Sans CJK JP", "Noto Sans JP"};
    QStringList gothic{"IPAGothic", "Noto Sans Mono CJK JP", "Noto Sans CJK JP"};
    QStringList minchoP{"IPAPMincho", "Noto Serif CJK JP", "IPAPGothic", "Noto Sans CJK JP"};
    QStringList mincho{"IPAMincho", "Noto Serif CJK JP", "IPAGothic", "Noto Sans CJK JP"};
    if (name == QString::fromUtf8("ＭＳ Ｐゴシック") || name == "MS PGothic" || name == QString::fromUtf8("ＭＳ ＵＩ ゴシック"))
        return gothicP;
    if (name == QString::fromUtf8("ＭＳ ゴシック") || name == "MS Gothic") return gothic;
    if (name == QString::fromUtf8("ＭＳ Ｐ明朝") || name == "MS PMincho") return minchoP;
    if (name == QString::fromUtf8("ＭＳ 明朝") || name == "MS Mincho") return mincho;
    QStringList all{name};
    all += gothicP;
    return all;
}

QString TextOf(const char* s, int c)
{
    if (!s) return {};
    std::size_t len = c < 0 ? std::strlen(s) : static_cast<std::size_t>(c);
    return QString::fromStdString(AnsiString(s, len).ToUtf8());
}

LOGFONTA DefaultLog()
{
    LOGFONTA lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::string face = AnsiString::FromUtf8("ＭＳ Ｐゴシック").str();
    std::memcpy(lf.lfFaceName, face.data(), std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
    return lf;
}

}  // namespace

QFont QFontFromLog(const LOGFONTA& log)
{
    QFont f;
    // A vertical face is the named face set for vertical writing: the same families.
    f.setFamilies(Families(AnsiString(FaceNameOf(log)).ToUtf8()));
    f.setPixelSize(log.lfHeight == 0 ? 12 : std::abs(log.lfHeight));
    if (log.lfHeight > 0) {
        // A positive height is the whole cell (ascent and descent), not the character height.
        int cell = QFontMetrics(f).height();
        if (cell > log.lfHeight) f.setPixelSize(std::max(1, log.lfHeight * log.lfHeight / cell));
    }
    f.setWeight(log.lfWeight >= 600 ? QFont::Bold : QFont::Normal);
    f.setItalic(log.lfItalic != 0);
    f.setUnderline(log.lfUnderline != 0);
    f.setStrikeOut(log.lfStrikeOut != 0);
    f.setStyleStrategy(QFont::NoSubpixelAntialias);
    return f;
}

HFONT StockFont()
{
    static HFONT stock = [] {
        LOGFONTA lf = DefaultLog();
        return CreateFontIndirectA(&lf);
    }();
    return stock;
}

HFONT CreateFontIndirectA(const LOGFONTA* lplf)
{
    if (!lplf) return nullptr;
    auto* f = new TGdiFont;
    f->Log = *lplf;
    return RegisterGdiObject(f);
}

int GetObjectA(HGDIOBJ h, int c, void* pv)
{
    auto* f = GdiAs<TGdiFont>(h, TGdiKind::Font);
    if (!f) return 0;
    if (!pv) return sizeof(LOGFONTA);
    int n = std::min<int>(c, sizeof(LOGFONTA));
    if (n <= 0) return 0;
    std::memcpy(pv, &f->Log, static_cast<std::size_t>(n));
    return n;
}

namespace {
const LOGFONTA& SelectedLog(TDeviceContext* dc)
{
    auto* f = GdiAs<TGdiFont>(dc->Font, TGdiKind::Font);
    if (!f) f = GdiAs<TGdiFont>(StockFont(), TGdiKind::Font);
    return f->Log;
}
}  // namespace

BOOL GetTextExtentPoint32A(HDC hdc, const char* lpString, int c, SIZE* psizl)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || !psizl || c < 0) return FALSE;
    // Turned or not, the extent is that of the text laid out along its baseline.
    const LOGFONTA& log = SelectedLog(dc);
    QFont font = QFontFromLog(log);
    QFontMetrics m(font);
    QString text = TextOf(lpString, c);
    psizl->cx = IsVerticalFace(log) ? VerticalFaceAdvance(font, text) : m.horizontalAdvance(text);
    psizl->cy = m.height();
    return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, const char* lpString, int c)
{
    TDeviceContext* dc = DCFromHandle(hdc);
    if (!dc || c < 0) return FALSE;
    const LOGFONTA& log = SelectedLog(dc);
    QString text = TextOf(lpString, c);
    WithPainter(hdc, [&](QPainter& p) {
        QFont font = QFontFromLog(log);
        QFontMetrics m(font);
        p.translate(x, y);
        p.rotate(-log.lfEscapement / 10.0);  // counter-clockwise on screen
        const bool vertical = IsVerticalFace(log);
        if (dc->BkMode == OPAQUE) {
            QColor bk(dc->BkColor & 0xFF, (dc->BkColor >> 8) & 0xFF, (dc->BkColor >> 16) & 0xFF);
            int cx = vertical ? VerticalFaceAdvance(font, text) : m.horizontalAdvance(text);
            p.fillRect(QRect(0, 0, cx, m.height()), bk);
        }
        p.setFont(font);
        p.setPen(QColor(dc->TextColor & 0xFF, (dc->TextColor >> 8) & 0xFF, (dc->TextColor >> 16) & 0xFF));
        if (vertical) DrawVerticalFaceLine(p, font, text);
        else p.drawText(QPoint(0, m.ascent()), text);
    });
    return TRUE;
}
