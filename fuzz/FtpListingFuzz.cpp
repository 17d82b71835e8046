// The FTP client's listing and FEAT parsers on any line a server may send.
#include "components/ftp/vellftp_entries.h"
#include "components/ftp/vellftp_features.h"
#include "fuzz/FuzzSupport.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const TFtpDateTime today{2026, 12, 9, 12, 0, 0};
    for (const std::optional<TFtpEntry>& entry : {ParseListLine(text, today), ParseMlsdLine(text)}) {
        if (!entry) continue;
        FUZZ_CHECK(!entry->Name.IsEmpty());
        FUZZ_CHECK(entry->Name.str() != "." && entry->Name.str() != "..");
        FUZZ_CHECK(entry->Size >= -1);
        FUZZ_CHECK(entry->Modified.IsEmpty() || (entry->Modified.Month >= 1 && entry->Modified.Month <= 12));
    }
    std::vector<std::string> lines;
    for (std::size_t at = 0; at <= text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        lines.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    const TFtpFeatures features = ParseFeatures(211, lines);
    FUZZ_CHECK(!features.Mlst || features.Offers("MLST"));
    FUZZ_CHECK(!features.Utf8 || features.Offers("utf8"));
    return 0;
}
