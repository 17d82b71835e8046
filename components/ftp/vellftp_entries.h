#pragma once
// One directory entry of a listing, and the parsers that make it from a server's lines: MLSD
// fact lines, and LIST lines in the Unix "ls -l" and the DOS/IIS shapes. No sockets here.
#include "toolkit/system/AnsiString.h"

#include <cstdint>
#include <optional>
#include <string_view>

enum TFtpEntryKind : unsigned char {
    fekFile = 0,
    fekDirectory = 1,
    fekLink = 2,
    fekOther = 3,  // a device, a pipe, a socket
};

// A calendar time as the server gave it: UTC from MLSD, the server's own clock from LIST.
// Year 0: unknown. LIST gives no seconds, and no year for recent files (it is inferred).
struct TFtpDateTime {
    int Year = 0;
    int Month = 0;
    int Day = 0;
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
    bool IsEmpty() const { return Year == 0; }
    friend bool operator==(const TFtpDateTime&, const TFtpDateTime&) = default;
};

struct TFtpEntry {
    AnsiString Name;
    TFtpEntryKind Kind = fekFile;
    AnsiString LinkTarget;  // a link's target, when the listing names it
    int64_t Size = -1;      // unknown
    TFtpDateTime Modified;
    AnsiString RawLine;     // the line as the server sent it
};

// "type=file;size=12;modify=20260101120000; name". Nothing for the directory itself and its
// parent (cdir, pdir), or for a line without facts or name.
std::optional<TFtpEntry> ParseMlsdLine(std::string_view line);

// A LIST line in either shape. `today` places a Unix date given without a year: it is the
// latest such date that is not more than a day ahead of it. Nothing for "total" lines, for
// "." and "..", and for a line of neither shape.
std::optional<TFtpEntry> ParseListLine(std::string_view line, const TFtpDateTime& today);
