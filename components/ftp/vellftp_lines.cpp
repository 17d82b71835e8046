// Reply lines out of the control connection's bytes.
#include "components/ftp/vellftp_lines.h"
#include "components/ftp/vellftp_internal.h"

#include <algorithm>

namespace {
const std::string kLineEnds("\r\n\0", 3);
}  // namespace

void TReplyLines::EndOfStream()
{
    if (!Empty()) FBytes += '\n';
}

void TReplyLines::Clear()
{
    FBytes.clear();
    FAt = 0;
}

bool TReplyLines::HasLine() const
{
    const std::size_t end = FBytes.find_first_of(kLineEnds, FAt);
    return end != std::string::npos || FBytes.size() - FAt >= kLongest;
}

bool TReplyLines::TakeLine(std::string& line)
{
    for (;;) {
        const std::size_t end = FBytes.find_first_of(kLineEnds, FAt);
        if (end == std::string::npos || end - FAt > kLongest) {
            if (FBytes.size() - FAt < kLongest) break;
            line.assign(FBytes, FAt, kLongest);
            FAt += kLongest;
            return true;
        }
        const std::size_t next = FBytes.find_first_not_of(kLineEnds, end);
        line.assign(FBytes, FAt, end - FAt);
        FAt = next == std::string::npos ? FBytes.size() : next;
        if (!line.empty()) return true;
    }
    // Taken bytes go once they are half the buffer, so taking a line costs no copy of the rest.
    if (FAt > 0 && FAt * 2 >= FBytes.size()) {
        FBytes.erase(0, FAt);
        FAt = 0;
    }
    return false;
}

int TReplyLines::ClosingCode() const
{
    std::size_t start = FAt;
    std::string line;
    while (start < FBytes.size()) {
        const std::size_t end = FBytes.find_first_of(kLineEnds, start);
        if (end == std::string::npos) break;
        line.assign(FBytes, start, std::min<std::size_t>(end - start, 4));
        if (IsFinalLine(line) && LeadingNumber(line.c_str()) >= 200) return LeadingNumber(line.c_str());
        start = end + 1;
    }
    return 0;
}
