// The colour-code reader against the C library: ScanHex must read what sscanf("%X") reads,
// and a decomposed code must hold three components of at most 255 that make its colour.
#include "app/ColourCode.h"
#include "fuzz/FuzzSupport.h"

#include <cstdint>
#include <cstdio>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    bytes = bytes.substr(0, bytes.find('\0'));  // sscanf stops there too

    unsigned int scanned = 0;
    const int fields = std::sscanf(bytes.c_str(), "%X", &scanned);
    const std::optional<int> ours = ScanHex(bytes);
    if (fields == 1) {
        if (!ours || *ours != static_cast<int>(scanned))
            std::fprintf(stderr, "'%s': sscanf %d, ScanHex %s\n", bytes.c_str(), static_cast<int>(scanned),
                         ours ? std::to_string(*ours).c_str() : "none");
        FUZZ_CHECK(ours && *ours == static_cast<int>(scanned));
    } else {
        FUZZ_CHECK(!ours);
    }

    const TDecomposedColour d = DecomposeHexCode(AnsiString(bytes));
    if (d.Ok()) {
        FUZZ_CHECK(bytes.size() == 6);
        // A pair such as "-F" reads as a negative number, which the program shows as it is.
        for (int c : {d.Red, d.Green, d.Blue}) FUZZ_CHECK(c >= -15 && c <= 255);
        FUZZ_CHECK(d.Colour == ColourFromComponents(d.Red, d.Green, d.Blue));
        const std::string web = FormatWebCode(d.Colour).str();
        FUZZ_CHECK(web.size() == 7 && web[0] == '#');
    } else {
        FUZZ_CHECK(!HexCodeMessage(d.Result).IsEmpty());
    }
    return 0;
}
