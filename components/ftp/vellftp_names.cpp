// TVellFtp: names between CP932 and a UTF-8 server.
#include "components/ftp/vellftp_names.h"

#include <algorithm>

bool HasHighBytes(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t need = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c < 0x80) need = 0;
        else if (c >= 0xC2 && c <= 0xDF) need = 1;
        else if (c >= 0xE0 && c <= 0xEF) {
            need = 2;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            need = 3;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else return false;
        for (std::size_t k = 1; k <= need; ++k) {
            if (i + k >= text.size()) return false;
            const auto b = static_cast<unsigned char>(text[i + k]);
            if (k == 1 ? (b < low || b > high) : (b < 0x80 || b > 0xBF)) return false;
        }
        i += need + 1;
    }
    return true;
}

AnsiString TServerNames::Deliver(const std::string& serverBytes)
{
    AnsiString shown = AnsiString::FromUtf8(serverBytes);
    // Plain ASCII without '?' is the same on both sides and can stand for nothing else.
    const std::string& key = shown.str();
    if (HasHighBytes(key) || key.find('?') != std::string::npos) {
        std::vector<std::string>& names = FServerBytes[key];
        if (std::find(names.begin(), names.end(), serverBytes) == names.end()) names.push_back(serverBytes);
    }
    return shown;
}

AnsiString TServerNames::StepToServer(const std::string& step, std::string& out) const
{
    if (const auto it = FServerBytes.find(step); it != FServerBytes.end()) {
        if (it->second.size() > 1)
            return "TVellFtp: 同じ表示の名前がサーバーに複数あります (the name stands for several server names): "_ansi + AnsiString(step);
        out += it->second.front();
        return AnsiString();
    }
    const std::string converted = AnsiString(step).ToUtf8();
    // A byte CP932 does not define would go out as '?' and name another file.
    if (std::count(converted.begin(), converted.end(), '?') != std::count(step.begin(), step.end(), '?'))
        return "TVellFtp: 名前を UTF-8 にできません (the name cannot be written in UTF-8): "_ansi + AnsiString(step);
    out += converted;
    return AnsiString();
}

AnsiString TServerNames::ToServer(const AnsiString& path, std::string& serverBytes) const
{
    const std::string& text = path.str();
    serverBytes.clear();
    if (FServerBytes.count(text)) return StepToServer(text, serverBytes);
    std::size_t at = 0;
    for (;;) {
        const std::size_t slash = text.find('/', at);
        const AnsiString why = StepToServer(text.substr(at, slash == std::string::npos ? std::string::npos : slash - at), serverBytes);
        if (!why.IsEmpty() || slash == std::string::npos) return why;
        serverBytes += '/';
        at = slash + 1;
    }
}
