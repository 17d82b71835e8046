// CP932 text: bytes in, bytes out, conversion only at the edges.
#include "toolkit/system/AnsiString.h"
#include "toolkit/controls/Application.h"

#include <gtest/gtest.h>

TEST(AnsiString, JapaneseLiteralsBecomeShiftJisBytes)
{
    AnsiString red = "赤"_ansi;
    ASSERT_EQ(red.Length(), 2);
    EXPECT_EQ(static_cast<unsigned char>(red[1]), 0x90);
    EXPECT_EQ(static_cast<unsigned char>(red[2]), 0xD4);
    EXPECT_EQ(red.ToUtf8(), "赤");
    // Three double-byte characters are six bytes.
    EXPECT_EQ("色分解"_ansi.Length(), 6);
    EXPECT_EQ("ミルゾホームページへ！"_ansi.ToUtf8(), "ミルゾホームページへ！");
}

TEST(AnsiString, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    // clang-format off
    EXPECT_EQ(AnsiString::FromUtf8("a\xF0\x9F\x98\x80" "b").str(), "a?b");  // an emoji
    // clang-format on
    // Broken CP932 (a lone lead byte) converts without crashing.
    EXPECT_EQ(AnsiString(std::string("x\x90", 2)).ToUtf8(), "x?");
}

TEST(AnsiString, EachBadUtf8SequenceBecomesOneQuestionMarkAndNothingElseIsLost)
{
    struct Case {
        const char* name;
        std::string utf8;
        std::string cp932;
    };
    // clang-format off
    const Case cases[] = {
        {"InvalidLeadByte", "\xFF" "ABC", "?ABC"},
        {"LeadWithoutTrail", "\xE8" "ABC", "?ABC"},
        {"CutThreeByteSequence", "\xE8\xB5" "AB", "?AB"},
        {"StrayContinuationBytes", "A\x80\x80" "B", "A??B"},
        {"OverlongTwoBytes", "\xC0\xAF" "x", "??x"},
        {"Surrogate", "\xED\xA0\x80" "x", "???x"},
        {"BeyondUnicode", "\xF5\x80" "x", "??x"},
        {"CutAtTheEnd", "x\xF0\x9F", "x?"},
        {"BadThenJapanese", "\xFF" "赤", "?\x90\xD4"},
        {"ValidButNotInTheCodePage", "\xF0\x9F\x98\x80" "ok", "?ok"},
    };
    // clang-format on
    for (const Case& c : cases) EXPECT_EQ(AnsiString::FromUtf8(c.utf8).str(), c.cp932) << c.name;
}

TEST(AnsiString, SubStringIsOneBasedAndClipped)
{
    AnsiString s("FF8000");
    EXPECT_EQ(s.SubString(1, 2), AnsiString("FF"));
    EXPECT_EQ(s.SubString(5, 2), AnsiString("00"));
    EXPECT_EQ(s.SubString(5, 10), AnsiString("00"));
    EXPECT_EQ(s.SubString(7, 1), AnsiString());
    EXPECT_EQ(s.SubString(0, 2), AnsiString("F"));
}

TEST(ApplicationTitle, ComesFromTheExecutableName)
{
    EXPECT_EQ(TitleFromExecutable("/usr/bin/Tavin3"), AnsiString("Tavin3"));
    EXPECT_EQ(TitleFromExecutable("C:/x/TAVIN3.EXE"), AnsiString("Tavin3"));
    EXPECT_EQ(TitleFromExecutable("tavin3.tar.gz"), AnsiString("tavin3"));
    EXPECT_EQ(TitleFromExecutable("/opt/.hidden"), AnsiString(""));
}
