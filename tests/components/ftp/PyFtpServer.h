#pragma once
// A real FTP server for integration cases: Debian's pyftpdlib, started on a free loopback port
// with one user and a temporary root, and stopped (by its process id) when the object goes.
#include "tests/fixtures/ChildProcess.h"
#include "tests/fixtures/TempDir.h"

#include <string>

class PyFtpServer {
public:
    static constexpr const char* User = "tavin";
    static constexpr const char* Password = "secret";

    // wireEncoding ("cp932"): names travel in it, and FEAT offers no UTF8.
    explicit PyFtpServer(const char* wireEncoding = nullptr);
    PyFtpServer(const PyFtpServer&) = delete;
    PyFtpServer& operator=(const PyFtpServer&) = delete;

    // 0 when the server did not start; Error() then says why.
    int Port() const { return FPort; }
    const std::string& Error() const { return FError; }
    // The server's root directory, and a path inside it.
    const TempDir& Root() const { return FRoot; }
    std::string operator/(const std::string& name) const { return FRoot / name; }

private:
    TempDir FRoot;
    ChildProcess FServer;  // goes before its root
    int FPort = 0;
    std::string FError;
};

// Whole-file helpers for the cases.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
