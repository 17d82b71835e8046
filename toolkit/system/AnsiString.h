#pragma once
// Byte string in the ANSI code page (CP932), lengths counted in bytes.
// Conversion to and from UTF-8 happens only at the toolkit's edges.
#include <compare>
#include <string>
#include <string_view>

class AnsiString {
public:
    AnsiString() = default;
    AnsiString(const char* bytes) : FData(bytes ? bytes : "") {}
    AnsiString(std::string bytes) : FData(std::move(bytes)) {}
    AnsiString(const char* bytes, std::size_t len) : FData(bytes, len) {}

    // Source literals and Qt text are UTF-8; CP932 cannot hold everything, the rest becomes '?'.
    static AnsiString FromUtf8(std::string_view utf8);
    std::string ToUtf8() const;

    int Length() const { return static_cast<int>(FData.size()); }
    bool IsEmpty() const { return FData.empty(); }
    const char* c_str() const { return FData.c_str(); }
    const std::string& str() const { return FData; }
    std::string& str() { return FData; }
    char operator[](int index1) const { return FData[static_cast<std::size_t>(index1 - 1)]; }  // 1-based
    AnsiString SubString(int index1, int count) const;                                         // 1-based, clipped to the text

    AnsiString& operator+=(const AnsiString& s)
    {
        FData += s.FData;
        return *this;
    }
    friend AnsiString operator+(AnsiString a, const AnsiString& b)
    {
        a += b;
        return a;
    }
    friend bool operator==(const AnsiString& a, const AnsiString& b) = default;
    friend auto operator<=>(const AnsiString& a, const AnsiString& b) = default;

private:
    std::string FData;
};

// UTF-8 literal to CP932, for the program's own Japanese texts.
inline AnsiString operator""_ansi(const char* s, std::size_t n) { return AnsiString::FromUtf8(std::string_view(s, n)); }

AnsiString IntToStr(long long value);
