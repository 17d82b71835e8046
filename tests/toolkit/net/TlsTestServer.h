#pragma once
// A TLS server on loopback for the socket layer's tests: OpenSSL in the server role on its own
// threads, with a certificate made at test time by the openssl program. Each connection
// echoes what it reads, or first sends a given text; it records whether the client resumed
// an earlier session.
#include "tests/fixtures/TempDir.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

typedef struct ssl_ctx_st SSL_CTX;

class TlsTestServer {
public:
    // Listens on 127.0.0.1, or on ::1 with ipv6.
    explicit TlsTestServer(bool ipv6 = false);
    ~TlsTestServer();
    TlsTestServer(const TlsTestServer&) = delete;
    TlsTestServer& operator=(const TlsTestServer&) = delete;

    int Port() const { return FPort; }
    // The PEM certificate (self-signed; names localhost, 127.0.0.1 and ::1).
    const std::string& CertificateFile() const { return FCert; }
    // Empty when the server runs; otherwise why it does not.
    const std::string& Error() const { return FError; }

    // Sent by every new connection right after its handshake.
    void SetGreeting(std::string text) { FGreeting = std::move(text); }
    // After the greeting: close_notify, and the socket kept open until the client closes it
    // (as vsftpd ends a data connection).
    void SetShutdownAfterGreeting(bool value) { FShutdownAfterGreeting = value; }
    // After the greeting: the socket closed without close_notify (as pyftpdlib may end a
    // data connection).
    void SetCloseAfterGreeting(bool value) { FCloseAfterGreeting = value; }
    // Connects out to a listener on loopback and serves that connection (an FTP server's
    // active data connection does this).
    void ConnectTo(int port, bool ipv6 = false);

    int Handshakes() const { return FHandshakes; }
    int Resumed() const { return FResumed; }

private:
    void AcceptLoop();
    void Serve(int fd);

    TempDir FDir{"tls"};
    std::string FCert;
    std::string FError;
    std::string FGreeting;
    bool FShutdownAfterGreeting = false;
    bool FCloseAfterGreeting = false;
    SSL_CTX* FContext = nullptr;
    int FListen = -1;
    int FPort = 0;
    std::atomic<bool> FStopping{false};
    std::atomic<int> FHandshakes{0};
    std::atomic<int> FResumed{0};
    std::mutex FLock;
    std::vector<int> FOpen;
    std::vector<std::thread> FThreads;
};
