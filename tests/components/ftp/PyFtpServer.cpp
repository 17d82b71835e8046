#include "tests/components/ftp/PyFtpServer.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

PyFtpServer::PyFtpServer(const char* wireEncoding)
{
    int out[2];
    if (FRoot.Path().empty() || ::pipe2(out, O_CLOEXEC) != 0) {
        FError = "no temporary directory or pipe";
        return;
    }
    std::string script = std::string(TAVIN3_SOURCE_DIR) + "/tests/fixtures/pyftpd_server.py";
    std::vector<std::string> args = {"/usr/bin/python3", "-W", "ignore::DeprecationWarning", script, FRoot.Path(), User, Password};
    if (wireEncoding) args.push_back(wireEncoding);
    const bool started = FServer.Start(args, CurrentEnvironment(), out[1]);
    ::close(out[1]);
    // The first line is the port; a slow start under the sanitizers is allowed for.
    const std::string line = started ? ReadPipe(out[0], std::chrono::seconds(30), true) : std::string();
    ::close(out[0]);
    if (!started) {
        FError = "cannot start /usr/bin/python3";
        return;
    }
    FPort = std::atoi(line.c_str());
    if (FPort <= 0) FError = "pyftpdlib did not start (is python3-pyftpdlib installed?)";
}

// In one read: a character at a time takes seconds for 64 MiB in the sanitizer build.
std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return std::string();
    std::string bytes(static_cast<std::size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
