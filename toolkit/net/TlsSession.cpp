// TLS through OpenSSL: the client context, the socket BIO, and session teardown.
#include "toolkit/net/TlsSession.h"
#include "toolkit/net/WouldBlock.h"

#include <openssl/err.h>
#include <openssl/x509.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <sys/socket.h>

namespace {

int SessionIndex()
{
    static const int index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
    return index;
}

int NewSession(SSL* ssl, SSL_SESSION* session)
{
    auto* owner = static_cast<TTlsSession*>(SSL_get_ex_data(ssl, SessionIndex()));
    if (!owner || !owner->Pool) return 0;
    owner->Pool->Add(session);
    return 1;
}

SSL_CTX* MakeContext()
{
    SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
    if (!ctx) return nullptr;
    SSL_CTX_set_min_proto_version(ctx, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(ctx);
    // The outcome of the check is read after the handshake, so that the application can
    // decide about an untrusted certificate.
    SSL_CTX_set_verify(ctx, SSL_VERIFY_NONE, nullptr);
    // Writes may complete in parts and be retried from a moved buffer, like plain sends.
    SSL_CTX_set_mode(ctx, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // A server that closes without close_notify ends the stream like a plain connection;
    // FTP's closing reply tells whether the data was complete.
    SSL_CTX_set_options(ctx, SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_session_cache_mode(ctx, SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(ctx, NewSession);
    return ctx;
}

int BioWrite(BIO* bio, const char* data, int length)
{
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    BIO_clear_retry_flags(bio);
    ssize_t n;
    do {
        n = ::send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL | MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && WouldBlock(errno)) BIO_set_retry_write(bio);
    return static_cast<int>(n);
}

int BioRead(BIO* bio, char* data, int length)
{
    const int fd = static_cast<int>(reinterpret_cast<intptr_t>(BIO_get_data(bio)));
    BIO_clear_retry_flags(bio);
    ssize_t n;
    do {
        n = ::recv(fd, data, static_cast<size_t>(length), MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && WouldBlock(errno)) BIO_set_retry_read(bio);
    return static_cast<int>(n);
}

long BioCtrl(BIO*, int cmd, long, void*) { return cmd == BIO_CTRL_FLUSH ? 1 : 0; }

int BioCreate(BIO* bio)
{
    BIO_set_init(bio, 1);
    return 1;
}

BIO_METHOD* SocketMethod()
{
    static BIO_METHOD* method = [] {
        BIO_METHOD* m = BIO_meth_new(BIO_get_new_index() | BIO_TYPE_SOURCE_SINK, "tavin3 socket");
        BIO_meth_set_write(m, BioWrite);
        BIO_meth_set_read(m, BioRead);
        BIO_meth_set_ctrl(m, BioCtrl);
        BIO_meth_set_create(m, BioCreate);
        return m;
    }();
    return method;
}

SSL_CTX* gContext = nullptr;  // lives to the end of the process, after the future is gone

std::shared_future<SSL_CTX*>& ContextBeingMade()
{
    static std::shared_future<SSL_CTX*> made = std::async(std::launch::async, [] { return gContext = MakeContext(); }).share();
    return made;
}

}  // namespace

SSL_CTX* TlsClientContext() { return ContextBeingMade().get(); }

bool TlsClientContextMade() { return ContextBeingMade().wait_for(std::chrono::seconds(0)) == std::future_status::ready; }

void AttachTlsSession(SSL* ssl, TTlsSession* session) { SSL_set_ex_data(ssl, SessionIndex(), session); }

TTlsSessionPool::~TTlsSessionPool()
{
    for (SSL_SESSION* s : FSessions) SSL_SESSION_free(s);
}

void TTlsSessionPool::Add(SSL_SESSION* session)
{
    FSessions.push_back(session);
    // A few are plenty: a transfer takes one and usually brings new ones.
    while (FSessions.size() > 8) {
        SSL_SESSION_free(FSessions.front());
        FSessions.pop_front();
    }
}

SSL_SESSION* TTlsSessionPool::Take()
{
    while (!FSessions.empty()) {
        SSL_SESSION* s = FSessions.back();
        FSessions.pop_back();
        if (SSL_SESSION_is_resumable(s)) {
            const int length = i2d_SSL_SESSION(s, nullptr);
            FLastTaken.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
            unsigned char* out = FLastTaken.data();
            if (length > 0 && i2d_SSL_SESSION(s, &out) != length) FLastTaken.clear();
            return s;
        }
        SSL_SESSION_free(s);
    }
    if (FLastTaken.empty()) return nullptr;
    const unsigned char* in = FLastTaken.data();
    return d2i_SSL_SESSION(nullptr, &in, static_cast<long>(FLastTaken.size()));
}

BIO* NewSocketBio(int fd)
{
    BIO* bio = BIO_new(SocketMethod());
    if (bio) BIO_set_data(bio, reinterpret_cast<void*>(static_cast<intptr_t>(fd)));
    return bio;
}

std::string TlsErrorText()
{
    std::string text;
    while (unsigned long e = ERR_get_error()) {
        char buffer[256];
        ERR_error_string_n(e, buffer, sizeof buffer);
        if (!text.empty()) text += "; ";
        text += buffer;
    }
    return text;
}

bool TTlsSession::SendCloseNotify()
{
    if (!Established || Failed) return true;
    if (!CloseNotifyPending && (SSL_get_shutdown(Ssl) & SSL_SENT_SHUTDOWN)) return true;
    // Once started, another call writes the rest of the alert.
    const int r = SSL_shutdown(Ssl);
    CloseNotifyPending = r < 0 && SSL_get_error(Ssl, r) == SSL_ERROR_WANT_WRITE;
    ERR_clear_error();
    return !CloseNotifyPending;
}

TTlsSession::~TTlsSession()
{
    if (Established && !Failed) {
        // Tickets the server sent on a connection that was never read (an upload) are taken
        // first: the next data connection may need one.
        char scratch[16384];
        for (int records = 0; records < 8 && SSL_read(Ssl, scratch, sizeof scratch) > 0; ++records) {}
        ERR_clear_error();
    }
    // close_notify, without waiting: a server that reads the end of an upload takes it as a
    // clean end.
    SendCloseNotify();
    SSL_set_ex_data(Ssl, SessionIndex(), nullptr);
    SSL_free(Ssl);
}
