#include "toolkit/graphics/ImageList.h"

#include "toolkit/system/Published.h"
#include "toolkit/winapi/GdiObjects.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

class TImageListPrivate {
public:
    std::vector<QImage> images;  // premultiplied ARGB, the list's size; alpha 0 is transparent
};

namespace {
constexpr char kImagesMagic[4] = {'T', 'I', 'L', '1'};
constexpr std::size_t kImagesHeader = 16;
constexpr int64_t kMaxPixels = int64_t{1} << 24;

bool ValidSize(int64_t width, int64_t height) { return width >= 0 && height >= 0 && width * height <= kMaxPixels; }

void PutU32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
uint32_t GetU32(const std::string& s, std::size_t at)
{
    auto b = reinterpret_cast<const uint8_t*>(s.data()) + at;
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

QColor QColorOf(TColor c)
{
    uint32_t rgb = ColorToRGB(c);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
const QImage* ImageOf(TBitmap* b)
{
    auto* bmp = b ? GdiAs<TGdiBitmap>(b->Handle(), TGdiKind::Bitmap) : nullptr;
    return bmp && bmp->Image && !bmp->Image->isNull() ? bmp->Image.get() : nullptr;
}
}  // namespace

// ---- TChangeLink ----------------------------------------------------------------------------

TChangeLink::~TChangeLink()
{
    if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() { OnChange(static_cast<TObject*>(FSender)); }

// ---- TCustomImageList -------------------------------------------------------------------------

TK_CLASS_IMPL(TCustomImageList, TComponent, {
    info.Props.push_back(Prop::Color("BkColor", &TCustomImageList::BkColor, &TCustomImageList::SetBkColor, clNone));
    info.Props.push_back(Prop::Color("BlendColor", &TCustomImageList::BlendColor, &TCustomImageList::SetBlendColor, clNone));
    info.Props.push_back(Prop::Integer("Height", &TCustomImageList::Height, &TCustomImageList::SetHeight, 16));
    info.Props.push_back(Prop::Integer("Width", &TCustomImageList::Width, &TCustomImageList::SetWidth, 16));
    // After Width and Height, so that a description read in order ends with its images.
    info.Props.push_back(Prop::Binary<TCustomImageList>(
        "Bitmap", [](TCustomImageList& l) { return l.ImagesData(); },
        [](TCustomImageList& l, const std::string& v) { l.SetImagesData(v); }));
})

TK_CLASS_IMPL(TImageList, TCustomImageList, { info.Create = CreatorOf<TImageList>(); })

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner), d(std::make_unique<TImageListPrivate>()) {}

TCustomImageList::~TCustomImageList()
{
    Destroying();
    while (!FChanges.empty()) UnRegisterChanges(FChanges.back());
    d.reset();  // siblings hear of the removal after this body; the list is empty for them
}

int TCustomImageList::Count() const { return d ? static_cast<int>(d->images.size()) : 0; }

void TCustomImageList::SetSize(int width, int height)
{
    if (!ValidSize(width, height)) throw EInvalidOperation(AnsiString("Invalid image list size"));
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    d->images.clear();
    Change();
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) { return AddImages(image, mask, false, clNone); }

int TCustomImageList::AddMasked(TBitmap* image, TColor maskColor) { return AddImages(image, nullptr, true, maskColor); }

int TCustomImageList::AddImages(TBitmap* image, TBitmap* mask, bool useMaskColor, TColor maskColor)
{
    const QImage* src = ImageOf(image);
    if (!src) throw EInvalidOperation(AnsiString("Cannot add an empty image to an image list"));
    const QImage* maskImage = ImageOf(mask);
    QRgb transparentKey = 0;
    if (useMaskColor) {
        uint32_t rgb = ColorToRGB(maskColor);
        transparentKey = qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
    }
    int first = Count();
    int pieces = FWidth > 0 ? std::max(1, src->width() / FWidth) : 1;
    for (int i = 0; i < pieces; ++i) {
        QImage piece(FWidth, FHeight, QImage::Format_ARGB32_Premultiplied);
        piece.fill(Qt::transparent);
        for (int y = 0; y < FHeight && y < src->height(); ++y)
            for (int x = 0; x < FWidth && i * FWidth + x < src->width(); ++x) {
                int sx = i * FWidth + x;
                QRgb c = src->pixel(sx, y) | 0xFF000000u;
                bool transparent = useMaskColor ? (c & 0xFFFFFF) == (transparentKey & 0xFFFFFF)
                                                : maskImage && sx < maskImage->width() && y < maskImage->height() &&
                                                      (maskImage->pixel(sx, y) & 0xFFFFFF) != 0;
                if (!transparent) piece.setPixel(x, y, c);
            }
        d->images.push_back(std::move(piece));
    }
    Change();
    return first;
}

void TCustomImageList::Delete(int index)
{
    if (index < 0 || index >= Count()) throw EInvalidOperation(AnsiString("Invalid image list index " + std::to_string(index)));
    d->images.erase(d->images.begin() + index);
    Change();
}

void TCustomImageList::Clear()
{
    if (d->images.empty()) return;
    d->images.clear();
    Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index)
{
    if (!canvas || index < 0 || index >= Count() || FWidth == 0 || FHeight == 0) return;
    const QImage& img = d->images[static_cast<std::size_t>(index)];
    WithPainter(canvas->Handle(), [&](QPainter& p) {
        if (FBkColor != clNone) p.fillRect(QRect(x, y, FWidth, FHeight), QColorOf(FBkColor));
        p.drawImage(x, y, img);
    });
}

void TCustomImageList::GetBitmap(int index, TBitmap* image)
{
    if (!image) return;
    image->SetSize(FWidth, FHeight);
    if ((index < 0 || index >= Count()) && FBkColor != clNone) {
        // No such image: the background alone, rather than whatever the bitmap held.
        image->Canvas()->Brush()->SetColor(FBkColor);
        image->Canvas()->FillRect(Rect(0, 0, FWidth, FHeight));
        return;
    }
    Draw(image->Canvas(), 0, 0, index);
}

std::string TCustomImageList::ImagesData() const
{
    if (Count() == 0) return {};
    std::string s(kImagesMagic, sizeof kImagesMagic);
    PutU32(s, static_cast<uint32_t>(FWidth));
    PutU32(s, static_cast<uint32_t>(FHeight));
    PutU32(s, static_cast<uint32_t>(Count()));
    s.reserve(kImagesHeader + std::size_t(Count()) * std::size_t(FWidth) * std::size_t(FHeight) * 4);
    for (const QImage& img : d->images)
        for (int y = 0; y < FHeight; ++y)
            for (int x = 0; x < FWidth; ++x) {
                QRgb c = qUnpremultiply(img.pixel(x, y));
                s += static_cast<char>(qBlue(c));
                s += static_cast<char>(qGreen(c));
                s += static_cast<char>(qRed(c));
                s += static_cast<char>(qAlpha(c));
            }
    return s;
}

void TCustomImageList::SetImagesData(const std::string& data)
{
    if (data.empty()) return Clear();
    if (data.size() < kImagesHeader || data.compare(0, 4, kImagesMagic, 4) != 0)
        throw EInvalidGraphic(AnsiString("Invalid image list data: not an image list"));
    int64_t width = GetU32(data, 4), height = GetU32(data, 8), count = GetU32(data, 12);
    if (!ValidSize(width, height) || width == 0 || height == 0)
        throw EInvalidGraphic(AnsiString("Invalid image list data: images of " + std::to_string(width) + " x " +
                                         std::to_string(height) + " pixels"));
    // Checked in 64 bits, so that a huge count cannot wrap around to the length present.
    uint64_t expected = kImagesHeader + uint64_t(count) * uint64_t(width) * uint64_t(height) * 4;
    if (expected != data.size())
        throw EInvalidGraphic(AnsiString("Invalid image list data: " + std::to_string(expected - kImagesHeader) +
                                         " bytes of pixels announced, " + std::to_string(data.size() - kImagesHeader) +
                                         " present"));
    std::vector<QImage> images;
    auto bytes = reinterpret_cast<const uint8_t*>(data.data()) + kImagesHeader;
    for (int64_t i = 0; i < count; ++i) {
        QImage img(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x, bytes += 4)
                img.setPixel(x, y, qPremultiply(qRgba(bytes[2], bytes[1], bytes[0], bytes[3])));
        images.push_back(std::move(img));
    }
    FWidth = int(width);
    FHeight = int(height);
    d->images = std::move(images);
    Change();
}

void TCustomImageList::RegisterChanges(TChangeLink* link)
{
    if (!link) return;
    link->SetSender(this);
    if (std::find(FChanges.begin(), FChanges.end(), link) == FChanges.end()) FChanges.push_back(link);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link)
{
    auto it = std::find(FChanges.begin(), FChanges.end(), link);
    if (it == FChanges.end()) return;
    FChanges.erase(it);
    if (link->Sender() == this) link->SetSender(nullptr);
}

void TCustomImageList::Change()
{
    std::vector<TChangeLink*> links = FChanges;  // a handler may unregister
    for (TChangeLink* link : links)
        if (std::find(FChanges.begin(), FChanges.end(), link) != FChanges.end()) link->Change();
    OnChange(this);
}
