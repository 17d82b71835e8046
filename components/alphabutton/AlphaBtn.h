#pragma once
// TAlphaSpeedButton: a speed button painted off screen over a copy of what lies behind it,
// then blended over its background at a constant opacity (Alpha).
#include "toolkit/controls/Buttons.h"
#include "toolkit/winapi/Windows.h"

#include <cstdint>

class TAlphaSpeedButton : public TSpeedButton {
    TK_CLASS(TAlphaSpeedButton)
public:
    explicit TAlphaSpeedButton(TComponent* AOwner);

    uint8_t Alpha() const { return FAlpha; }
    void SetAlpha(uint8_t value);

    void Dispatch(TMessage& Message) override;

private:
    void WMPaint(TMessage& Message);
    uint8_t FAlpha;
};

// The blend routine's type: the parameters and result of msimg32's AlphaBlend.
using TAlphaBlendFunc = BOOL (*)(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc, int xoriginSrc,
                                 int yoriginSrc, int wSrc, int hSrc, BLENDFUNCTION ftn);

// The software blend used where the system has no AlphaBlend. Blends wDest x hDest pixels of
// the source over the destination, both from (0, 0), with ftn.SourceConstantAlpha; the
// quotient of each byte is truncated.
BOOL SoftAlphaBlend(HDC hdcDest, int xoriginDest, int yoriginDest, int wDest, int hDest, HDC hdcSrc, int xoriginSrc,
                    int yoriginSrc, int wSrc, int hSrc, BLENDFUNCTION ftn);

// The unit's per-process state: the blend routine in use and the library it came from, set up
// when the first user of the unit initialises and released when the last one finalises.
TAlphaBlendFunc AlphaBlendRoutine();
HMODULE AlphaBlendLibrary();
int AlphaBtnInitCount();  // 0 before initialisation, negative while initialised
void AlphaBtnInitialization();
void AlphaBtnFinalization();

// Every file that includes this header initialises the unit before its own statics are used.
namespace AlphaBtnUnit {
struct TInitializer {
    TInitializer() { AlphaBtnInitialization(); }
    ~TInitializer() { AlphaBtnFinalization(); }
    TInitializer(const TInitializer&) = delete;
    TInitializer& operator=(const TInitializer&) = delete;
};
static const TInitializer Initializer;
}  // namespace AlphaBtnUnit
