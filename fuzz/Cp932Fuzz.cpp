// CP932 conversions: whatever comes in, what goes out is well-formed, nothing but a bad
// sequence is lost, and converted text converts back to itself.
#include "fuzz/FuzzSupport.h"
#include "toolkit/system/AnsiString.h"

#include <cstdint>
#include <string>

namespace {

bool IsUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        std::size_t n = c < 0x80                   ? 1
                        : (c >= 0xC2 && c <= 0xDF) ? 2
                        : (c >= 0xE0 && c <= 0xEF) ? 3
                        : (c >= 0xF0 && c <= 0xF4) ? 4
                                                   : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

std::size_t AsciiCount(const std::string& s)
{
    std::size_t n = 0;
    for (unsigned char c : s) n += c < 0x80;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // As CP932 bytes: the UTF-8 is well-formed, and converts back to what it says.
    const std::string utf8 = AnsiString(bytes).ToUtf8();
    FUZZ_CHECK(IsUtf8(utf8));
    FUZZ_CHECK(AnsiString::FromUtf8(utf8).ToUtf8() == utf8);

    // As UTF-8: each ASCII character survives (a bad byte never swallows one), and the CP932
    // result goes to UTF-8 and back unchanged.
    const AnsiString cp932 = AnsiString::FromUtf8(bytes);
    const std::string utf8Again = cp932.ToUtf8();
    FUZZ_CHECK(IsUtf8(utf8Again));
    FUZZ_CHECK(AsciiCount(utf8Again) >= AsciiCount(bytes));
    FUZZ_CHECK(AnsiString::FromUtf8(utf8Again) == cp932);
    return 0;
}
