// TVellFtp: what the server offers (FEAT), its names' character set, and listings as entries.
//
// The application's strings are CP932. With a UTF-8 server every command goes out converted
// (a name it was given goes back as the server's own bytes, see TServerNames), and every line
// that comes back (replies, OnStatus, listing lines, names) comes in converted.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include <array>
#include <cctype>
#include <ctime>

namespace {

std::string Verb(std::string_view command)
{
    std::string verb(command.substr(0, command.find(' ')));
    for (char& c : verb) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return verb;
}

// The commands whose argument is a path on the server.
bool TakesPath(const std::string& verb)
{
    static constexpr std::array<const char*, 18> kPathVerbs = {"CWD", "XCWD", "MKD", "XMKD", "RMD", "XRMD", "DELE", "RNFR", "RNTO",
                                                               "RETR", "STOR", "APPE", "LIST", "NLST", "MLSD", "MLST", "SIZE", "MDTM"};
    for (const char* v : kPathVerbs)
        if (verb == v) return true;
    return false;
}

TFtpDateTime Today()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return TFtpDateTime{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec};
}

// The path of a 257 reply: between the first quote and the next one alone, "" standing for ".
bool QuotedPath(const std::string& line, std::string& path)
{
    const std::size_t open = line.find('"');
    if (open == std::string::npos) return false;
    path.clear();
    for (std::size_t i = open + 1; i < line.size(); ++i) {
        if (line[i] != '"') path += line[i];
        else if (i + 1 < line.size() && line[i + 1] == '"') path += line[++i];
        else return true;
    }
    return false;
}

}  // namespace

// After the login (and PBSZ/PROT): FEAT, then OPTS UTF8 ON where UTF-8 is taken. Neither may
// fail the login; the application still reads the login's own reply afterwards.
void TVellFtp::NegotiateFeatures()
{
    const AnsiString loginReply = FLastReply;
    const int loginCode = FResultCode;
    const auto deadline = Clock::now() + kCatchUpWait;
    if (SendLine("FEAT") && ReadFinalReply(deadline)) FFeatures = ParseFeatures(FResultCode, FReplyLines);
    if (FFeatures.Utf8 && FCharset != fcsCP932) {
        // RFC 2640 servers need no OPTS; some (IIS, FileZilla Server) convert only after it.
        if (SendLine("OPTS UTF8 ON")) ReadFinalReply(deadline);
        FUtf8 = true;
    } else if (FCharset == fcsAuto && FFeatures.Answered) {
        // A server that answers FEAT is a modern one, and a Unix server names files in UTF-8
        // whether it says so or not (vsftpd); a Shift-JIS server shows itself in its names.
        FUtf8 = true;
        FCharsetSettled = false;
    }
    if (!FControlSocket->Active()) DoConnectionFailed();
    FLastReply = loginReply;
    FResultCode = loginCode;
}

void TVellFtp::ResetNames()
{
    FFeatures = TFtpFeatures();
    FUtf8 = FCharset == fcsUTF8;
    FCharsetSettled = true;
    FServerNames.Clear();
}

AnsiString TVellFtp::WireRefusal(const AnsiString& command, std::string& wire) const
{
    const std::string& text = command.str();
    if (!FUtf8) {
        wire = text;
        return AnsiString();
    }
    const std::size_t blank = text.find(' ');
    if (blank != std::string::npos && TakesPath(Verb(text))) {
        std::string path;
        const AnsiString why = FServerNames.ToServer(AnsiString(text.substr(blank + 1)), path);
        if (!why.IsEmpty()) return why;
        wire = text.substr(0, blank + 1) + path;
    } else {
        wire = command.ToUtf8();
    }
    if (wire.size() > kMaxCommandLength)
        return "TVellFtp: コマンドが長すぎます (command longer than "_ansi + AnsiString(std::to_string(kMaxCommandLength)) +
               " bytes)。"_ansi;
    return AnsiString();
}

AnsiString TVellFtp::IncomingText(std::string_view text) const
{
    return FUtf8 ? AnsiString::FromUtf8(text) : AnsiString(std::string(text));
}

// Automatic, on a server that did not say: the first text with bytes past ASCII decides.
void TVellFtp::NoteServerNames(std::string_view text)
{
    if (FCharsetSettled || !HasHighBytes(text)) return;
    FUtf8 = IsValidUtf8(text);
    FCharsetSettled = true;
}

void TVellFtp::NoteListingCommand(std::string_view command)
{
    const std::string verb = Verb(command);
    if (verb == "LIST") FListing = FWantEntries ? ListingKind::Entries : ListingKind::Lines;
    else if (verb == "NLST") FListing = ListingKind::Names;
    else if (verb == "MLSD") FListing = ListingKind::MlsdEntries;
}

// 257 "path": the path is a name the application may pass back.
void TVellFtp::NoteDirectoryReply(const std::string& line)
{
    std::string path;
    if (!QuotedPath(line, path)) return;
    NoteServerNames(path);
    if (FUtf8) FServerNames.Deliver(path);
}

void TVellFtp::DeliverListLine(const char* line)
{
    const std::string raw(line);
    NoteServerNames(raw);
    switch (FListing) {
    case ListingKind::Lines:
        if (!FOnListItem) return;
        // The application reads the name out of the line and may pass it back.
        if (FUtf8)
            if (const std::optional<TFtpEntry> entry = ParseListLine(raw, Today())) FServerNames.Deliver(entry->Name.str());
        FOnListItem(IncomingText(raw));
        return;
    case ListingKind::Names:
        FOnListItem(FUtf8 ? FServerNames.Deliver(raw) : AnsiString(raw));
        return;
    case ListingKind::Entries:
    case ListingKind::MlsdEntries: {
        std::optional<TFtpEntry> entry = FListing == ListingKind::MlsdEntries ? ParseMlsdLine(raw) : ParseListLine(raw, Today());
        if (!entry) return;
        if (FUtf8) {
            entry->Name = FServerNames.Deliver(entry->Name.str());
            entry->LinkTarget = FServerNames.Deliver(entry->LinkTarget.str());
            entry->RawLine = IncomingText(entry->RawLine.str());
        }
        FOnListEntry(*entry);
        return;
    }
    }
}

void TVellFtp::ListEntries() { ListEntries(AnsiString()); }

void TVellFtp::ListEntries(const AnsiString& path)
{
    const AnsiString command = AnsiString(FFeatures.Mlst ? "MLSD" : "LIST") + (path.IsEmpty() ? AnsiString() : AnsiString(" ") + path);
    // Before any data connection is asked for.
    std::string wire;
    if (const AnsiString why = WireRefusal(command, wire); !why.IsEmpty()) throw Exception(why);
    FWantEntries = true;
    try {
        DoList(command);
    } catch (...) {
        FWantEntries = false;
        throw;
    }
    FWantEntries = false;
}
