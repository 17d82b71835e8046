#pragma once
// The four real FTP servers the client meets in the field (pyftpdlib, vsftpd, proftpd,
// pure-ftpd), each started by scripts/ftp-servers.sh on a free loopback port with its own
// configuration and a temporary root, and stopped with everything it started when the object
// goes.
#include "tests/components/ftp/PyFtpServer.h"

#include <string>
#include <sys/types.h>

enum class FtpServerKind { Pyftpdlib, Vsftpd, Proftpd, PureFtpd };
// Plain on 127.0.0.1; explicit TLS required (a self-signed certificate made at start); on ::1.
enum class FtpServerVariant { Plain, Tls, Ipv6 };

// The name scripts/ftp-servers.sh knows the server by.
const char* FtpServerName(FtpServerKind kind);

// True where a server that cannot be started is a failure rather than a reason to skip:
// under CI, or when the test command asks for it (TAVIN3_FTP_SERVERS=required).
bool RealFtpServersRequired();

class RealFtpServer {
public:
    // The login every server accepts.
    static constexpr const char* User = "tavin3ftp";
    static constexpr const char* Password = "tavin3-ftp-secret";

    // idleSeconds > 0: the server ends a session idle for that long (pyftpdlib, vsftpd and
    // proftpd; pure-ftpd counts in minutes and keeps its own). utf8Names: vsftpd runs with
    // utf8_filesystem and offers UTF8 (the others offer it anyway).
    explicit RealFtpServer(FtpServerKind kind, FtpServerVariant variant = FtpServerVariant::Plain, int idleSeconds = 0,
                           bool utf8Names = false);
    ~RealFtpServer();
    RealFtpServer(const RealFtpServer&) = delete;
    RealFtpServer& operator=(const RealFtpServer&) = delete;

    // 0 when the server did not start; Error() then says why, and Missing() tells whether the
    // server is simply not on this machine (not fetched, or not running as root).
    int Port() const { return FPort; }
    const std::string& Error() const { return FError; }
    bool Missing() const { return FMissing; }
    const TempDir& Root() const { return FRoot; }
    // The TLS variant's certificate (PEM), while the server runs; empty otherwise.
    const std::string& CertificateFile() const { return FCertificate; }
    std::string operator/(const std::string& name) const { return FRoot / name; }

private:
    void Stop();

    TempDir FRoot;
    TempDir FLogs;
    pid_t FPid = -1;
    int FPort = 0;
    std::string FCertificate;
    bool FMissing = false;
    std::string FError;
};
