#include "toolkit/system/AnsiString.h"

#include <algorithm>
#include <cerrno>
#include <iconv.h>

namespace {

// Length of the UTF-8 sequence at the start of `in` when it is well formed; otherwise the length
// of its longest prefix that could still begin one (at least 1), so that a bad lead byte never
// swallows the characters after it.
std::size_t Utf8SequenceLength(std::string_view in)
{
    auto c = static_cast<unsigned char>(in[0]);
    std::size_t need = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) need = 2;
    else if (c >= 0xE0 && c <= 0xEF) {
        need = 3;
        if (c == 0xE0) low = 0xA0;
        if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        need = 4;
        if (c == 0xF0) low = 0x90;
        if (c == 0xF4) high = 0x8F;
    } else {
        return 1;
    }
    std::size_t n = 1;
    while (n < need && n < in.size()) {
        auto b = static_cast<unsigned char>(in[n]);
        bool fits = n == 1 ? (b >= low && b <= high) : (b >= 0x80 && b <= 0xBF);
        if (!fits) break;
        ++n;
    }
    return n;
}

// Converts with iconv, replacing what cannot be converted by '?' one input character at a time.
std::string Convert(const char* to, const char* from, std::string_view in, std::size_t badStep)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::string(in);
    std::string out;
    out.resize(in.size() * 2 + 8);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    std::size_t used = 0;
    while (srcLeft > 0) {
        char* dst = out.data() + used;
        std::size_t dstLeft = out.size() - used;
        std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
        used = out.size() - dstLeft;
        if (r != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2);
        } else {
            // EILSEQ or EINVAL: skip one bad input character, emit '?'.
            std::size_t step = badStep;
            if (badStep == 0) step = Utf8SequenceLength(std::string_view(src, srcLeft));  // UTF-8 input
            step = std::min(step, srcLeft);
            src += step;
            srcLeft -= step;
            if (used + 1 > out.size()) out.resize(out.size() * 2);
            out[used++] = '?';
        }
    }
    iconv_close(cd);
    out.resize(used);
    return out;
}

bool IsAscii(std::string_view s)
{
    return std::ranges::all_of(s, [](unsigned char c) { return c < 0x80; });
}

}  // namespace

AnsiString AnsiString::FromUtf8(std::string_view utf8)
{
    if (IsAscii(utf8)) return AnsiString(std::string(utf8));
    return AnsiString(Convert("CP932", "UTF-8", utf8, 0));
}

std::string AnsiString::ToUtf8() const
{
    if (IsAscii(FData)) return FData;
    return Convert("UTF-8", "CP932", FData, 1);
}

AnsiString AnsiString::SubString(int index1, int count) const
{
    if (index1 < 1) {
        count += index1 - 1;
        index1 = 1;
    }
    if (count <= 0 || index1 > Length()) return AnsiString();
    return AnsiString(FData.substr(static_cast<std::size_t>(index1 - 1), static_cast<std::size_t>(count)));
}

AnsiString IntToStr(long long value) { return AnsiString(std::to_string(value)); }
