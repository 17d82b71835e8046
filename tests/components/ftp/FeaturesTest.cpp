// The FEAT reply: what four real servers send, odd spacing and case, and a refusal.
#include "components/ftp/vellftp_features.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& reply)
{
    std::vector<std::string> lines;
    std::istringstream in(reply);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

struct FeatCase {
    const char* name;
    int code;
    std::string reply;
    bool utf8, mlst, size, mdtm, rest, epsv;
    const char* facts;
};

TEST(FeatReply, WhatEachServerOffers)
{
    for (const FeatCase& c : {
             FeatCase{"pyftpdlib", 211,
                      "211-Features supported:\n EPRT\n EPSV\n MDTM\n MFMT\n MLST type*;perm*;size*;modify*;unique*;unix.mode;\n"
                      " REST STREAM\n SIZE\n TVFS\n UTF8\n211 End FEAT.",
                      true, true, true, true, true, true, "type*;perm*;size*;modify*;unique*;unix.mode;"},
             FeatCase{"vsftpd", 211, "211-Features:\n EPRT\n EPSV\n MDTM\n PASV\n REST STREAM\n SIZE\n TVFS\n211 End", false, false, true,
                      true, true, true, ""},
             FeatCase{"proftpd", 211,
                      "211-Features:\n CLNT\n EPSV\n LANG C.UTF-8*\n MDTM\n MLST modify*;perm*;size*;type*;UNIX.mode*;\n"
                      " RANG STREAM\n REST STREAM\n SIZE\n UTF8\n211 End",
                      true, true, true, true, true, true, "modify*;perm*;size*;type*;UNIX.mode*;"},
             FeatCase{"pure-ftpd", 211,
                      "211-Extensions supported:\n UTF8\n EPRT\n MDTM\n SIZE\n REST STREAM\n MLST type*;size*;sizd*;modify*;\n MLSD\n"
                      " AUTH TLS\n EPSV\n211 End.",
                      true, true, true, true, true, true, "type*;size*;sizd*;modify*;"},
             FeatCase{"odd spacing and case", 211, "211-Features\r\n\tutf8\r\n   mlst  Type*;SIZE;modify*\r\nsize\r\n  rest stream  \r\n211 End",
                      true, true, true, false, true, false, "Type*;SIZE;modify*"},
             FeatCase{"REST without STREAM", 211, "211-x\n REST\n RANG STREAM\n211 y", false, false, false, false, false, false, ""},
             FeatCase{"refused", 502, "502 Command not implemented.", false, false, false, false, false, false, ""},
             FeatCase{"a 211 list that is not", 500, "500-UTF8\n SIZE\n500 no", false, false, false, false, false, false, ""},
         }) {
        SCOPED_TRACE(c.name);
        const TFtpFeatures f = ParseFeatures(c.code, Lines(c.reply));
        EXPECT_EQ(f.Answered, c.code == 211);
        EXPECT_EQ(f.Utf8, c.utf8);
        EXPECT_EQ(f.Mlst, c.mlst);
        EXPECT_EQ(f.Size, c.size);
        EXPECT_EQ(f.Mdtm, c.mdtm);
        EXPECT_EQ(f.RestStream, c.rest);
        EXPECT_EQ(f.Epsv, c.epsv);
        EXPECT_EQ(f.MlstFacts.str(), c.facts);
    }
}

TEST(FeatReply, FeaturesAndFactsByName)
{
    const TFtpFeatures f = ParseFeatures(211, Lines("211-x\n AUTH TLS\n MFMT\n MLST type*;size;Modify*;\n211 End"));
    EXPECT_TRUE(f.Offers("mfmt"));
    EXPECT_TRUE(f.Offers("AUTH"));
    EXPECT_TRUE(f.Offers("auth tls"));
    EXPECT_FALSE(f.Offers("MFM"));
    EXPECT_FALSE(f.Offers("AUTH SSL"));
    EXPECT_TRUE(f.OffersFact("SIZE"));
    EXPECT_FALSE(f.GivesFact("size"));
    EXPECT_TRUE(f.GivesFact("modify"));
    EXPECT_FALSE(f.OffersFact("perm"));
    EXPECT_EQ(f.Lines.size(), 3u);
}

}  // namespace
