#pragma once
// Shapes, bevels and panels.
#include "toolkit/controls/Controls.h"

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
    TK_CLASS(TShape)
public:
    explicit TShape(TComponent* AOwner);
    TBrush* Brush() { return &FBrush; }
    TPen* Pen() { return &FPen; }
    TShapeType Shape() const { return FShape; }
    void SetShape(TShapeType value);

protected:
    void Paint() override;

private:
    void StyleChanged(TObject*) { Invalidate(); }
    TBrush FBrush;
    TPen FPen;
    TShapeType FShape = stRectangle;
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
    TK_CLASS(TBevel)
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TWinControl {
    TK_CLASS(TCustomPanel)
public:
    explicit TCustomPanel(TComponent* AOwner);

    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

    void Dispatch(TMessage& Message) override;

protected:
    void PaintWindow(HDC DC) override;
    // Draws bevels, the background and the centred caption on Canvas.
    virtual void Paint();
    TCanvas* Canvas() { return &FCanvas; }

private:
    TCanvas FCanvas;
    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
};

class TPanel : public TCustomPanel {
    TK_CLASS(TPanel)
public:
    using TCustomPanel::TCustomPanel;
};

// Frame3D: draws `width` rings, top-left in one colour and bottom-right in the other, and
// shrinks r by them.
void Frame3D(TCanvas* canvas, TRect& r, TColor topColor, TColor bottomColor, int width);
