#include "toolkit/controls/Forms.h"

#include "toolkit/controls/Application.h"
#include "toolkit/controls/ControlProps.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QWidget>

TK_CLASS_IMPL(TCustomForm, TWinControl, {
    info.Props.push_back(ControlProps::Width().NotStored());
    info.Props.push_back(ControlProps::Height().NotStored());
    info.Props.push_back(Prop::Set("BorderIcons", {"biSystemMenu", "biMinimize", "biMaximize", "biHelp"},
                                   &TCustomForm::BorderIcons, &TCustomForm::SetBorderIcons,
                                   (1 << biSystemMenu) | (1 << biMinimize) | (1 << biMaximize)));
    info.Props.push_back(Prop::Enumeration("BorderStyle",
                                           {"bsNone", "bsSingle", "bsSizeable", "bsDialog", "bsToolWindow", "bsSizeToolWin"},
                                           &TCustomForm::BorderStyle, &TCustomForm::SetBorderStyle, bsSizeable));
    info.Props.push_back(ControlProps::Caption());
    info.Props.push_back(Prop::Integer("ClientHeight", &TCustomForm::ClientHeight, &TCustomForm::SetClientHeight));
    info.Props.push_back(Prop::Integer("ClientWidth", &TCustomForm::ClientWidth, &TCustomForm::SetClientWidth));
    info.Props.push_back(ControlProps::Color());
    info.Props.back().Stored = TStoredRule::Always;
    info.Props.push_back(ControlProps::Font());
    info.Props.back().Stored = TStoredRule::Always;
    info.Props.push_back(ControlProps::ShowHint());
    info.Props.push_back(Prop::Enumeration("Position",
                                           {"poDesigned", "poDefault", "poDefaultPosOnly", "poDefaultSizeOnly", "poScreenCenter"},
                                           &TCustomForm::Position, &TCustomForm::SetPosition, poDesigned));
    info.Props.push_back(Prop::Integer("PixelsPerInch", &TCustomForm::PixelsPerInch, &TCustomForm::SetPixelsPerInch));
    info.Props.push_back(Prop::Integer("TextHeight", &TCustomForm::TextHeight, &TCustomForm::SetTextHeight));
    info.Props.push_back(Prop::Event("OnClose", &TCustomForm::OnClose));
    info.Props.push_back(Prop::Event("OnCreate", &TCustomForm::OnCreate));
    info.Props.push_back(Prop::Event("OnPaint", &TCustomForm::OnPaint));
    info.Props.push_back(Prop::Event("OnResize", &TCustomForm::OnResize));
    info.Props.push_back(Prop::Event("OnShow", &TCustomForm::OnShow));
})

TK_CLASS_IMPL(TForm, TCustomForm, {})

namespace {
// A form without an icon of its own shows the application's, compiled in as MAINICON.
const std::string& ApplicationIconData()
{
    static const std::string data = [] {
        QFile file(QStringLiteral(":/icons/MAINICON"));
        if (!file.open(QIODevice::ReadOnly)) return std::string();
        QByteArray bytes = file.readAll();
        return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    }();
    return data;
}
}  // namespace

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner)
{
    SetVisible(false);
    SetColor(clBtnFace);
    SetParentFont(false);
    // Only the stored bounds: no window exists yet, and a form's window is sized when it is made.
    TControl::SetBounds(0, 0, 320, 240);  // NOLINT(bugprone-parent-virtual-call)
}

TCustomForm::~TCustomForm()
{
    // Owned components go while the form is whole: they may still reach its events.
    Destroying();
    DestroyComponents();
}

void TCustomForm::InitForm(const std::string& resourceName) { InitFormText(LoadResourceText(resourceName)); }

void TCustomForm::InitFormText(const std::string& text)
{
    ReadComponentText(this, text);
    if (HandleAllocated()) ApplyTabOrder();
    OnCreate(this);
}

HWND TCustomForm::CreateWindowHandle(HWND)
{
    auto* w = new QWidget(nullptr, Qt::Window);
    w->setMouseTracking(true);
    w->setAttribute(Qt::WA_OpaquePaintEvent);
    w->resize(ClientWidth(), ClientHeight());
    return HandleOfWidget(w);
}

void TCustomForm::UpdateWidgetState()
{
    TWinControl::UpdateWidgetState();
    QWidget* w = HandleAllocated() ? WidgetFromHandle(Handle()) : nullptr;
    if (!w) return;
    w->setWindowTitle(QString::fromStdString(Caption().ToUtf8()));
    ApplyWindowFlags();
    const std::string& iconData = FIconData.empty() ? ApplicationIconData() : FIconData;
    if (!iconData.empty()) {
        QPixmap icon;
        if (icon.loadFromData(reinterpret_cast<const uchar*>(iconData.data()), static_cast<uint>(iconData.size()), "ICO"))
            w->setWindowIcon(QIcon(icon));
    }
}

void TCustomForm::ApplyWindowFlags()
{
    QWidget* w = HandleAllocated() ? WidgetFromHandle(Handle()) : nullptr;
    if (!w) return;
    bool fixed = FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow || FBorderStyle == bsNone;
    Qt::WindowFlags flags = Qt::Window;
    if (FBorderStyle == bsNone) flags |= Qt::FramelessWindowHint;
    else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (FBorderIcons & (1u << biSystemMenu)) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (FBorderIcons & (1u << biMinimize)) flags |= Qt::WindowMinimizeButtonHint;
        if ((FBorderIcons & (1u << biMaximize)) && !fixed) flags |= Qt::WindowMaximizeButtonHint;
        if (FBorderIcons & (1u << biHelp)) flags |= Qt::WindowContextHelpButtonHint;
    }
    if (w->windowFlags() != flags) {
        bool shown = w->isVisible();
        w->setWindowFlags(flags);
        if (shown) w->show();
    }
    if (fixed) w->setFixedSize(ClientWidth(), ClientHeight());
    else {
        w->setMinimumSize(0, 0);
        w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        w->resize(ClientWidth(), ClientHeight());
    }
}

void TCustomForm::SetBorderStyle(TFormBorderStyle value)
{
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    ApplyWindowFlags();
}

void TCustomForm::SetBorderIcons(TBorderIcons value)
{
    if (value == FBorderIcons) return;
    FBorderIcons = value;
    ApplyWindowFlags();
}

// The stored bounds change here; ApplyWindowFlags sizes the top-level window from them (fixed
// or resized), which a parent-relative setGeometry would get wrong.
void TCustomForm::SetClientWidth(int value)
{
    TControl::SetBounds(Left(), Top(), value, Height());  // NOLINT(bugprone-parent-virtual-call)
    ApplyWindowFlags();
}

void TCustomForm::SetClientHeight(int value)
{
    // As SetClientWidth: stored bounds first, then the window from them.
    TControl::SetBounds(Left(), Top(), Width(), value);  // NOLINT(bugprone-parent-virtual-call)
    ApplyWindowFlags();
}

void TCustomForm::SetIconData(const std::string& icoBytes)
{
    FIconData = icoBytes;
    UpdateWidgetState();
}

void TCustomForm::Show()
{
    QWidget* w = WidgetFromHandle(Handle());
    UpdateWidgetState();
    if (FPosition == poDesigned || FPosition == poDefaultSizeOnly) w->move(Left(), Top());
    SetVisible(true);
    w->show();
    OnShow(this);
}

void TCustomForm::Hide()
{
    SetVisible(false);
    if (HandleAllocated()) WidgetFromHandle(Handle())->hide();
}

void TCustomForm::Close()
{
    if (HandleAllocated() && WidgetFromHandle(Handle())->isVisible()) WidgetFromHandle(Handle())->close();
    else if (CloseQuery() && Application->MainForm() == this) Application->Terminate();
}

bool TCustomForm::CloseQuery()
{
    TCloseAction action = caHide;
    OnClose(this, action);
    if (action == caNone) return false;
    SetVisible(false);
    if (Application->MainForm() == this) Application->Terminate();
    return true;
}

bool TCustomForm::Showing() const { return HandleAllocated() && Visible(); }

void TCustomForm::PaintWindow(HDC DC)
{
    TCanvasPaintScope scope(FCanvas, DC);
    Paint();
}

void TCustomForm::Paint() { OnPaint(this); }

void TCustomForm::Resized(int width, int height)
{
    if (width == Width() && height == Height()) return;
    // The window already has this size: only the stored bounds follow, nothing is sent back.
    TControl::SetBounds(Left(), Top(), width, height);  // NOLINT(bugprone-parent-virtual-call)
    Resize();
}

void TCustomForm::Resize() { OnResize(this); }
