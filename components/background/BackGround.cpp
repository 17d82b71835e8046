#include "components/background/BackGround.h"

#include "toolkit/system/Published.h"
#include "toolkit/system/UnitCount.h"

#include <algorithm>
#include <cstdint>

TpkxBkCount* pkxBKCount = nullptr;

namespace {

// Per channel b + (e - b) * a / n with the division in floating point, truncated; begin and
// end are taken as stored (system colours are not resolved).
TColor Blend(TColor begin, TColor end, int a, int n)
{
    TColor c = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int b = (begin >> shift) & 0xFF;
        int e = (end >> shift) & 0xFF;
        int v = static_cast<int>(b + static_cast<double>((e - b) * a) / n);
        c |= (v & 0xFF) << shift;
    }
    return c;
}

bool Bound(const TNotifyEvent& event, TObject* object) { return event && event.Data() == object; }

}  // namespace

TpkxBackGroundUnit::TpkxBackGroundUnit()
{
    if (TUnitCount<TpkxBackGroundUnit>::Enter()) pkxBKCount = new TpkxBkCount;
}

TpkxBackGroundUnit::~TpkxBackGroundUnit()
{
    if (TUnitCount<TpkxBackGroundUnit>::Leave()) {
        delete pkxBKCount;
        pkxBKCount = nullptr;
    }
}

// ---- TpkxBkColor ----------------------------------------------------------------------------

TK_CLASS_IMPL(TpkxBkColor, TPersistent, {
    info.Props.push_back(Prop::Color("BeginColor", &TpkxBkColor::BeginColor, &TpkxBkColor::SetBeginColor));
    info.Props.push_back(Prop::Color("EndColor", &TpkxBkColor::EndColor, &TpkxBkColor::SetEndColor));
    info.Props.push_back(
        Prop::Enumeration("FillStyle", {"fsHorz", "fsVert"}, &TpkxBkColor::FillStyle, &TpkxBkColor::SetFillStyle));
})

TpkxBkColor::TpkxBkColor() = default;

void TpkxBkColor::Refresh()
{
    if (FPainter) FPainter->RefreshBackGround(FPainter->Form());
}

void TpkxBkColor::SetBeginColor(TColor value)
{
    if (value == FBeginColor) return;
    FBeginColor = value;
    Refresh();
}

void TpkxBkColor::SetEndColor(TColor value)
{
    if (value == FEndColor) return;
    FEndColor = value;
    Refresh();
}

void TpkxBkColor::SetFillStyle(TpkxFillStyle value)
{
    if (value == FFillStyle) return;
    FFillStyle = value;
    Refresh();
}

// ---- TpkxBkAnimate --------------------------------------------------------------------------

TK_CLASS_IMPL(TpkxBkAnimate, TPersistent, {
    info.Props.push_back(Prop::Component("ImageList", &TpkxBkAnimate::ImageList, &TpkxBkAnimate::SetImageList));
    info.Props.push_back(Prop::Integer<TpkxBkAnimate>(
        "Speed", [](TpkxBkAnimate& a) { return a.Speed(); },
        [](TpkxBkAnimate& a, int64_t v) { a.SetSpeed(static_cast<int>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX))); }));
})

TpkxBkAnimate::TpkxBkAnimate() : FChangeLink(new TChangeLink), FFrameTimer(nullptr), FFrameBitmap(new TBitmap)
{
    FFrameTimer = new TTimer(nullptr);
    FSpeed = 700;
    FFrameTimer->SetInterval(301);
}

TpkxBkAnimate::~TpkxBkAnimate()
{
    delete FChangeLink;  // unregisters from a list that is still there
    delete FFrameTimer;
    delete FFrameBitmap;
}

TImageList* TpkxBkAnimate::ImageList() const
{
    // A list owned elsewhere sends no removal notification, but it detaches the link.
    return FImageList && FChangeLink->Sender() == FImageList ? FImageList : nullptr;
}

void TpkxBkAnimate::SetImageList(TImageList* value)
{
    if (value == FImageList) return;
    if (TImageList* old = ImageList(); old && !old->HasState(csDestroying)) old->UnRegisterChanges(FChangeLink);
    FImageList = value;
    if (value) {
        value->RegisterChanges(FChangeLink);
        if (FForm) {
            value->SetBkColor(FForm->Color());
            value->SetBlendColor(FForm->Color());
        }
    }
}

void TpkxBkAnimate::SetSpeed(int value)
{
    if (value != FSpeed) FSpeed = value;
    if (FSpeed < 1) FSpeed = 1;
    if (FSpeed > 1000) FSpeed = 1000;
    FFrameTimer->SetInterval(static_cast<unsigned>(1001 - FSpeed));
}

// ---- TpkxBkCount ----------------------------------------------------------------------------

TpkxBkCount::TpkxBkCount() : FFormList(new TList) {}

TpkxBkCount::~TpkxBkCount() { delete FFormList; }

void TpkxBkCount::AddForm(TCustomForm* form) { FFormList->Add(form); }

void TpkxBkCount::DeleteForm(TCustomForm* form) { FFormList->Remove(form); }

bool TpkxBkCount::FormExists(TCustomForm* form) const { return FFormList->IndexOf(form) >= 0; }

// ---- TpkxBackGround -------------------------------------------------------------------------

TK_CLASS_IMPL(TpkxBackGround, TComponent, {
    info.Create = CreatorOf<TpkxBackGround>();
    info.Props.push_back(Prop::Object<TpkxBackGround>("BkColor", [](TpkxBackGround& p) { return p.BkColor(); }));
    info.Props.push_back(Prop::Object<TpkxBackGround>("BkPicture", [](TpkxBackGround& p) { return p.BkPicture(); }));
    info.Props.push_back(Prop::Object<TpkxBackGround>("BkAnimate", [](TpkxBackGround& p) { return p.BkAnimate(); }));
})

TpkxBackGround::TpkxBackGround(TComponent* AOwner) : TComponent(AOwner), FForm(dynamic_cast<TCustomForm*>(AOwner))
{
    // Thrown before anything is made or hooked: the base destructor alone undoes the rest.
    if (!FForm) throw Exception(AnsiString("TpkxBackGround must be owned by a form"));
    if (pkxBKCount->FormExists(FForm)) throw Exception(AnsiString("Form should have only a single TpkxBackGround"));

    FBkColor = new TpkxBkColor;
    FBkColor->FPainter = this;
    FBkPicture = new TPicture;
    FBkAnimate = new TpkxBkAnimate;
    FBkAnimate->FFrameTimer->SetOnTimer(TNotifyEvent(this, &TpkxBackGround::Animate));
    FBkAnimate->FForm = FForm;

    pkxBKCount->AddForm(FForm);
    FPrevPaint = FForm->OnPaint;
    FForm->OnPaint = TNotifyEvent(this, &TpkxBackGround::FillBackGround);
    FPrevResize = FForm->OnResize;
    FForm->OnResize = TNotifyEvent(this, &TpkxBackGround::RefreshBackGround);
}

TpkxBackGround::~TpkxBackGround()
{
    Destroying();
    // The registry is gone when a painter outlives the unit's finalisation.
    if (pkxBKCount) pkxBKCount->DeleteForm(FForm);
    if (!pkxBKCount || !pkxBKCount->FormExists(FForm)) {
        FForm->OnPaint.Clear();
        FForm->OnResize.Clear();
    }
    // Never leave the form calling into a painter that is gone.
    if (Bound(FForm->OnPaint, this)) FForm->OnPaint.Clear();
    if (Bound(FForm->OnResize, this)) FForm->OnResize.Clear();
    delete FBkColor;
    FBkColor = nullptr;
    delete FBkPicture;
    FBkPicture = nullptr;
    delete FBkAnimate;
    FBkAnimate = nullptr;
}

void TpkxBackGround::SetBkColor(TpkxBkColor* value)
{
    if (!value || value == FBkColor) return;
    bool changed = value->FBeginColor != FBkColor->FBeginColor || value->FEndColor != FBkColor->FEndColor ||
                   value->FFillStyle != FBkColor->FFillStyle;
    FBkColor->FBeginColor = value->FBeginColor;
    FBkColor->FEndColor = value->FEndColor;
    FBkColor->FFillStyle = value->FFillStyle;
    if (changed) FBkColor->Refresh();
}

void TpkxBackGround::SetPicture(TPicture* value) { FBkPicture->Assign(value); }

void TpkxBackGround::SetBkAnimate(TpkxBkAnimate* value)
{
    if (!value || value == FBkAnimate) return;
    FBkAnimate->SetImageList(value->ImageList());
    FBkAnimate->SetSpeed(value->Speed());
}

bool TpkxBackGround::FramesShown() const
{
    TImageList* list = FBkAnimate->ImageList();
    return list && list->Count() > 0;
}

bool TpkxBackGround::PictureShown() const
{
    TGraphic* g = FBkPicture->Graphic();
    return g && !g->Empty();
}

void TpkxBackGround::FillBackGround(TObject*)
{
    int h = FForm->ClientHeight();
    int w = FForm->ClientWidth();
    if (FramesShown()) {
        FBkAnimate->ImageList()->GetBitmap(FBkAnimate->FFrameIndex, FBkAnimate->FFrameBitmap);
        Tile(FBkAnimate->FFrameBitmap, w, h);
    } else if (PictureShown()) {
        Tile(FBkPicture->Graphic(), w, h);
    } else {
        FillGradient(w, h);
    }
    FPrevPaint(FForm);
}

void TpkxBackGround::Tile(TGraphic* tile, int clientWidth, int clientHeight)
{
    int tw = tile->Width();
    int th = tile->Height();
    if (tw <= 0 || th <= 0) return;  // would never advance
    TCanvas* canvas = FForm->Canvas();
    for (int y = 0; y < clientHeight; y += th)
        for (int x = 0; x < clientWidth; x += tw) canvas->Draw(x, y, tile);
}

void TpkxBackGround::FillGradient(int clientWidth, int clientHeight)
{
    TCanvas* canvas = FForm->Canvas();
    TColor begin = FBkColor->BeginColor();
    TColor end = FBkColor->EndColor();
    bool vertical = FBkColor->FillStyle() == fsVert;
    int n = vertical ? clientHeight : clientWidth;
    int step = n / 128;
    if (step == 0) step = 1;
    for (int a = 0; a < n; a += step) {
        TColor c = Blend(begin, end, a, n);
        canvas->Brush()->SetColor(c);
        canvas->Pen()->SetColor(c);
        canvas->FillRect(vertical ? Rect(0, a, clientWidth, a + step) : Rect(a, 0, a + step, clientHeight));
    }
}

void TpkxBackGround::RefreshBackGround(TObject*)
{
    FPrevResize(FForm);
    if (PictureShown() || FramesShown()) return;
    // A window not made yet paints in full when it is.
    if (FForm->HandleAllocated()) InvalidateRect(FForm->Handle(), nullptr, FALSE);
}

void TpkxBackGround::Animate(TObject*)
{
    if (HasState(csDesigning)) return;
    if (!FramesShown()) return;
    InvalidateRect(FForm->Handle(), nullptr, FALSE);
    FBkAnimate->FFrameIndex = (FBkAnimate->FFrameIndex + 1) % FBkAnimate->ImageList()->Count();
}

void TpkxBackGround::Notification(TComponent* AComponent, TOperation Operation)
{
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent && FBkAnimate && AComponent == static_cast<TComponent*>(FBkAnimate->FImageList))
        FBkAnimate->FImageList = nullptr;
}
