#pragma once
// The control connection's bytes as they arrive, handed out as reply lines.
#include <cstddef>
#include <string>

class TReplyLines {
public:
    // The longest line handed out; a longer one is cut there, so a flood cannot grow a line
    // without bound.
    static constexpr std::size_t kLongest = 1048575;

    void Append(const char* data, std::size_t length) { FBytes.append(data, length); }
    // The connection has ended: a last unfinished line counts as a line.
    void EndOfStream();
    void Clear();
    bool Empty() const { return FAt == FBytes.size(); }
    // A whole line is waiting.
    bool HasLine() const;
    // Takes the next non-empty line. CR, LF and NUL end a line (the text is read as C strings).
    bool TakeLine(std::string& line);
    // The code of the first waiting line that can close a transfer (three digits, a blank,
    // code 200 or more); 0 when there is none yet.
    int ClosingCode() const;

private:
    std::string FBytes;
    std::size_t FAt = 0;  // where the lines not yet taken begin
};
