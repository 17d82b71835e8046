#include "tests/components/ftp/PyFtpServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
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
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    std::string script = std::string(TAVIN3_SOURCE_DIR) + "/tests/fixtures/pyftpd_server.py";
    std::vector<std::string> args = {"/usr/bin/python3", "-W", "ignore::DeprecationWarning", script, FRoot.Path(), User, Password};
    if (wireEncoding) args.push_back(wireEncoding);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int r = ::posix_spawn(&FPid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (r != 0) {
        FPid = -1;
        ::close(out[0]);
        FError = "cannot start /usr/bin/python3";
        return;
    }
    // The first line is the port; a slow start under the sanitizers is allowed for.
    std::string line;
    for (char c; line.find('\n') == std::string::npos;) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 30000) <= 0 || ::read(out[0], &c, 1) != 1) break;
        line += c;
    }
    ::close(out[0]);
    FPort = std::atoi(line.c_str());
    if (FPort <= 0) FError = "pyftpdlib did not start (is python3-pyftpdlib installed?)";
}

PyFtpServer::~PyFtpServer()
{
    if (FPid > 0) {
        ::kill(FPid, SIGTERM);
        int status = 0;
        ::waitpid(FPid, &status, 0);
    }
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}
