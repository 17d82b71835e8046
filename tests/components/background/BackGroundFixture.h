#pragma once
// Helpers for the painter's tests: a real form, recorded handlers, test pictures.
#include "components/background/BackGround.h"
#include "tests/fixtures/Grab.h"
#include "toolkit/controls/Application.h"

#include <QTest>

#include <memory>
#include <vector>

// The handlers a form had before its painter; they record what reaches them.
struct FormHandlers : TObject {
    int paints = 0;
    int resizes = 0;
    std::vector<TObject*> senders;
    std::function<void()> onPaint;
    void Paint(TObject* sender)
    {
        ++paints;
        senders.push_back(sender);
        if (onPaint) onPaint();
    }
    void Resize(TObject* sender)
    {
        ++resizes;
        senders.push_back(sender);
    }
    void HookInto(TCustomForm& form)
    {
        form.OnPaint = TNotifyEvent(this, &FormHandlers::Paint);
        form.OnResize = TNotifyEvent(this, &FormHandlers::Resize);
    }
};

inline std::unique_ptr<TForm> MakeForm(int clientWidth, int clientHeight)
{
    auto form = std::make_unique<TForm>(nullptr);
    form->SetClientWidth(clientWidth);
    form->SetClientHeight(clientHeight);
    return form;
}

// Shows the form and lets the first paints pass.
inline void ShowAndSettle(TForm& form)
{
    form.Show();
    (void)QTest::qWaitForWindowExposed(WidgetOf(&form));
    // The first paint and the resizes showing causes are posted events: handled here, so that
    // what a test counts afterwards is its own.
    Application->ProcessMessages();
}

// A picture whose pixel (x, y) is RGB(x, y, 0x80): where a tile lies shows in every pixel.
inline std::unique_ptr<TBitmap> CoordinateBitmap(int w, int h)
{
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b->ScanLine(y);
        for (int x = 0; x < w; ++x) {
            uint8_t* pixel = row + static_cast<std::size_t>(x) * 3;
            pixel[0] = 0x80;
            pixel[1] = static_cast<uint8_t>(y);
            pixel[2] = static_cast<uint8_t>(x);
        }
    }
    return b;
}

inline std::unique_ptr<TBitmap> SolidBitmap(int w, int h, TColor c)
{
    auto b = std::make_unique<TBitmap>();
    b->SetSize(w, h);
    b->Canvas()->Brush()->SetColor(c);
    b->Canvas()->FillRect(Rect(0, 0, w, h));
    return b;
}

// An image list of w x h frames in the given colours.
inline TImageList* FrameList(TComponent* owner, int w, int h, std::initializer_list<TColor> colours)
{
    auto* list = new TImageList(owner);
    list->SetSize(w, h);
    for (TColor c : colours) list->Add(SolidBitmap(w, h, c).get(), nullptr);
    return list;
}
