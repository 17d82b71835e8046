#pragma once
// The form background painter: covers a form's client area with tiled image-list frames
// (animated), a tiled picture, or a two-colour gradient, then lets the form's own paint
// handler draw. It takes over the form's OnPaint and OnResize and chains to the earlier ones.
#include "toolkit/controls/Forms.h"
#include "toolkit/controls/Timer.h"
#include "toolkit/graphics/ImageList.h"
#include "toolkit/graphics/Picture.h"

#include <cstdint>

class TpkxBackGround;

enum TpkxFillStyle : uint8_t { fsHorz, fsVert };

// The gradient settings (BkColor).
class TpkxBkColor : public TPersistent {
    TK_CLASS(TpkxBkColor)
public:
    TpkxBkColor();

    TColor BeginColor() const { return FBeginColor; }
    void SetBeginColor(TColor value);
    TColor EndColor() const { return FEndColor; }
    void SetEndColor(TColor value);
    TpkxFillStyle FillStyle() const { return FFillStyle; }
    void SetFillStyle(TpkxFillStyle value);

private:
    friend class TpkxBackGround;
    void Refresh();
    TColor FBeginColor = clBlue;
    TColor FEndColor = clBlack;
    TpkxFillStyle FFillStyle = fsVert;
    TpkxBackGround* FPainter = nullptr;  // not owned
};

// The animation settings (BkAnimate): the image list whose frames are shown, and the speed
// of the frame timer (interval 1001 - Speed milliseconds).
class TpkxBkAnimate : public TPersistent {
    TK_CLASS(TpkxBkAnimate)
public:
    TpkxBkAnimate();
    ~TpkxBkAnimate() override;
    TpkxBkAnimate(const TpkxBkAnimate&) = delete;
    TpkxBkAnimate& operator=(const TpkxBkAnimate&) = delete;

    // Null also once the list went away: it detaches the change link when it is destroyed.
    TImageList* ImageList() const;
    void SetImageList(TImageList* value);
    int Speed() const { return FSpeed; }
    // Keeps Speed within 1..1000 and sets the timer's interval, also for an equal value.
    void SetSpeed(int value);

    TTimer* FrameTimer() const { return FFrameTimer; }
    TBitmap* FrameBitmap() const { return FFrameBitmap; }
    int FrameIndex() const { return FFrameIndex; }
    TCustomForm* Form() const { return FForm; }

private:
    friend class TpkxBackGround;
    TImageList* FImageList = nullptr;  // not owned
    TChangeLink* FChangeLink;
    int FSpeed = 700;
    TTimer* FFrameTimer;
    TBitmap* FFrameBitmap;
    int FFrameIndex = 0;
    TCustomForm* FForm = nullptr;  // not owned
};

// The per-process registry of forms that own a painter. A form may stand in it more than once.
class TpkxBkCount : public TObject {
public:
    TpkxBkCount();
    ~TpkxBkCount() override;
    TpkxBkCount(const TpkxBkCount&) = delete;
    TpkxBkCount& operator=(const TpkxBkCount&) = delete;

    void AddForm(TCustomForm* form);
    // Removes the first entry of form; nothing when there is none.
    void DeleteForm(TCustomForm* form);
    bool FormExists(TCustomForm* form) const;
    int Count() const { return FFormList->Count(); }

private:
    TList* FFormList;
};

extern TpkxBkCount* pkxBKCount;

// Unit initialisation: the first creates pkxBKCount, the matching last finalisation frees it.
class TpkxBackGroundUnit {
public:
    TpkxBackGroundUnit();
    ~TpkxBackGroundUnit();
    TpkxBackGroundUnit(const TpkxBackGroundUnit&) = delete;
    TpkxBackGroundUnit& operator=(const TpkxBackGroundUnit&) = delete;
};
static TpkxBackGroundUnit pkxBackGroundUnitInit;

using TpkxOldPaint = TNotifyEvent;
using TpkxOldResize = TNotifyEvent;

class TpkxBackGround : public TComponent {
    TK_CLASS(TpkxBackGround)
public:
    // AOwner must be a form that has no painter yet; otherwise raises Exception and changes
    // neither the registry nor the form.
    explicit TpkxBackGround(TComponent* AOwner);
    ~TpkxBackGround() override;

    TpkxBkColor* BkColor() const { return FBkColor; }
    // Copies the settings of value (null: nothing).
    void SetBkColor(TpkxBkColor* value);
    TPicture* BkPicture() const { return FBkPicture; }
    // Copies value into the painter's picture; requests no repaint.
    void SetPicture(TPicture* value);
    TpkxBkAnimate* BkAnimate() const { return FBkAnimate; }
    // Copies the image list and the speed of value (null: nothing).
    void SetBkAnimate(TpkxBkAnimate* value);
    TCustomForm* Form() const { return FForm; }

    // The form's OnPaint: frames, else picture, else gradient over the whole client area,
    // then the form's previous paint handler.
    void FillBackGround(TObject* Sender);
    // The form's OnResize: the previous resize handler, then a full repaint for the gradient.
    void RefreshBackGround(TObject* Sender);
    // Tick of the frame timer: repaint and advance to the next frame.
    void Animate(TObject* Sender);

    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void Tile(TGraphic* tile, int clientWidth, int clientHeight);
    void FillGradient(int clientWidth, int clientHeight);
    bool PictureShown() const;
    bool FramesShown() const;

    TCustomForm* FForm;  // the owner
    TpkxBkColor* FBkColor = nullptr;
    TPicture* FBkPicture = nullptr;
    TpkxBkAnimate* FBkAnimate = nullptr;
    TpkxOldPaint FPrevPaint;
    TpkxOldResize FPrevResize;
};
