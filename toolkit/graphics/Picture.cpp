#include "toolkit/graphics/Picture.h"

#include "toolkit/system/Published.h"
#include "toolkit/system/Streams.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>

namespace {

std::map<std::string, std::function<TGraphic*()>>& GraphicClasses()
{
    static std::map<std::string, std::function<TGraphic*()>> classes{
        {"TBitmap", [] { return static_cast<TGraphic*>(new TBitmap); }}};
    return classes;
}

std::unique_ptr<TGraphic> CreateGraphic(const std::string& className)
{
    auto it = GraphicClasses().find(className);
    if (it == GraphicClasses().end()) throw EInvalidGraphic(AnsiString("Unknown picture format '" + className + "'"));
    return std::unique_ptr<TGraphic>(it->second());
}

std::unique_ptr<TGraphic> CopyOf(TGraphic* g)
{
    if (!g) return nullptr;
    std::unique_ptr<TGraphic> copy = CreateGraphic(g->ClassName());
    copy->Assign(g);
    return copy;
}

}  // namespace

void RegisterGraphicClass(const std::string& className, std::function<TGraphic*()> create)
{
    GraphicClasses()[className] = std::move(create);
}

// ---- TGraphic: streams and files ----------------------------------------------------------

void TGraphic::LoadFromStream(TStream* stream)
{
    int64_t left = stream->Size() - stream->Position();
    if (left > INT32_MAX) throw EInvalidGraphic(AnsiString("Graphic data too large"));
    std::string data(static_cast<std::size_t>(std::max<int64_t>(left, 0)), '\0');
    stream->ReadBuffer(data.data(), static_cast<int>(data.size()));
    LoadFromData(data);
}

void TGraphic::SaveToStream(TStream* stream) const
{
    std::string data = SaveToData();
    stream->WriteBuffer(data.data(), static_cast<int>(data.size()));
}

void TGraphic::LoadFromFile(const std::string& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EFOpenError(AnsiString::FromUtf8("Cannot open file \"" + fileName + "\""));
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw EFOpenError(AnsiString::FromUtf8("Cannot read file \"" + fileName + "\""));
    LoadFromData(data);
}

void TGraphic::SaveToFile(const std::string& fileName) const
{
    std::string data = SaveToData();
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    if (!out.write(data.data(), static_cast<std::streamsize>(data.size())) || !out.flush())
        throw EFCreateError(AnsiString::FromUtf8("Cannot create file \"" + fileName + "\""));
}

// ---- TPicture -----------------------------------------------------------------------------

TK_CLASS_IMPL(TPicture, TPersistent, {
    info.Props.push_back(Prop::Binary<TPicture>(
        "Data", [](TPicture& p) { return p.Data(); }, [](TPicture& p, const std::string& v) { p.SetData(v); }));
})

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetGraphic(TGraphic* value)
{
    if (value == FGraphic.get()) return;
    FGraphic = CopyOf(value);
    Changed();
}

TBitmap* TPicture::Bitmap()
{
    auto* b = dynamic_cast<TBitmap*>(FGraphic.get());
    if (!b) {
        FGraphic = std::make_unique<TBitmap>();
        b = static_cast<TBitmap*>(FGraphic.get());
        Changed();
    }
    return b;
}

void TPicture::Assign(TPersistent* source)
{
    if (!source) return SetGraphic(nullptr);
    if (auto* p = dynamic_cast<TPicture*>(source)) return SetGraphic(p->Graphic());
    if (auto* g = dynamic_cast<TGraphic*>(source)) return SetGraphic(g);
    TPersistent::Assign(source);
}

std::string TPicture::Data() const
{
    if (!FGraphic) return {};
    std::string name = FGraphic->ClassName();
    std::string body = FGraphic->SaveToData();
    std::string s;
    s += static_cast<char>(name.size());
    s += name;
    uint32_t n = static_cast<uint32_t>(body.size());
    for (int i = 0; i < 4; ++i) s += static_cast<char>((n >> (8 * i)) & 0xFF);
    return s + body;
}

void TPicture::SetData(const std::string& data)
{
    if (data.empty()) return SetGraphic(nullptr);
    auto bytes = reinterpret_cast<const uint8_t*>(data.data());
    std::size_t nameLength = bytes[0];
    if (nameLength == 0 || 1 + nameLength + 4 > data.size())
        throw EInvalidGraphic(AnsiString("Invalid picture data: the header is truncated"));
    std::string name = data.substr(1, nameLength);
    std::size_t at = 1 + nameLength;
    uint32_t length = static_cast<uint32_t>(bytes[at]) | static_cast<uint32_t>(bytes[at + 1]) << 8 |
                      static_cast<uint32_t>(bytes[at + 2]) << 16 | static_cast<uint32_t>(bytes[at + 3]) << 24;
    at += 4;
    if (length != data.size() - at)
        throw EInvalidGraphic(AnsiString("Invalid picture data: " + std::to_string(length) + " bytes announced, " +
                                         std::to_string(data.size() - at) + " present"));
    std::unique_ptr<TGraphic> next = CreateGraphic(name);
    next->LoadFromData(data.substr(at));
    FGraphic = std::move(next);
    Changed();
}
