#pragma once
// One connection (or listener) and its OS socket handle; TLS on it.
#include "toolkit/net/SocketError.h"
#include "toolkit/net/TlsOptions.h"
#include "toolkit/system/Classes.h"
#include "toolkit/system/Events.h"

#include <memory>

class TTlsSession;

// Handler of a connection's notification: Sender is the socket component.
using TSocketNotifyEvent = TEvent<TObject*, TCustomWinSocket*>;

// One connection (or listener) and its OS socket handle.
class TCustomWinSocket : public TObject {
public:
    TCustomWinSocket();  // out of line: the TLS session's type is private to the socket layer
    ~TCustomWinSocket() override;
    TCustomWinSocket(const TCustomWinSocket&) = delete;
    TCustomWinSocket& operator=(const TCustomWinSocket&) = delete;

    int SocketHandle() const { return FSocket; }
    // True from the connection until it is closed, or until a read met the peer's end.
    bool Connected() const { return FConnected; }
    // AF_INET or AF_INET6 while open (an IPv4-mapped peer counts as AF_INET6); 0 when closed.
    int AddressFamily() const;

    // Up to count bytes: the count read; 0 when not connected or at the end of the stream;
    // -1 when nothing can be read without blocking. Other errors close and raise ESocketError.
    int ReceiveBuf(void* buffer, int count);
    // The count sent; 0 when not connected; -1 when the send would block. Other errors close
    // the connection and raise ESocketError.
    int SendBuf(const void* buffer, int count);
    // Bytes that may be read without blocking: over TLS, the decrypted bytes held plus the
    // socket's (still encrypted) bytes, so never fewer than a read can deliver.
    int ReceiveLength() const;
    // Readiness wait: true when the connection can be read (or written) within timeOut ms.
    // Decrypted bytes held by TLS count as readable. With messages, the GUI messages that
    // arrive meanwhile are processed, and it may return false early after processing some.
    bool Ready(bool forWrite, unsigned long timeOut) const;
    bool ReadyOrMessages(bool forWrite, unsigned long timeOut) const;

    // Upgrades the open connection to TLS, this side as the TLS client, whichever side
    // connected (an accepted connection too). The certificate is checked but not enforced:
    // TlsVerifyResult tells the outcome. Raises ESocketError (and closes) when no handshake
    // completes: refused, cancelled, timed out, or a resumed connection's server certificate
    // differs from the one of the connection it resumes.
    void StartTLS(const TTlsOptions& options);
    bool TlsActive() const { return FTls != nullptr; }
    // The server accepted the session of TTlsOptions::ResumeFrom.
    bool TlsSessionReused() const;
    // 0 (X509_V_OK) when the certificate chains to a trusted one and names ServerName;
    // otherwise OpenSSL's verification code, and TlsVerifyError says why in words.
    long TlsVerifyResult() const;
    AnsiString TlsVerifyError() const;
    // The protocol version, e.g. "TLSv1.3"; empty without TLS.
    AnsiString TlsProtocol() const;
    // All bytes waiting, as one string.
    AnsiString ReceiveText();

    AnsiString LocalAddress() const;
    int LocalPort() const;
    AnsiString RemoteAddress() const;
    int RemotePort() const;

    // Closes the connection; does nothing when already closed.
    virtual void Close();
    // Ends this side's sending (over TLS with close_notify, waiting for room for it at most
    // timeOutMs with the GUI running) but keeps the connection open for reading. Closing at
    // once with something unread (a late TLS ticket) would reset the connection, and the
    // peer could lose the end of what it had not read yet.
    void ShutdownSend(unsigned long timeOutMs);
    // TCP keep-alive: a probe after idleSeconds of silence and then every idleSeconds, so that
    // routers keep (and a dead peer ends) a connection that is quiet for long; 0 turns it off.
    // False when the connection is closed or the system refuses.
    bool SetKeepAlive(int idleSeconds);

    // Raises ESocketError for error number `err` of call `api`, naming this socket's peer.
    [[noreturn]] void RaiseError(const char* api, int err) const;

protected:
    void Attach(int handle, const AnsiString& host, int port);
    // A send met a full buffer (the server side re-arms its write notification).
    virtual void SendWouldBlock() {}
    // The TLS handshake starts (true) or has ended (false): the server side keeps its
    // notifications quiet meanwhile.
    virtual void Handshaking(bool) {}
    // Over TLS: the reads and writes through the session; the results as ReceiveBuf/SendBuf.
    int TlsReceive(void* buffer, int count);
    int TlsSend(const void* buffer, int count, bool* wantRead = nullptr);
    int TlsPending() const;
    // Decrypted bytes wait, or TLS has seen the peer's close_notify: a read will not block
    // (though the socket itself may stay quiet until the peer closes it).
    bool TlsReadable() const { return FTls && (!FConnected || TlsPending() > 0); }
    [[noreturn]] void RaiseTlsError(const char* api, bool endWithoutNotify = false);

    int FSocket = -1;
    bool FConnected = false;
    AnsiString FPeerName;  // host as given, for messages
    int FPeerPort = 0;
    std::unique_ptr<TTlsSession> FTls;

    friend class TWinSocketStream;
};
