// Colour codes: reading pairs as the C library's "%X" does, and writing "#RRGGBB".
#include "app/ColourCode.h"

#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cstdio>
#include <locale.h>
#include <random>
#include <regex>
#include <string>

namespace {

// sscanf("%X") into a signed 32-bit int, in the C locale whatever the process uses.
std::optional<int> Sscanf(const std::string& bytes)
{
    static locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    locale_t previous = uselocale(c);
    unsigned value = 0;
    int n = std::sscanf(bytes.c_str(), "%X", &value);
    uselocale(previous);
    if (n != 1) return std::nullopt;
    return static_cast<int>(value);
}

struct DecomposeCase {
    std::string text;  // UTF-8; converted to CP932 as the edit box does
    THexCodeResult result;
    int red = 0, green = 0, blue = 0;
    TColor colour = 0;
};

// Letters and digits as they are, every other byte as _xx: usable as a test name.
std::string NameOf(const std::string& text)
{
    std::string name;
    for (unsigned char c : text) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "_%02X", c);
        name += std::isalnum(c) ? std::string(1, static_cast<char>(c)) : std::string(hex);
    }
    return name.empty() ? std::string("empty") : name;
}

void PrintTo(const DecomposeCase& c, std::ostream* os) { *os << NameOf(c.text); }

class Decompose : public testing::TestWithParam<DecomposeCase> {};

TEST_P(Decompose, GivesComponentsOrFailure)
{
    const DecomposeCase& c = GetParam();
    TDecomposedColour d = DecomposeHexCode(AnsiString::FromUtf8(c.text));
    ASSERT_EQ(d.Result, c.result);
    if (!d.Ok()) return;
    EXPECT_EQ(d.Red, c.red);
    EXPECT_EQ(d.Green, c.green);
    EXPECT_EQ(d.Blue, c.blue);
    EXPECT_EQ(d.Colour, c.colour);
}

constexpr auto Ok = THexCodeResult::Ok;
constexpr auto Length = THexCodeResult::WrongLength;
constexpr auto Bad = THexCodeResult::BadValue;

INSTANTIATE_TEST_SUITE_P(
    Codes, Decompose,
    testing::Values(DecomposeCase{"000000", Ok, 0, 0, 0, 0x000000}, DecomposeCase{"FFFFFF", Ok, 255, 255, 255, 0xFFFFFF},
                    DecomposeCase{"ffffff", Ok, 255, 255, 255, 0xFFFFFF}, DecomposeCase{"FF8000", Ok, 255, 128, 0, 0x0080FF},
                    DecomposeCase{"0a1B2c", Ok, 10, 27, 44, 0x2C1B0A},
                    // Length is counted in bytes: 3 characters of 2 bytes pass, 6 characters of 7 bytes do not.
                    DecomposeCase{"", Length}, DecomposeCase{"12345", Length}, DecomposeCase{"#FF8000", Length},
                    DecomposeCase{"FF80赤0", Length}, DecomposeCase{"赤緑青", Bad},
                    // A pair with no number in it.
                    DecomposeCase{"#FF800", Bad}, DecomposeCase{"GG0000", Bad}, DecomposeCase{"00GG00", Bad},
                    DecomposeCase{"0000-G", Bad}, DecomposeCase{"--0000", Bad}, DecomposeCase{"+ 0000", Bad},
                    DecomposeCase{"  0000", Bad}, DecomposeCase{"00x000", Bad},
                    // Reading stops at the first byte that does not fit; blanks before a number are skipped.
                    DecomposeCase{"1 2 3 ", Ok, 1, 2, 3, 0x030201}, DecomposeCase{" F0000", Ok, 15, 0, 0, 0x00000F},
                    DecomposeCase{"\t1\n2\v3", Ok, 1, 2, 3, 0x030201}, DecomposeCase{"7G0000", Ok, 7, 0, 0, 0x000007},
                    DecomposeCase{"0x0000", Ok, 0, 0, 0, 0}, DecomposeCase{"0X0x0X", Ok, 0, 0, 0, 0},
                    DecomposeCase{"+F+F+F", Ok, 15, 15, 15, 0x0F0F0F},
                    // A minus negates; only values above 255 are refused, the colour keeps the low 8 bits.
                    DecomposeCase{"-10000", Ok, -1, 0, 0, 0x0000FF}, DecomposeCase{"00-F00", Ok, 0, -15, 0, 0x00F100}),
    [](const testing::TestParamInfo<DecomposeCase>& info) { return NameOf(info.param.text); });

TEST(DecomposeHexCode, NulInsideAPairEndsIt)
{
    EXPECT_EQ(DecomposeHexCode(AnsiString(std::string("00\0F00", 6))).Result, THexCodeResult::BadValue);
    // clang-format off
    TDecomposedColour d = DecomposeHexCode(AnsiString(std::string("0F0\0" "00", 6)));
    // clang-format on
    ASSERT_TRUE(d.Ok());
    EXPECT_EQ(d.Green, 0);
}

TEST(DecomposeHexCode, MessagesOfTheTwoFailures)
{
    EXPECT_EQ(HexCodeMessage(THexCodeResult::WrongLength).ToUtf8(), "6桁の16進数で入力");
    EXPECT_EQ(HexCodeMessage(THexCodeResult::BadValue).ToUtf8(), "入力間違い");
    EXPECT_TRUE(HexCodeMessage(THexCodeResult::Ok).IsEmpty());
}

TEST(ScanHex, EveryPairReadsAsSscanfDoes)
{
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b) {
            std::string pair{static_cast<char>(a), static_cast<char>(b)};
            ASSERT_EQ(ScanHex(pair), Sscanf(pair)) << "bytes " << a << ", " << b;
        }
}

TEST(ScanHex, LongTextsReadAsSscanfDoes)
{
    std::mt19937 random(20240601);
    const std::string likely = " \t+-0xX19afAFgG";
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (int i = static_cast<int>(random() % 24); i > 0; --i)
            text += random() % 4 ? likely[random() % likely.size()] : static_cast<char>(random() % 256);
        ASSERT_EQ(ScanHex(text), Sscanf(text)) << '"' << text << '"';
    }
}

TEST(DecomposeHexCode, AnyBytesGiveAResultAsSscanfReadsThePairs)
{
    std::mt19937 random(7);
    for (int n = 0; n < 20000; ++n) {
        std::string text;
        for (int i = static_cast<int>(random() % 9); i > 0; --i) text += static_cast<char>(random() % 256);
        TDecomposedColour d = DecomposeHexCode(AnsiString(text));
        if (text.size() != 6) {
            ASSERT_EQ(d.Result, THexCodeResult::WrongLength);
            continue;
        }
        std::optional<int> r = Sscanf(text.substr(0, 2)), g = Sscanf(text.substr(2, 2)), b = Sscanf(text.substr(4, 2));
        bool valid = r && g && b && *r <= 255 && *g <= 255 && *b <= 255;
        ASSERT_EQ(d.Ok(), valid);
        if (valid) {
            EXPECT_EQ(d.Red, *r);
            EXPECT_EQ(d.Green, *g);
            EXPECT_EQ(d.Blue, *b);
        }
    }
}

TEST(ColourFromComponents, KeepsTheLowEightBitsOfEach)
{
    EXPECT_EQ(ColourFromComponents(255, 128, 0), 0x0080FF);
    EXPECT_EQ(ColourFromComponents(-1, 256, 0x1AB), 0xAB00FF);
}

TEST(FormatWebCode, WritesRedGreenBlueInUpperCase)
{
    EXPECT_EQ(FormatWebCode(clRed).str(), "#FF0000");
    EXPECT_EQ(FormatWebCode(clBlack).str(), "#000000");
    EXPECT_EQ(FormatWebCode(0x0080FF).str(), "#FF8000");
    EXPECT_EQ(FormatWebCode(0xABCDEF).str(), "#EFCDAB");
    EXPECT_EQ(FormatWebCode(static_cast<TColor>(0xFF123456u)).str(), "#563412");  // the high byte is not a colour
}

TEST(FormatWebCode, DecomposesBackToTheSameColour)
{
    std::mt19937 random(3);
    const std::regex shape("#[0-9A-F]{6}");
    for (int n = 0; n < 2000; ++n) {
        auto colour = static_cast<TColor>(random() & 0xFFFFFF);
        AnsiString code = FormatWebCode(colour);
        ASSERT_TRUE(std::regex_match(code.str(), shape)) << code.str();
        TDecomposedColour d = DecomposeHexCode(code.SubString(2, 6));
        ASSERT_TRUE(d.Ok());
        EXPECT_EQ(d.Colour, colour);
    }
}

TEST(FormatComponent, WritesSignedDecimal)
{
    EXPECT_EQ(FormatComponent(0).str(), "0");
    EXPECT_EQ(FormatComponent(255).str(), "255");
    EXPECT_EQ(FormatComponent(-1).str(), "-1");
}

}  // namespace
