#pragma once
// What a server offers, from its reply to FEAT: one feature a line, each line led by a blank.
#include "toolkit/system/AnsiString.h"

#include <string>
#include <vector>

struct TFtpFeatures {
    bool Answered = false;    // the server answered FEAT with its list (211)
    bool Utf8 = false;        // UTF8: path names in UTF-8
    bool Mlst = false;        // MLST (and so MLSD)
    AnsiString MlstFacts;     // "type*;size*;modify*;": the facts, those given by default starred
    bool Size = false;        // SIZE
    bool Mdtm = false;        // MDTM
    bool RestStream = false;  // REST STREAM
    bool Epsv = false;        // EPSV
    std::vector<AnsiString> Lines;  // every feature line, trimmed, as the server wrote it

    // A feature by name (any case), "UTF8", "MFMT", "AUTH TLS" (a name and its first word).
    bool Offers(const std::string& feature) const;
    // An MLST fact by name (any case): offered at all, and given without asking.
    bool OffersFact(const std::string& fact) const;
    bool GivesFact(const std::string& fact) const;
};

// The lines of a 211 reply to FEAT, first and last included; a reply with another code (or none)
// offers nothing.
TFtpFeatures ParseFeatures(int resultCode, const std::vector<std::string>& lines);
