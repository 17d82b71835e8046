#pragma once
// The OpenSSL side of a TLS connection, private to the socket layer.
#include <openssl/ssl.h>

#include <string>

// One TLS connection over a socket this side owns; the socket layer is always the TLS client.
class TTlsSession {
public:
    TTlsSession(int fd, SSL* ssl) : Fd(fd), Ssl(ssl) {}
    ~TTlsSession();
    TTlsSession(const TTlsSession&) = delete;
    TTlsSession& operator=(const TTlsSession&) = delete;

    int Fd;
    SSL* Ssl;
    bool Established = false;  // the handshake completed
    bool Failed = false;       // a fatal error: no close_notify may follow
};

// The context every client connection is made in: system trust, TLS 1.2 at least.
SSL_CTX* TlsClientContext();
// A BIO over the socket that never raises SIGPIPE (send with MSG_NOSIGNAL).
BIO* NewSocketBio(int fd);
// The reasons queued by OpenSSL, as one text (and the queue emptied).
std::string TlsErrorText();
