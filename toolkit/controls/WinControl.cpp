// TWinControl: one widget per windowed control. Custom-painted windows paint into a backing
// image through a device context, then their graphic children in z-order, then show it.
#include "toolkit/controls/WinControl.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/controls/CursorShapes.h"
#include "toolkit/controls/DialogOwner.h"
#include "toolkit/controls/DragTracking.h"
#include "toolkit/controls/Menus.h"
#include "toolkit/controls/RepaintNow.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QEvent>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QToolTip>
#include <QTransform>
#include <QVariant>
#include <QWidget>

#include <algorithm>

class TWinControlPrivate : public QObject {
public:
    explicit TWinControlPrivate(TWinControl* control) : control(control) {}
    ~TWinControlPrivate() override { DestroyWidget(); }

    void DestroyWidget()
    {
        if (!widget) return;
        QWidget* w = widget;
        widget = nullptr;
        UnregisterWindowHandle(w);
        w->removeEventFilter(this);
        delete w;
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != widget) return false;
        switch (event->type()) {
        case QEvent::Paint:
            if (!control->CustomPainted()) return false;
            control->PaintHandler();
            return true;
        case QEvent::Resize: {
            QSize s = widget->size();
            control->Resized(s.width(), s.height());
            return false;
        }
        case QEvent::WindowActivate:
            if (widget->isWindow()) NoteActiveWindow(widget);
            return false;
        case QEvent::Enter: control->MouseEntered(); return false;
        case QEvent::Leave: control->MouseLeft(); return false;
        case QEvent::ToolTip: return ShowToolTip(static_cast<QHelpEvent*>(event));
        case QEvent::Close: {
            bool accept = true;
            Application->Guard([&] { accept = control->CloseRequested(); });
            if (!accept) event->ignore();
            return !accept;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
            if (DragMouseEvent(static_cast<QMouseEvent*>(event))) return true;
            if (!control->CustomPainted()) return false;
            Mouse(static_cast<QMouseEvent*>(event));
            return true;
        default: return false;
        }
    }

    static TMouseButton Button(Qt::MouseButton b)
    {
        return b == Qt::RightButton ? mbRight : b == Qt::MiddleButton ? mbMiddle : mbLeft;
    }

    void Mouse(QMouseEvent* e)
    {
        QPoint p = e->position().toPoint();
        TControl* target = pressedControl;
        if (!target) target = control->GraphicControlAt(p.x(), p.y());
        if (!target) target = control;
        if (target != control && !target->Enabled()) return;
        int x = p.x() - (target == control ? 0 : target->Left());
        int y = p.y() - (target == control ? 0 : target->Top());
        Application->Guard([&] {
            switch (e->type()) {
            case QEvent::MouseButtonPress:
                if (e->button() == Qt::LeftButton) pressedControl = target;
                target->MouseDown(Button(e->button()), 0, x, y);
                break;
            case QEvent::MouseButtonRelease: {
                bool wasPressed = pressedControl == target;
                pressedControl = nullptr;
                target->MouseUp(Button(e->button()), 0, x, y);
                bool inside = x >= 0 && y >= 0 && x < target->Width() && y < target->Height();
                if (wasPressed && inside && e->button() == Qt::LeftButton && (target->ControlStyle() & csClickEvents))
                    target->Click();
                break;
            }
            default: target->MouseMove(0, x, y); break;
            }
        });
        if (e->type() == QEvent::MouseMove) ShowCursorAt(p);
        if (e->type() == QEvent::MouseButtonRelease && e->button() == Qt::RightButton)
            ShowPopupMenu(target, e->globalPosition().toPoint());
    }

    // A graphic child shows its own cursor over the window, unless it leaves it to the window.
    void ShowCursorAt(QPoint p)
    {
        if (!widget) return;
        TControl* over = control->GraphicControlAt(p.x(), p.y());
        TCursor cursor = over && over->Cursor() != crDefault ? over->Cursor() : control->Cursor();
        ShowCursorOn(widget, cursor);
    }

    // The menu of the clicked control, or of the nearest parent that names one.
    static void ShowPopupMenu(TControl* target, QPoint global)
    {
        for (TControl* c = target; c; c = c->Parent()) {
            TPopupMenu* menu = c->PopupMenu();
            if (!menu) continue;
            if (!menu->AutoPopup()) return;
            Application->Guard([&] {
                menu->SetPopupComponent(c);
                menu->Popup(global.x(), global.y());
            });
            return;
        }
    }

    bool ShowToolTip(QHelpEvent* e)
    {
        TControl* target = control->GraphicControlAt(e->pos().x(), e->pos().y());
        if (!target) target = control;
        if (target->EffectiveShowHint() && !target->Hint().IsEmpty()) {
            QToolTip::showText(e->globalPos(), QString::fromStdString(target->Hint().ToUtf8()), widget);
        } else {
            QToolTip::hideText();
            e->ignore();
        }
        return true;
    }

    TWinControl* control;
    QPointer<QWidget> widget;
    // The receiving end of the window's signals (TWinControl::OnSignal): deleting it ends them.
    std::unique_ptr<QObject> receiver;
    QImage backing;
    // The graphic child (or the control itself) the left button went down on.
    TControl* pressedControl = nullptr;
};

namespace {
QColor QColorOf(TColor c)
{
    uint32_t rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
}  // namespace

namespace {
const char* const kControlProperty = "TWinControl";
}  // namespace

TWinControl* ControlOfWidget(QWidget* widget)
{
    if (!widget || !WidgetFromHandle(HandleOfWidget(widget))) return nullptr;
    return static_cast<TWinControl*>(widget->property(kControlProperty).value<void*>());
}

void RepaintNow(HWND window)
{
    if (QWidget* w = WidgetFromHandle(window)) w->repaint();
}

TK_CLASS_IMPL(TWinControl, TControl, {})

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner), d(std::make_unique<TWinControlPrivate>(this)) {}

TWinControl::~TWinControl()
{
    d->receiver.reset();
    Destroying();
    // Children go first, while this window still exists.
    while (!FControls.empty()) delete FControls.back();
    DestroyHandle();
}

void TWinControl::Dispatch(TMessage& Message)
{
    switch (Message.Msg) {
    case CM_COLORCHANGED:
    case CM_FONTCHANGED: {
        UpdateWidgetState();
        TMessage notify{Message.Msg == CM_COLORCHANGED ? CM_PARENTCOLORCHANGED : CM_PARENTFONTCHANGED, 0, 0, 0};
        Broadcast(notify);
        break;
    }
    case CM_ENABLEDCHANGED:
        if (d->widget) d->widget->setEnabled(Enabled());
        Invalidate();
        break;
    default: TControl::Dispatch(Message); break;
    }
}

void TWinControl::DestroyHandle() { d->DestroyWidget(); }

bool TWinControl::HandleAllocated() const { return d->widget != nullptr; }

QWidget* TWinControl::WidgetOfHandle(HWND window) { return WidgetFromHandle(window); }

QWidget* TWinControl::WindowWidget() const { return d->widget; }

void TWinControl::AdoptWindow(QWidget* window) { d->widget = window; }

QObject* TWinControl::SignalReceiver()
{
    if (!d->receiver) d->receiver = std::make_unique<QObject>();
    return d->receiver.get();
}

HWND TWinControl::Handle()
{
    if (!d->widget) {
        HWND parentWindow = Parent() ? Parent()->Handle() : nullptr;
        HWND h = CreateWindowHandle(parentWindow);
        auto* w = reinterpret_cast<QWidget*>(h);
        d->widget = w;
        RegisterWindowHandle(w);
        w->installEventFilter(d.get());
        w->setProperty(kControlProperty, QVariant::fromValue(static_cast<void*>(this)));
        w->setAttribute(Qt::WA_Hover, false);
        if (Parent()) w->setGeometry(Left(), Top(), Width(), Height());
        UpdateWidgetState();
        for (TControl* c : FControls)
            if (auto* wc = dynamic_cast<TWinControl*>(c)) wc->Handle();
        ApplyTabOrder();
    }
    return HandleOfWidget(d->widget);
}

HWND TWinControl::CreateWindowHandle(HWND parentWindow)
{
    auto* w = MakeWindow<QWidget>(parentWindow);
    w->setMouseTracking(true);
    return HandleOfWidget(w);
}

void TWinControl::UpdateWidgetState()
{
    QWidget* w = d->widget;
    if (!w) return;
    w->setEnabled(Enabled());
    QFont font = QFontFromLog([this] {
        LOGFONTA lf{};
        GetObjectA(Font()->Handle(), sizeof lf, &lf);
        return lf;
    }());
    w->setFont(font);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, QColorOf(Color()));
    pal.setColor(QPalette::Base, QColorOf(Color()));
    pal.setColor(QPalette::Text, QColorOf(Font()->Color()));
    pal.setColor(QPalette::WindowText, QColorOf(Font()->Color()));
    w->setPalette(pal);
    if (Parent()) w->setVisible(Visible());
    ShowCursorOn(w, Cursor());
    w->update();
}

void TWinControl::SetParent(TWinControl* AParent)
{
    if (AParent == Parent()) return;
    TControl::SetParent(AParent);
    if (!d->widget) {
        if (AParent && AParent->HandleAllocated()) Handle();
        return;
    }
    QWidget* parentWidget = AParent && AParent->HandleAllocated() ? WidgetFromHandle(AParent->Handle()) : nullptr;
    if (AParent && !parentWidget) parentWidget = WidgetFromHandle(AParent->Handle());
    d->widget->setParent(parentWidget);
    d->widget->setGeometry(Left(), Top(), Width(), Height());
    UpdateWidgetState();
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TControl::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (d->widget && Parent()) d->widget->setGeometry(ALeft, ATop, AWidth, AHeight);
}

void TWinControl::Invalidate()
{
    if (d->widget) d->widget->update();
}

void TWinControl::InsertControl(TControl* c)
{
    FControls.push_back(c);
    c->FParent = this;
    if (c->Align() != alNone) AlignControls();
}

void TWinControl::RemoveControl(TControl* c)
{
    c->Invalidate();
    if (d->pressedControl == c) d->pressedControl = nullptr;
    auto it = std::find(FControls.begin(), FControls.end(), c);
    if (it != FControls.end()) FControls.erase(it);
    c->FParent = nullptr;
    if (c->Align() != alNone) AlignControls();
}

void TWinControl::AlignControls()
{
    if (FAligning || HasState(csDestroying)) return;
    FAligning = true;
    TRect rest = ClientRect();
    std::vector<TControl*> children = FControls;
    for (TAlign edge : {alTop, alBottom, alLeft, alRight, alClient})
        for (TControl* c : children) {
            if (c->Align() != edge || !c->Visible()) continue;
            const int w = c->Width(), h = c->Height();
            const int restW = std::max(0, rest.right - rest.left), restH = std::max(0, rest.bottom - rest.top);
            switch (edge) {
            case alTop:
                c->SetBounds(rest.left, rest.top, restW, h);
                rest.top += c->Height();
                break;
            case alBottom:
                c->SetBounds(rest.left, rest.bottom - h, restW, h);
                rest.bottom -= c->Height();
                break;
            case alLeft:
                c->SetBounds(rest.left, rest.top, w, restH);
                rest.left += c->Width();
                break;
            case alRight:
                c->SetBounds(rest.right - w, rest.top, w, restH);
                rest.right -= c->Width();
                break;
            default: c->SetBounds(rest.left, rest.top, restW, restH); break;
            }
        }
    FAligning = false;
}

TControl* TWinControl::GraphicControlAt(int x, int y) const
{
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        if (x >= c->Left() && y >= c->Top() && x < c->Left() + c->Width() && y < c->Top() + c->Height()) return c;
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& Message)
{
    std::vector<TControl*> children = FControls;
    for (TControl* c : children) c->Dispatch(Message);
}

void TWinControl::SetTabOrder(int value)
{
    if (value == FTabOrder) return;
    FTabOrder = value;
    if (Parent()) Parent()->ApplyTabOrder();
}

void TWinControl::ApplyTabOrder()
{
    if (!d->widget) return;
    std::vector<TWinControl*> order;
    for (TControl* c : FControls)
        if (auto* wc = dynamic_cast<TWinControl*>(c); wc && wc->HandleAllocated() && wc->TabStop()) order.push_back(wc);
    std::stable_sort(order.begin(), order.end(), [](TWinControl* a, TWinControl* b) { return a->TabOrder() < b->TabOrder(); });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(WidgetFromHandle(order[i - 1]->Handle()), WidgetFromHandle(order[i]->Handle()));
}

bool TWinControl::Focused() const { return d->widget && d->widget->hasFocus(); }

void TWinControl::SetFocus()
{
    if (QWidget* w = WidgetFromHandle(Handle())) w->setFocus(Qt::OtherFocusReason);
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintHandler()
{
    QWidget* w = d->widget;
    if (!w || w->width() <= 0 || w->height() <= 0) return;
    // The backing image holds the window's device pixels, so that what the contexts draw is as
    // sharp as what Qt draws in its own widgets; the coordinates stay logical.
    const double scale = w->devicePixelRatioF();
    const QSize pixels(ToDevicePixels(w->width(), scale), ToDevicePixels(w->height(), scale));
    if (d->backing.size() != pixels || d->backing.devicePixelRatio() != scale) {
        d->backing = QImage(pixels, QImage::Format_RGB32);
        d->backing.setDevicePixelRatio(scale);
    }
    d->backing.fill(QColorOf(Color()));
    HDC dc = CreateImageDC(&d->backing, 0, 0, nullptr);
    Application->Guard([&] { PaintWindow(dc); });
    DeleteDC(dc);
    std::vector<TControl*> children = FControls;
    for (TControl* c : children) {
        if (dynamic_cast<TWinControl*>(c) || !c->Visible()) continue;
        if (std::find(FControls.begin(), FControls.end(), c) == FControls.end()) continue;
        RECT clip{c->Left(), c->Top(), c->Left() + c->Width(), c->Top() + c->Height()};
        HDC cdc = CreateImageDC(&d->backing, c->Left(), c->Top(), &clip);
        Application->Guard([&] { c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(cdc)); });
        DeleteDC(cdc);
    }
    // Device pixel for device pixel onto the window: the same pixels seen at ratio 1, under a
    // painter whose scale is undone.
    const QImage& b = d->backing;
    QPainter p(w);
    p.setWorldTransform(QTransform::fromScale(1 / scale, 1 / scale));
    p.drawImage(0, 0, QImage(b.constBits(), b.width(), b.height(), b.bytesPerLine(), b.format()));
}

void TWinControl::Resized(int width, int height)
{
    if (Parent()) return;  // children follow SetBounds; top-level windows override
    TControl::SetBounds(Left(), Top(), width, height);
}

void TWinControl::MouseEntered()
{
    Application->Guard([&] { Perform(CM_MOUSEENTER); });
}
void TWinControl::MouseLeft()
{
    Application->Guard([&] { Perform(CM_MOUSELEAVE); });
}
