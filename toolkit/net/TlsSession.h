#pragma once
// The OpenSSL side of a TLS connection, private to the socket layer.
#include <openssl/ssl.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

// The sessions a server gave one family of connections (an FTP control connection and its
// data connections), newest last. Each resumption takes an unused TLS 1.3 ticket while there
// is one, and the tickets that resumed connections receive come back here. Some servers send
// none on a connection they only read (proftpd after an upload): when the unused ones are
// gone, the last one taken is offered again, which servers without replay protection accept.
class TTlsSessionPool {
public:
    TTlsSessionPool() = default;
    ~TTlsSessionPool();
    TTlsSessionPool(const TTlsSessionPool&) = delete;
    TTlsSessionPool& operator=(const TTlsSessionPool&) = delete;

    void Add(SSL_SESSION* session);  // takes ownership
    SSL_SESSION* Take();             // the caller owns it; null when there never was one

private:
    std::deque<SSL_SESSION*> FSessions;
    // The last ticket taken, as bytes: OpenSSL marks a session it resumed as used up.
    std::vector<unsigned char> FLastTaken;
};

// One TLS connection over a socket this side owns; the socket layer is always the TLS client.
class TTlsSession {
public:
    TTlsSession(int fd, SSL* ssl) : Fd(fd), Ssl(ssl) {}
    ~TTlsSession();
    TTlsSession(const TTlsSession&) = delete;
    TTlsSession& operator=(const TTlsSession&) = delete;

    // Writes close_notify once; false when the socket had no room for it (call again).
    bool SendCloseNotify();

    int Fd;
    SSL* Ssl;
    std::shared_ptr<TTlsSessionPool> Pool = std::make_shared<TTlsSessionPool>();
    bool Established = false;         // the handshake completed
    bool Failed = false;              // a fatal error: no close_notify may follow
    bool CloseNotifyPending = false;  // close_notify begun, the socket had no room for all of it
};

// The context every client connection is made in: system trust, TLS 1.2 at least. The first
// call loads the system's trusted certificates, which takes tens of milliseconds: it is made
// once, on a thread of its own, and TlsClientContextMade() tells whether it is there yet, so
// that a caller may keep the GUI running meanwhile.
SSL_CTX* TlsClientContext();
bool TlsClientContextMade();
// Ties an SSL to its session object, so that the tickets it receives reach its pool.
void AttachTlsSession(SSL* ssl, TTlsSession* session);
// A BIO over the socket that never raises SIGPIPE (send with MSG_NOSIGNAL).
BIO* NewSocketBio(int fd);
// The reasons queued by OpenSSL, as one text (and the queue emptied).
std::string TlsErrorText();
