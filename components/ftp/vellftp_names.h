#pragma once
// Names between the application's CP932 and a UTF-8 server. A server name that CP932 cannot
// hold exactly (a character outside it, a byte sequence that is not UTF-8) comes to the
// application with '?' or a near character in its place; the server's own bytes are kept for
// it, so that the name passed back addresses that file and no other. A delivered text that
// stands for two server names is refused rather than guessed.
#include "toolkit/system/AnsiString.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

bool HasHighBytes(std::string_view text);
bool IsValidUtf8(std::string_view text);

class TServerNames {
public:
    // The name as the application sees it; remembers the server's bytes behind it.
    AnsiString Deliver(const std::string& serverBytes);
    // The server's bytes for a path the application gives: a delivered name (whole or as one
    // step of a path) goes back as the server sent it, the rest converted. Empty, or why it
    // cannot go: the path is ambiguous or cannot be written in UTF-8.
    AnsiString ToServer(const AnsiString& path, std::string& serverBytes) const;
    void Clear() { FServerBytes.clear(); }

private:
    // One step of a path, added to `out`; empty, or why it cannot go.
    AnsiString StepToServer(const std::string& step, std::string& out) const;

    std::map<std::string, std::vector<std::string>> FServerBytes;  // delivered text -> server names
};
