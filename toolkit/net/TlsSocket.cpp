// TLS on a connection: the handshake in slices, reads and writes through the session, and
// the certificate's verdict.
#include "toolkit/net/CustomWinSocket.h"
#include "toolkit/net/TlsSession.h"
#include "toolkit/net/WinSock.h"
#include "toolkit/net/WouldBlock.h"

#include <openssl/err.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>

namespace {

bool IsAddressLiteral(const std::string& name)
{
    unsigned char buffer[sizeof(in6_addr)];
    return inet_pton(AF_INET, name.c_str(), buffer) == 1 || inet_pton(AF_INET6, name.c_str(), buffer) == 1;
}

std::string WithoutBrackets(std::string name)
{
    if (name.size() >= 2 && name.front() == '[' && name.back() == ']') name = name.substr(1, name.size() - 2);
    return name;
}

// The same certificate on both connections (a data connection that was not resumed must not
// lead to another server than the control connection's).
bool SamePeerCertificate(SSL* a, SSL* b)
{
    X509* x = SSL_get0_peer_certificate(a);
    X509* y = SSL_get0_peer_certificate(b);
    return x && y && X509_cmp(x, y) == 0;
}

}  // namespace

bool TlsTrustCertificates(const AnsiString& pemFile)
{
    SSL_CTX* ctx = TlsClientContext();
    X509_STORE* store = ctx ? SSL_CTX_get_cert_store(ctx) : nullptr;
    const bool added = store && X509_STORE_load_file(store, pemFile.c_str()) == 1;
    ERR_clear_error();
    return added;
}

void TCustomWinSocket::RaiseTlsError(const char* api, bool endWithoutNotify)
{
    std::string reason = TlsErrorText();
    if (reason.empty()) reason = "the connection ended during the exchange";
    if (FTls) FTls->Failed = true;
    std::string text = std::string(api) + ": " + reason + ", " + FPeerName.str() + ":" + std::to_string(FPeerPort);
    Close();
    if (endWithoutNotify) throw ETlsEndWithoutNotify(AnsiString(text));
    throw ESocketError(AnsiString(text));
}

void TCustomWinSocket::StartTLS(const TTlsOptions& options)
{
    if (FSocket < 0) RaiseError("SSL_connect", ENOTCONN);
    if (FTls) return;
    // The first connection of the process waits for the context with the GUI running.
    for (const int waiting = FSocket; !TlsClientContextMade() && MessagesFor(5);) {
        if (FSocket != waiting) RaiseError("SSL_connect", ENOTCONN);  // a handler closed it meanwhile
        if (options.Cancelled && options.Cancelled()) {
            Close();
            throw ESocketError(AnsiString("SSL_connect: cancelled, " + FPeerName.str() + ":" + std::to_string(FPeerPort)));
        }
    }
    SSL_CTX* ctx = TlsClientContext();
    SSL* ssl = ctx ? SSL_new(ctx) : nullptr;
    BIO* bio = ssl ? NewSocketBio(FSocket) : nullptr;
    if (!bio) {
        if (ssl) SSL_free(ssl);
        RaiseTlsError("SSL_new");
    }
    SSL_set_bio(ssl, bio, bio);
    FTls = std::make_unique<TTlsSession>(FSocket, ssl);
    AttachTlsSession(ssl, FTls.get());
    // Every read and write is a non-blocking one from here on.
    ::fcntl(FSocket, F_SETFL, ::fcntl(FSocket, F_GETFL) | O_NONBLOCK);

    SSL* resumed = options.ResumeFrom && options.ResumeFrom->FTls ? options.ResumeFrom->FTls->Ssl : nullptr;
    const std::string name = WithoutBrackets(options.ServerName.str());
    if (!name.empty()) {
        X509_VERIFY_PARAM* param = SSL_get0_param(ssl);
        if (IsAddressLiteral(name)) {
            X509_VERIFY_PARAM_set1_ip_asc(param, name.c_str());
        } else {
            SSL_set_tlsext_host_name(ssl, name.c_str());
            SSL_set1_host(ssl, name.c_str());
        }
    }
    if (resumed) {
        // A ticket of its own from the family's pool; else the first connection's session.
        FTls->Pool = options.ResumeFrom->FTls->Pool;
        SSL_SESSION* session = FTls->Pool->Take();
        if (!session) session = SSL_get1_session(resumed);
        if (session) {
            SSL_set_session(ssl, session);
            SSL_SESSION_free(session);
        }
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(options.TimeOutMs);
    const int fd = FSocket;
    Handshaking(true);
    struct Quiet {
        TCustomWinSocket* self;
        ~Quiet() { self->Handshaking(false); }
    } quiet{this};
    for (;;) {
        ERR_clear_error();
        const int r = SSL_connect(ssl);
        if (r == 1) break;
        const int e = SSL_get_error(ssl, r);
        if (e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) RaiseTlsError("SSL_connect");
        if (options.Cancelled && options.Cancelled()) {
            FTls->Failed = true;
            Close();
            throw ESocketError(AnsiString("SSL_connect: cancelled, " + FPeerName.str() + ":" + std::to_string(FPeerPort)));
        }
        const auto now = Clock::now();
        if (now >= deadline) {
            FTls->Failed = true;
            Close();
            throw ESocketError(
                AnsiString("SSL_connect: no answer in time, " + FPeerName.str() + ":" + std::to_string(FPeerPort)));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        const unsigned long slice =
            std::min<unsigned long>(options.SliceMs ? options.SliceMs : 50, static_cast<unsigned long>(left));
        SocketReadyOrMessages(fd, e == SSL_ERROR_WANT_WRITE, slice);
        // A handler that ran meanwhile may have closed the connection.
        if (FSocket != fd || !FTls)
            throw ESocketError(
                AnsiString("SSL_connect: the connection was closed, " + FPeerName.str() + ":" + std::to_string(FPeerPort)));
    }
    FTls->Established = true;
    if (resumed && !SSL_session_reused(ssl) && !SamePeerCertificate(ssl, resumed)) {
        FTls->Failed = true;
        Close();
        throw ESocketError(AnsiString("SSL_connect: the server's certificate differs from the first connection's, " +
                                      FPeerName.str() + ":" + std::to_string(FPeerPort)));
    }
}

bool TCustomWinSocket::TlsSessionReused() const { return FTls && SSL_session_reused(FTls->Ssl) == 1; }

long TCustomWinSocket::TlsVerifyResult() const
{
    if (!FTls) return X509_V_ERR_UNSPECIFIED;
    if (!SSL_get0_peer_certificate(FTls->Ssl)) return X509_V_ERR_UNSPECIFIED;
    return SSL_get_verify_result(FTls->Ssl);
}

AnsiString TCustomWinSocket::TlsVerifyError() const
{
    const long result = TlsVerifyResult();
    if (result == X509_V_OK) return AnsiString();
    if (!FTls) return AnsiString("no TLS connection");
    if (!SSL_get0_peer_certificate(FTls->Ssl)) return AnsiString("the server sent no certificate");
    return AnsiString(X509_verify_cert_error_string(result));
}

AnsiString TCustomWinSocket::TlsProtocol() const { return FTls ? AnsiString(SSL_get_version(FTls->Ssl)) : AnsiString(); }

int TCustomWinSocket::TlsPending() const
{
    if (!FTls) return 0;
    // Records that OpenSSL took from the socket but has not decrypted yet (it may take more
    // than one, e.g. data right behind the handshake) are in neither count: decrypt one.
    if (SSL_pending(FTls->Ssl) == 0 && SSL_has_pending(FTls->Ssl) && FTls->Established) {
        char c;
        SSL_peek(FTls->Ssl, &c, 1);
        ERR_clear_error();
    }
    return SSL_pending(FTls->Ssl);
}

// As many bytes as are there, record after record, up to count.
int TCustomWinSocket::TlsReceive(void* buffer, int count)
{
    char* p = static_cast<char*>(buffer);
    int total = 0;
    while (total < count) {
        ERR_clear_error();
        errno = 0;
        const int n = SSL_read(FTls->Ssl, p + total, count - total);
        if (n > 0) {
            total += n;
            continue;
        }
        const int e = SSL_get_error(FTls->Ssl, n);
        if (e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE) break;
        if (e == SSL_ERROR_ZERO_RETURN) {
            FConnected = false;
            break;
        }
        if (total > 0) break;  // the bytes go first; the error comes again on the next read
        if (e == SSL_ERROR_SYSCALL && errno != 0 && !WouldBlock(errno)) {
            FTls->Failed = true;
            const int err = errno;
            Close();
            RaiseError("SSL_read", err);
        }
        // The stream ended (a FIN) where close_notify should have come.
        const bool endWithoutNotify = (e == SSL_ERROR_SYSCALL && errno == 0 && ERR_peek_error() == 0) ||
                                      (e == SSL_ERROR_SSL && ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING);
        RaiseTlsError("SSL_read", endWithoutNotify);
    }
    if (total > 0) return total;
    return FConnected ? -1 : 0;
}

int TCustomWinSocket::TlsSend(const void* buffer, int count, bool* wantRead)
{
    ERR_clear_error();
    errno = 0;
    const int n = SSL_write(FTls->Ssl, buffer, count);
    if (n > 0) return n;
    const int e = SSL_get_error(FTls->Ssl, n);
    if (e == SSL_ERROR_WANT_WRITE || e == SSL_ERROR_WANT_READ) {
        if (wantRead) *wantRead = e == SSL_ERROR_WANT_READ;
        return -1;
    }
    if (e == SSL_ERROR_SYSCALL && errno != 0 && !WouldBlock(errno)) {
        FTls->Failed = true;
        const int err = errno;
        Close();
        RaiseError("SSL_write", err);
    }
    RaiseTlsError("SSL_write");
}
