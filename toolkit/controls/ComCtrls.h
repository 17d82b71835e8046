#pragma once
// The common controls the samples need: a progress bar and a track bar.
#include "toolkit/controls/Controls.h"

enum TProgressBarOrientation { pbHorizontal, pbVertical };

// Shows Position within Min..Max; Position is kept within them.
class TProgressBar : public TWinControl {
    TK_CLASS(TProgressBar)
public:
    explicit TProgressBar(TComponent* AOwner);

    int Min() const { return FMin; }
    void SetMin(int value) { SetRange(value, FMax < value ? value : FMax); }
    int Max() const { return FMax; }
    void SetMax(int value) { SetRange(FMin > value ? value : FMin, value); }
    // Raises EInvalidOperation when min exceeds max.
    void SetRange(int min, int max);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    int Step() const { return FStep; }
    void SetStep(int value) { FStep = value; }
    // Advances Position by Step, wrapping to Min past Max as the system's bar does.
    void StepIt();

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    void Apply();
    int FMin = 0;
    int FMax = 100;
    int FPosition = 0;
    int FStep = 10;
};

enum TTrackBarOrientation { trHorizontal, trVertical };

// A slider over Min..Max. OnChange fires whenever Position changes, by the user or the program.
class TTrackBar : public TWinControl {
    TK_CLASS(TTrackBar)
public:
    explicit TTrackBar(TComponent* AOwner);

    int Min() const { return FMin; }
    void SetMin(int value) { SetRange(value, FMax < value ? value : FMax); }
    int Max() const { return FMax; }
    void SetMax(int value) { SetRange(FMin > value ? value : FMin, value); }
    // Raises EInvalidOperation when min exceeds max; Position is brought within them.
    void SetRange(int min, int max);
    int Position() const { return FPosition; }
    void SetPosition(int value);
    // The distance between tick marks.
    int Frequency() const { return FFrequency; }
    void SetFrequency(int value);
    // The step of the arrow keys and of a click beside the thumb.
    int LineSize() const { return FLineSize; }
    void SetLineSize(int value);
    int PageSize() const { return FPageSize; }
    void SetPageSize(int value);
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation value);

    TNotifyEvent OnChange;

protected:
    HWND CreateWindowHandle(HWND parentWindow) override;
    bool CustomPainted() const override { return false; }

private:
    void Apply();
    int FMin = 0;
    int FMax = 10;
    int FPosition = 0;
    int FFrequency = 1;
    int FLineSize = 1;
    int FPageSize = 2;
    TTrackBarOrientation FOrientation = trHorizontal;
};
