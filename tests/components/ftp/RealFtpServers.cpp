#include "tests/components/ftp/RealFtpServers.h"
#include "tests/fixtures/ChildProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace {

// What the script writes when a server is not on this machine.
constexpr int ServerMissingStatus = 3;

std::string Trimmed(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
}

}  // namespace

const char* FtpServerName(FtpServerKind kind)
{
    switch (kind) {
    case FtpServerKind::Pyftpdlib: return "pyftpdlib";
    case FtpServerKind::Vsftpd: return "vsftpd";
    case FtpServerKind::Proftpd: return "proftpd";
    case FtpServerKind::PureFtpd: return "pure-ftpd";
    }
    return "?";
}

bool RealFtpServersRequired()
{
    const char* ci = std::getenv("CI");
    const char* wanted = std::getenv("TAVIN3_FTP_SERVERS");
    return (ci && *ci && std::string_view(ci) != "false") || (wanted && std::string_view(wanted) == "required");
}

RealFtpServer::RealFtpServer(FtpServerKind kind, FtpServerVariant variant, int idleSeconds, bool utf8Names)
{
    const std::string name = FtpServerName(kind);
    int out[2];
    if (FRoot.Path().empty() || FLogs.Path().empty() || ::pipe2(out, O_CLOEXEC) != 0) {
        FError = "no temporary directory or pipe";
        return;
    }
    const std::string errors = FLogs / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    // A group of its own, so that stopping it reaches the server and its sessions.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    std::string script = std::string(TAVIN3_SOURCE_DIR) + "/scripts/ftp-servers.sh";
    const char* variantName = variant == FtpServerVariant::Tls ? "tls" : variant == FtpServerVariant::Ipv6 ? "ipv6" : "plain";
    std::vector<std::string> args = {"/bin/bash", script, "serve", name, FRoot.Path(), variantName};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e)
        if (!std::string_view(*e).starts_with("TAVIN3_FTPD_IDLE_TIMEOUT=") && !std::string_view(*e).starts_with("TAVIN3_FTPD_UTF8_NAMES="))
            environment.emplace_back(*e);
    if (idleSeconds > 0) environment.push_back("TAVIN3_FTPD_IDLE_TIMEOUT=" + std::to_string(idleSeconds));
    if (utf8Names) environment.push_back("TAVIN3_FTPD_UTF8_NAMES=1");
    std::vector<char*> envp;
    for (auto& e : environment) envp.push_back(e.data());
    envp.push_back(nullptr);
    int r = ::posix_spawn(&FPid, argv[0], &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (r != 0) {
        FPid = -1;
        ::close(out[0]);
        FError = "cannot start /bin/bash for " + script;
        return;
    }
    // The first line is the port; a slow start on a loaded machine is allowed for.
    const std::string line = ReadPipe(out[0], std::chrono::seconds(90), true);
    ::close(out[0]);
    FPort = std::atoi(line.c_str());
    // The TLS variant names its certificate after the port.
    if (const std::size_t blank = line.find(' '); blank != std::string::npos) FCertificate = Trimmed(line.substr(blank + 1));
    if (FPort > 0) return;

    Stop();
    FError = name + " did not start: " + Trimmed(ReadFileBytes(errors));
}

RealFtpServer::~RealFtpServer() { Stop(); }

void RealFtpServer::Stop()
{
    if (FPid <= 0) return;
    ::kill(-FPid, SIGTERM);
    int status = 0;
    ::waitpid(FPid, &status, 0);
    FMissing = WIFEXITED(status) && WEXITSTATUS(status) == ServerMissingStatus;
    FPid = -1;
}
