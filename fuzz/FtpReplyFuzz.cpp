// The FTP client's reply parsing: result codes, continuation lines, the passive-mode address
// (through the tokenizer) and the size in a transfer reply, on any line a server may send.
#include "components/ftp/vellftp.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <string>

namespace {

// Reaches the parsing functions, which the component keeps to itself.
class TReplyParser : public TVellFtp {
public:
    using TVellFtp::ExtractResultCode;
    using TVellFtp::IsContinue;
    using TVellFtp::ParsePASV;
    using TVellFtp::ReceiveSize;
    using TVellFtp::TVellFtp;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StartOffscreenApplication();
    static TReplyParser* parser = new TReplyParser(nullptr);
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.substr(0, line.find('\0'));  // a reply line ends at the first NUL

    const int code = parser->ExtractResultCode(line.c_str());
    if (line.empty() || line[0] == ' ') FUZZ_CHECK(code == -1);
    const bool more = parser->IsContinue(line.c_str(), code);
    if (line.size() >= 4 && line[3] == ' ' && code >= 0) FUZZ_CHECK(!more || line.substr(0, 3) != std::to_string(code));

    AnsiString address;
    const int port = parser->ParsePASV(address, AnsiString(line));
    if (port >= 0) FUZZ_CHECK(std::count(address.str().begin(), address.str().end(), '.') >= 3);
    (void)parser->ReceiveSize(AnsiString(line));
    return 0;
}
