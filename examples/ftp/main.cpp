// FtpSample: an FTP client window built on the FTP component. Its log also goes to standard
// output, one line each.
#include "examples/ftp/FtpSampleForm.h"
#include "toolkit/controls/ProgramMain.h"

#include <cstdio>
#include <cstring>
#include <string>

TFtpSampleForm* FtpSampleForm = nullptr;

namespace {
const char* const kUsage = "usage: %s [host [port [user]]]\n";

// 1..65535, or 0 when the text is not such a number.
int PortOf(const char* text)
{
    std::string s = text;
    if (s.empty() || s.size() > 5 || s.find_first_not_of("0123456789") != std::string::npos) return 0;
    int port = std::stoi(s);
    return port <= 65535 ? port : 0;
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc > 4 || (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0))) {
        std::fprintf(argc > 4 ? stderr : stdout, kUsage, argv[0]);
        return argc > 4 ? 2 : 0;
    }
    int port = argc > 2 ? PortOf(argv[2]) : 0;
    if (argc > 2 && port == 0) {
        std::fprintf(stderr, "%s: the port must be a number from 1 to 65535, not \"%s\"\n", argv[0], argv[2]);
        return 2;
    }
    return RunMainForm<TFtpSampleForm>("FtpSample", argv[0], FtpSampleForm, [&](TFtpSampleForm& form) {
        form.LogEcho = [](const std::string& line) {
            std::fprintf(stdout, "%s\n", line.c_str());
            std::fflush(stdout);
        };
        form.SetServer(AnsiString::FromUtf8(argc > 1 ? argv[1] : ""), port, AnsiString::FromUtf8(argc > 3 ? argv[3] : ""));
    });
}
