// The form description reader: any text is either refused with EReadError or read; what was
// read is written, and that text reads back and writes again the same.
#include "fuzz/FuzzSupport.h"
#include "toolkit/controls/Forms.h"
#include "toolkit/streaming/FormReader.h"
#include "toolkit/streaming/FormWriter.h"

#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    StartOffscreenApplication();
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string written;
    {
        TForm form(nullptr);
        try {
            ReadComponentText(&form, text);
        } catch (const EReadError&) {
            return 0;
        }
        written = WriteComponentText(&form);
    }
    std::string again;
    {
        TForm form(nullptr);
        try {
            ReadComponentText(&form, written);
        } catch (const EReadError& e) {
            std::fprintf(stderr, "written text refused: %s\n%s", e.what(), written.c_str());
            std::abort();
        }
        again = WriteComponentText(&form);
    }
    if (again != written) std::fprintf(stderr, "first:\n%s\nsecond:\n%s", written.c_str(), again.c_str());
    FUZZ_CHECK(again == written);
    return 0;
}
