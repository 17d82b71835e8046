// One drag at a time: the source, the control under the mouse and whether it accepts. The
// cursor shows the source's DragCursor over a control that accepts and crNoDrop elsewhere.
#include "toolkit/controls/Application.h"
#include "toolkit/controls/Controls.h"
#include "toolkit/controls/CursorShapes.h"
#include "toolkit/controls/DragTracking.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

namespace {

constexpr int kDefaultThreshold = 5;

struct DragState {
    TControl* source = nullptr;
    TDragObject* object = nullptr;
    bool running = false;  // false: waiting for the mouse to move Threshold pixels
    int threshold = kDefaultThreshold;
    QPoint start;
    QPoint last;  // the mouse's last known screen position
    TControl* target = nullptr;
    bool accepted = false;
    bool cursorShown = false;
    QPointer<QWidget> grabbed;
};

DragState drag;

TObject* SourceObject() { return drag.object ? static_cast<TObject*>(drag.object) : drag.source; }

// The control under a screen point: a windowed control, or the graphic child it shows there.
// The source's own window is looked at first, then whatever window lies under the point.
TControl* ControlAt(QPoint global)
{
    QWidget* w = nullptr;
    if (drag.grabbed) {
        QWidget* top = drag.grabbed->window();
        QPoint local = top->mapFromGlobal(global);
        if (top->rect().contains(local)) w = top->childAt(local) ? top->childAt(local) : top;
    }
    if (!w) w = QApplication::widgetAt(global);
    TWinControl* window = nullptr;
    for (; w && !window; w = w->parentWidget()) window = ControlOfWidget(w);
    if (!window) return nullptr;
    QPoint local = WidgetFromHandle(window->Handle())->mapFromGlobal(global);
    if (TControl* graphic = window->GraphicControlAt(local.x(), local.y())) return graphic;
    return window;
}

QPoint ClientPoint(TControl* c, QPoint global)
{
    int dx = 0, dy = 0;
    TControl* at = c;
    while (at && !dynamic_cast<TWinControl*>(at)) {
        dx += at->Left();
        dy += at->Top();
        at = at->Parent();
    }
    if (!at) return {};
    QPoint local = WidgetFromHandle(static_cast<TWinControl*>(at)->Handle())->mapFromGlobal(global);
    return {local.x() - dx, local.y() - dy};
}

void ShowDragCursor(TCursor cursor)
{
    const QCursor shape = CursorOf(cursor);
    if (drag.cursorShown) QApplication::changeOverrideCursor(shape);
    else QApplication::setOverrideCursor(shape);
    drag.cursorShown = true;
}

void Reset()
{
    if (drag.cursorShown) QApplication::restoreOverrideCursor();
    if (drag.grabbed) drag.grabbed->releaseMouse();
    drag = DragState{};
}

QWidget* WindowOf(TControl* c)
{
    for (TControl* at = c; at; at = at->Parent())
        if (auto* w = dynamic_cast<TWinControl*>(at)) return WidgetFromHandle(w->Handle());
    return nullptr;
}

void Move(QPoint global)
{
    TControl* over = ControlAt(global);
    if (over != drag.target && drag.target) {
        bool ignored = false;
        QPoint p = ClientPoint(drag.target, global);
        TControl* left = drag.target;
        drag.target = nullptr;
        Application->Guard([&] { left->DragOver(SourceObject(), p.x(), p.y(), dsDragLeave, ignored); });
        if (!drag.source) return;
    }
    TDragState state = over == drag.target ? dsDragMove : dsDragEnter;
    drag.target = over;
    drag.accepted = false;
    if (over) {
        QPoint p = ClientPoint(over, global);
        bool accept = false;
        Application->Guard([&] { over->DragOver(SourceObject(), p.x(), p.y(), state, accept); });
        if (!drag.source) return;
        drag.accepted = accept && drag.target == over;
    }
    ShowDragCursor(drag.accepted ? drag.source->DragCursor() : crNoDrop);
}

void Start()
{
    drag.running = true;
    TDragObject* object = nullptr;
    TControl* source = drag.source;
    Application->Guard([&] { source->DoStartDrag(object); });
    if (drag.source != source) return;
    drag.object = object;
    drag.grabbed = WindowOf(source);
    if (drag.grabbed) drag.grabbed->grabMouse();
    Move(drag.last);
}

void Finish(bool drop)
{
    TControl* source = drag.source;
    TControl* target = drop && drag.accepted ? drag.target : nullptr;
    TObject* sourceObject = SourceObject();
    QPoint global = drag.last;
    bool wasRunning = drag.running;
    Reset();
    if (!source || !wasRunning) return;
    QPoint p = target ? ClientPoint(target, global) : ClientPoint(source, global);
    if (target) Application->Guard([&] { target->DragDrop(sourceObject, p.x(), p.y()); });
    Application->Guard([&] { source->DoEndDrag(target, p.x(), p.y()); });
}

}  // namespace

void DragBegin(TControl* source, bool immediate, int threshold)
{
    if (drag.source) return;
    drag.source = source;
    drag.threshold = threshold < 0 ? kDefaultThreshold : threshold;
    drag.start = drag.last;
    if (immediate) Start();
}

void DragEnd(TControl* source, bool drop)
{
    if (drag.source == source) Finish(drop);
}

bool DragRunningFor(const TControl* source) { return source && drag.source == source && drag.running; }

void DragForget(TControl* control)
{
    if (!drag.source) return;
    if (drag.source == control) {
        Reset();
        return;
    }
    if (drag.target == control) {
        drag.target = nullptr;
        drag.accepted = false;
    }
}

bool DragMouseEvent(QMouseEvent* e)
{
    drag.last = e->globalPosition().toPoint();
    if (!drag.source) return false;
    switch (e->type()) {
    case QEvent::MouseMove:
        if (!drag.running) {
            if ((drag.last - drag.start).manhattanLength() < drag.threshold) return false;
            Start();
            return true;
        }
        Move(drag.last);
        return true;
    case QEvent::MouseButtonRelease:
        if (!drag.running) {
            Reset();  // released before it moved far enough: an ordinary click
            return false;
        }
        if (e->button() == Qt::LeftButton) {
            Move(drag.last);
            Finish(true);
        }
        return true;
    case QEvent::MouseButtonPress:
        if (!drag.running) return false;
        if (e->button() == Qt::RightButton) Finish(false);  // a right click cancels
        return true;
    default: return false;
    }
}
