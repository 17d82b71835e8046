// The FTP client's reply engine, in process and without sockets: the replies of a whole
// session, fed in pieces of arbitrary sizes, read command by command as the component reads
// them. Every command ends in exactly one outcome (a reply that settles it, or none when the
// bytes run out), within at most two replies; a multi-line reply ends only at a final line
// with its own code; nothing is owed after a settled command.
#include "components/ftp/vellftp_replies.h"
#include "fuzz/FuzzSupport.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool EndsReply(const std::string& line)
{
    return line.size() >= 3 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) && (line.size() == 3 || line[3] == ' ');
}

// The session's bytes, handed to the engine in pieces whose sizes the input's first bytes choose.
class Wire {
public:
    Wire(const uint8_t* data, size_t size) : FData(data), FSize(size)
    {
        for (int i = 0; i < 2 && FAt < FSize; ++i) FSeed = FSeed * 256 + FData[FAt++];
    }
    // False once everything, and then the end of the stream, has been given.
    bool Feed(TReplyEngine& engine)
    {
        if (FAt >= FSize) {
            if (FEnded) return false;
            engine.EndOfStream();
            FEnded = true;
            return true;
        }
        FSeed = FSeed * 1103515245u + 12345u;
        const size_t piece = 1 + (FSeed >> 16) % 97;
        const size_t n = piece < FSize - FAt ? piece : FSize - FAt;
        engine.Append(reinterpret_cast<const char*>(FData + FAt), n);
        FAt += n;
        return true;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    size_t FAt = 0;
    unsigned FSeed = 0;
    bool FEnded = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TReplyEngine engine;
    engine.Reset();
    Wire wire(data, size);
    int commands = 0;
    int outcomes = 0;
    bool bytesLeft = true;
    while (bytesLeft && commands < 10000) {
        engine.CommandSent();
        ++commands;
        int replies = 0;
        for (bool settled = false; !settled;) {
            engine.BeginReply();
            std::string line;
            std::string first;
            bool ended = false;
            while (!ended) {
                while (!engine.TakeReplyLine(line))
                    if (!wire.Feed(engine)) break;
                if (line.empty()) break;  // no whole line is left: the command goes unanswered
                FUZZ_CHECK(line.size() <= TReplyLines::kLongest);
                FUZZ_CHECK(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos);
                if (first.empty()) first = line;
                ended = engine.ReplyEnded();
                if (ended) {
                    FUZZ_CHECK(EndsReply(line));
                    if (first.size() >= 4 && first[3] == '-' && EndsReply(first.substr(0, 3)))
                        FUZZ_CHECK(line.compare(0, 3, first, 0, 3) == 0);
                } else {
                    line.clear();
                }
            }
            if (!ended) {  // the bytes ran out: one outcome, no reply
                engine.NoReply();
                FUZZ_CHECK(!engine.Settled());
                ++outcomes;
                bytesLeft = false;
                break;
            }
            ++replies;
            settled = engine.Settle(std::atoi(line.c_str()));
            FUZZ_CHECK(settled == engine.Settled());
            FUZZ_CHECK(replies <= 2);
            if (settled) {
                ++outcomes;
                FUZZ_CHECK(engine.Owed() == 0);
            }
        }
        if (!engine.ClosingNotice().empty()) FUZZ_CHECK(engine.ClosingNotice().compare(0, 4, "421 ") == 0 || engine.ClosingNotice() == "421");
    }
    FUZZ_CHECK(outcomes == commands);
    return 0;
}
