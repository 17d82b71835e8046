#pragma once
// Image lists: equally sized images with transparent parts, drawn over the list's background
// colour; change links tell their holders when the images change.
#include "toolkit/graphics/Bitmap.h"

#include <memory>
#include <string>
#include <vector>

class TCustomImageList;

// A holder's registration with an image list. The list detaches its links when it is
// destroyed (Sender becomes null); a link that is destroyed first unregisters itself.
class TChangeLink : public TObject {
public:
    TChangeLink() = default;
    ~TChangeLink() override;
    TChangeLink(const TChangeLink&) = delete;
    TChangeLink& operator=(const TChangeLink&) = delete;

    TCustomImageList* Sender() const { return FSender; }
    void SetSender(TCustomImageList* value) { FSender = value; }
    // Fires OnChange with the list as sender.
    void Change();

    TNotifyEvent OnChange;

private:
    TCustomImageList* FSender = nullptr;
};

class TImageListPrivate;

class TCustomImageList : public TComponent {
    TK_CLASS(TCustomImageList)
public:
    explicit TCustomImageList(TComponent* AOwner);
    ~TCustomImageList() override;

    int Count() const;
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Changing the size removes all images.
    void SetWidth(int value) { SetSize(value, FHeight); }
    void SetHeight(int value) { SetSize(FWidth, value); }
    void SetSize(int width, int height);

    // Drawn behind the images' transparent parts; clNone leaves what is there.
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor value) { FBkColor = value; }
    // Blended over images drawn selected; kept for the holders that set it.
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor value) { FBlendColor = value; }

    // Adds image, cut into as many images as its width holds (at least one); pixels where
    // mask is not black are transparent (no mask: opaque). Returns the first new index.
    int Add(TBitmap* image, TBitmap* mask);
    // As Add, with the pixels of maskColor transparent.
    int AddMasked(TBitmap* image, TColor maskColor);
    void Delete(int index);
    void Clear();

    // Draws image index with its top-left corner at (x, y) over BkColor; nothing for an
    // index out of range.
    void Draw(TCanvas* canvas, int x, int y, int index);
    // Sizes image to the list's size and draws image index into it at (0, 0); for an index
    // out of range it shows only BkColor (clNone: leaves it as it was).
    void GetBitmap(int index, TBitmap* image);

    // The images as stored in a form description (property Bitmap): "TIL1", then width,
    // height and count as 32-bit little-endian numbers, then each image's pixels top-down as
    // B, G, R, A (A 0: transparent). Empty for a list without images. SetImagesData takes the
    // size from the data; bad data raises EInvalidGraphic and leaves the list as it was.
    std::string ImagesData() const;
    void SetImagesData(const std::string& data);

    void RegisterChanges(TChangeLink* link);
    void UnRegisterChanges(TChangeLink* link);
    int LinkCount() const { return static_cast<int>(FChanges.size()); }

    TNotifyEvent OnChange;

protected:
    // The images changed: tells every link, then OnChange.
    void Change();

private:
    int AddImages(TBitmap* image, TBitmap* mask, bool useMaskColor, TColor maskColor);
    int FWidth = 16;
    int FHeight = 16;
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    std::vector<TChangeLink*> FChanges;
    std::unique_ptr<TImageListPrivate> d;
};

class TImageList : public TCustomImageList {
    TK_CLASS(TImageList)
public:
    using TCustomImageList::TCustomImageList;
};
