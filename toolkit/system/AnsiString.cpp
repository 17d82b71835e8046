#include "toolkit/system/AnsiString.h"

#include <iconv.h>
#include <algorithm>
#include <cerrno>

namespace {

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
            if (badStep == 0) {  // UTF-8 input: skip the whole sequence
                unsigned char c = static_cast<unsigned char>(*src);
                step = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            }
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
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
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
    if (index1 < 1) { count += index1 - 1; index1 = 1; }
    if (count <= 0 || index1 > Length()) return AnsiString();
    return AnsiString(FData.substr(static_cast<std::size_t>(index1 - 1), static_cast<std::size_t>(count)));
}

AnsiString IntToStr(long long value) { return AnsiString(std::to_string(value)); }
