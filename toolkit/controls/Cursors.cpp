#include "toolkit/controls/Cursors.h"

#include "toolkit/controls/CursorShapes.h"

#include <QCursor>
#include <QWidget>

const std::vector<std::pair<std::string, int64_t>>& CursorIdents()
{
    // crSize reads as crSizeAll and is written as it.
    static const std::vector<std::pair<std::string, int64_t>> idents{
        {"crDefault", crDefault},     {"crNone", crNone},           {"crArrow", crArrow},
        {"crCross", crCross},         {"crIBeam", crIBeam},         {"crSizeNESW", crSizeNESW},
        {"crSizeNS", crSizeNS},       {"crSizeNWSE", crSizeNWSE},   {"crSizeWE", crSizeWE},
        {"crUpArrow", crUpArrow},     {"crHourGlass", crHourGlass}, {"crDrag", crDrag},
        {"crNoDrop", crNoDrop},       {"crHSplit", crHSplit},       {"crVSplit", crVSplit},
        {"crMultiDrag", crMultiDrag}, {"crSQLWait", crSQLWait},     {"crNo", crNo},
        {"crAppStart", crAppStart},   {"crHelp", crHelp},           {"crHandPoint", crHandPoint},
        {"crSizeAll", crSizeAll},     {"crSize", crSize},
    };
    return idents;
}

namespace {
Qt::CursorShape CursorShapeOf(TCursor cursor)
{
    switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNESW: return Qt::SizeBDiagCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeNWSE: return Qt::SizeFDiagCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crUpArrow: return Qt::UpArrowCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: return Qt::DragMoveCursor;
    case crNoDrop: return Qt::ForbiddenCursor;
    case crHSplit: return Qt::SplitHCursor;
    case crVSplit: return Qt::SplitVCursor;
    case crMultiDrag: return Qt::DragCopyCursor;
    case crSQLWait: return Qt::BusyCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crAppStart: return Qt::BusyCursor;
    case crHelp: return Qt::WhatsThisCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crSizeAll: return Qt::SizeAllCursor;
    default: return Qt::ArrowCursor;  // crDefault, crArrow and unknown numbers
    }
}
}  // namespace

QCursor CursorOf(TCursor cursor) { return QCursor(CursorShapeOf(cursor)); }

void ShowCursorOn(QWidget* widget, TCursor cursor)
{
    if (!widget) return;
    Qt::CursorShape shape = CursorShapeOf(cursor);
    if (cursor == crDefault) {
        if (widget->testAttribute(Qt::WA_SetCursor)) widget->unsetCursor();
    } else if (!widget->testAttribute(Qt::WA_SetCursor) || widget->cursor().shape() != shape) {
        widget->setCursor(shape);
    }
}
