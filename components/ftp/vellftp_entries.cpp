// TVellFtp: listing lines into entries.
#include "components/ftp/vellftp_entries.h"

#include <array>
#include <cctype>
#include <string>
#include <vector>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimLineEnd(std::string_view line)
{
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    return line;
}

bool AllDigits(std::string_view text)
{
    if (text.empty()) return false;
    for (char c : text)
        if (!IsDigitChar(c)) return false;
    return true;
}

// A decimal that fits 64 bits; -1 otherwise.
int64_t Decimal(std::string_view text)
{
    if (!AllDigits(text) || text.size() > 18) return -1;
    int64_t v = 0;
    for (char c : text) v = v * 10 + (c - '0');
    return v;
}

bool EqualsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

bool IsSelfOrParent(std::string_view name) { return name == "." || name == ".."; }

struct Token {
    std::string_view text;
    std::size_t start;
};

// The blank-separated words of a line, with where each starts.
std::vector<Token> Words(std::string_view line)
{
    std::vector<Token> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) ++i;
        if (i >= line.size()) break;
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) ++i;
        words.push_back(Token{line.substr(start, i - start), start});
    }
    return words;
}

std::string_view After(std::string_view line, const Token& word)
{
    std::size_t i = word.start + word.text.size();
    while (i < line.size() && IsBlank(line[i])) ++i;
    return line.substr(i);
}

int MonthNumber(std::string_view word)
{
    static constexpr std::array<const char*, 12> kMonths = {"jan", "feb", "mar", "apr", "may", "jun",
                                                            "jul", "aug", "sep", "oct", "nov", "dec"};
    for (std::size_t m = 0; m < kMonths.size(); ++m)
        if (EqualsNoCase(word, kMonths[m])) return static_cast<int>(m) + 1;
    return 0;
}

bool ValidDate(const TFtpDateTime& t)
{
    return t.Month >= 1 && t.Month <= 12 && t.Day >= 1 && t.Day <= 31 && t.Hour >= 0 && t.Hour <= 23 && t.Minute >= 0 &&
           t.Minute <= 59 && t.Second >= 0 && t.Second <= 60;
}

// "HH:MM" into the time; false when it is not one.
bool ClockTime(std::string_view word, TFtpDateTime& t)
{
    const std::size_t colon = word.find(':');
    if (colon == std::string_view::npos || colon == 0 || colon > 2 || word.size() - colon - 1 != 2) return false;
    const int64_t h = Decimal(word.substr(0, colon)), m = Decimal(word.substr(colon + 1));
    if (h < 0 || m < 0) return false;
    t.Hour = static_cast<int>(h);
    t.Minute = static_cast<int>(m);
    return true;
}

int64_t DayNumber(const TFtpDateTime& t) { return (static_cast<int64_t>(t.Year) * 12 + t.Month - 1) * 31 + t.Day - 1; }

// The Unix shape: mode, links, owner, [group], size (or "major, minor"), month, day, time or
// year, name.
std::optional<TFtpEntry> ParseUnixLine(std::string_view line, const TFtpDateTime& today)
{
    const std::vector<Token> words = Words(line);
    if (words.size() < 6) return std::nullopt;
    const std::string_view mode = words[0].text;
    if (mode.size() < 10 || std::string_view("-dlbcpsD").find(mode[0]) == std::string_view::npos) return std::nullopt;
    TFtpEntry entry;
    entry.Kind = mode[0] == 'd' ? fekDirectory : mode[0] == 'l' ? fekLink : mode[0] == '-' ? fekFile : fekOther;
    // The month comes after the owner: look for month, day, time-or-year from there.
    for (std::size_t m = 3; m + 2 < words.size(); ++m) {
        const int month = MonthNumber(words[m].text);
        const int64_t day = Decimal(words[m + 1].text);
        if (month == 0 || day < 1 || day > 31) continue;
        TFtpDateTime t;
        t.Month = month;
        t.Day = static_cast<int>(day);
        const std::string_view yearOrTime = words[m + 2].text;
        bool timeGiven = false;
        if (yearOrTime.size() == 4 && AllDigits(yearOrTime)) t.Year = static_cast<int>(Decimal(yearOrTime));
        else if (ClockTime(yearOrTime, t)) timeGiven = true;
        else continue;
        if (m + 3 >= words.size()) return std::nullopt;  // no name
        if (timeGiven) {
            t.Year = today.Year;
            if (today.Year != 0 && DayNumber(t) > DayNumber(today) + 1) --t.Year;
        }
        if (!ValidDate(t)) return std::nullopt;
        entry.Modified = t;
        const std::string_view size = words[m - 1].text;
        // A directory's size is that of its own record, not of what it holds.
        if (entry.Kind == fekFile || entry.Kind == fekLink) entry.Size = Decimal(size);
        std::string_view name = After(line, words[m + 2]);
        if (entry.Kind == fekLink) {
            if (const std::size_t arrow = name.find(" -> "); arrow != std::string_view::npos) {
                entry.LinkTarget = AnsiString(std::string(name.substr(arrow + 4)));
                name = name.substr(0, arrow);
            }
        }
        if (name.empty() || IsSelfOrParent(name)) return std::nullopt;
        entry.Name = AnsiString(std::string(name));
        return entry;
    }
    return std::nullopt;
}

// The DOS/IIS shape: "12-09-26  04:53PM  <DIR>  name", "12-09-26  04:53PM  1234 name"; the
// year in two digits or four.
std::optional<TFtpEntry> ParseDosLine(std::string_view line)
{
    const std::vector<Token> words = Words(line);
    if (words.size() < 4) return std::nullopt;
    const std::string_view date = words[0].text, time = words[1].text, what = words[2].text;
    if (date.size() != 8 && date.size() != 10) return std::nullopt;
    if (date[2] != '-' || date[5] != '-') return std::nullopt;
    TFtpDateTime t;
    const int64_t month = Decimal(date.substr(0, 2)), day = Decimal(date.substr(3, 2)), year = Decimal(date.substr(6));
    if (month < 0 || day < 0 || year < 0) return std::nullopt;
    t.Month = static_cast<int>(month);
    t.Day = static_cast<int>(day);
    t.Year = static_cast<int>(date.size() == 10 ? year : year < 70 ? 2000 + year : 1900 + year);
    if (time.size() < 6) return std::nullopt;
    const std::string_view half = time.substr(time.size() - 2);
    const bool pm = EqualsNoCase(half, "PM");
    if (!pm && !EqualsNoCase(half, "AM")) return std::nullopt;
    if (!ClockTime(time.substr(0, time.size() - 2), t) || t.Hour < 1 || t.Hour > 12) return std::nullopt;
    t.Hour = t.Hour % 12 + (pm ? 12 : 0);
    if (!ValidDate(t)) return std::nullopt;
    TFtpEntry entry;
    entry.Modified = t;
    if (EqualsNoCase(what, "<DIR>")) entry.Kind = fekDirectory;
    else if ((entry.Size = Decimal(what)) < 0) return std::nullopt;
    const std::string_view name = After(line, words[2]);
    if (name.empty() || IsSelfOrParent(name)) return std::nullopt;
    entry.Name = AnsiString(std::string(name));
    return entry;
}

// "YYYYMMDDHHMMSS", with optional fractions of a second.
bool MlsdTime(std::string_view value, TFtpDateTime& t)
{
    if (value.size() < 14) return false;
    const std::string_view digits = value.substr(0, 14);
    if (!AllDigits(digits) || (value.size() > 14 && value[14] != '.')) return false;
    auto part = [&](std::size_t at, std::size_t n) { return static_cast<int>(Decimal(digits.substr(at, n))); };
    t = TFtpDateTime{part(0, 4), part(4, 2), part(6, 2), part(8, 2), part(10, 2), part(12, 2)};
    return t.Year > 0 && ValidDate(t);
}

}  // namespace

std::optional<TFtpEntry> ParseMlsdLine(std::string_view line)
{
    line = TrimLineEnd(line);
    // The facts end at the first blank; the name is everything after that one blank.
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos || blank + 1 >= line.size()) return std::nullopt;
    const std::string_view facts = line.substr(0, blank), name = line.substr(blank + 1);
    TFtpEntry entry;
    entry.RawLine = AnsiString(std::string(line));
    entry.Name = AnsiString(std::string(name));
    bool typed = false;
    std::size_t at = 0;
    while (at < facts.size()) {
        std::size_t end = facts.find(';', at);
        if (end == std::string_view::npos) end = facts.size();
        const std::string_view fact = facts.substr(at, end - at);
        at = end + 1;
        const std::size_t eq = fact.find('=');
        if (eq == std::string_view::npos) continue;
        const std::string_view key = fact.substr(0, eq), value = fact.substr(eq + 1);
        if (EqualsNoCase(key, "type")) {
            typed = true;
            if (EqualsNoCase(value, "cdir") || EqualsNoCase(value, "pdir")) return std::nullopt;
            if (EqualsNoCase(value, "file")) entry.Kind = fekFile;
            else if (EqualsNoCase(value, "dir")) entry.Kind = fekDirectory;
            else if (EqualsNoCase(value.substr(0, 8), "OS.unix=")) {
                // "OS.unix=symlink", "OS.unix=slink:target"; other OS.unix types are devices.
                const std::string_view kind = value.substr(8);
                const bool link = EqualsNoCase(kind.substr(0, 5), "slink") || EqualsNoCase(kind, "symlink");
                entry.Kind = link ? fekLink : fekOther;
                if (link && kind.size() > 6 && kind[5] == ':') entry.LinkTarget = AnsiString(std::string(kind.substr(6)));
            } else entry.Kind = fekOther;
        } else if (EqualsNoCase(key, "size") || (EqualsNoCase(key, "sizd") && entry.Size < 0)) {
            entry.Size = Decimal(value);
        } else if (EqualsNoCase(key, "modify")) {
            if (!MlsdTime(value, entry.Modified)) entry.Modified = TFtpDateTime();
        }
    }
    if (!typed && facts.find('=') == std::string_view::npos) return std::nullopt;
    if (IsSelfOrParent(name)) return std::nullopt;
    // A directory's "sizd" (or size) is that of its own record, not of what it holds.
    if (entry.Kind == fekDirectory) entry.Size = -1;
    return entry;
}

std::optional<TFtpEntry> ParseListLine(std::string_view line, const TFtpDateTime& today)
{
    line = TrimLineEnd(line);
    std::optional<TFtpEntry> entry = ParseUnixLine(line, today);
    if (!entry) entry = ParseDosLine(line);
    if (entry) entry->RawLine = AnsiString(std::string(line));
    return entry;
}
