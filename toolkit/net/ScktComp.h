#pragma once
// Socket components over POSIX sockets (TCP over IPv4 and IPv6), with the original's class names.
//  - TClientSocket: a blocking client connection (open = name look-up + blocking connect).
//  - TWinSocketStream: reads and writes on a blocking connection with a wait in milliseconds.
//  - TServerSocket: a non-blocking listener whose accepted connections report "can read" and
//    "can write" from the event loop.
#include "toolkit/system/Classes.h"
#include "toolkit/system/Events.h"
#include "toolkit/system/Streams.h"

#include <functional>
#include <memory>
#include <vector>

// A failed socket call: the system's message, the call, and the host and port involved.
TK_DECLARE_EXCEPTION(ESocketError, Exception)
// A TLS peer that ended the connection without close_notify: whether that is the end of the
// data or a cut is for the protocol above to judge.
TK_DECLARE_EXCEPTION(ETlsEndWithoutNotify, ESocketError)

enum TClientType { ctNonBlocking, ctBlocking };
enum TServerType { stNonBlocking, stThreadBlocking };
// The address family a listener listens on.
enum TSocketFamily { sfIPv4, sfIPv6 };

class TCustomWinSocket;
class TServerSocket;
class TServerClientWinSocketPrivate;
class TServerSocketPrivate;
class TTlsSession;

// How a connection becomes a TLS connection (see TCustomWinSocket::StartTLS).
struct TTlsOptions {
    // The name (or address literal) the server's certificate must carry; also sent as SNI.
    AnsiString ServerName;
    // A TLS connection to the same server whose session this one resumes (an FTP data
    // connection resumes the control connection's); its certificate must match when the
    // server does not resume.
    const TCustomWinSocket* ResumeFrom = nullptr;
    // The handshake waits in slices of this length, letting the GUI run between them ...
    unsigned long SliceMs = 50;
    // ... up to this limit in all.
    unsigned long TimeOutMs = 30000;
    // Asked between slices; true ends the handshake with ESocketError.
    std::function<bool()> Cancelled;
};

// Adds the certificates of a PEM file to the ones TLS connections trust (besides the system's).
// False when the file holds none.
bool TlsTrustCertificates(const AnsiString& pemFile);

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

// The connection object of a TClientSocket; it lives as long as its component.
class TClientWinSocket : public TCustomWinSocket {
public:
    TClientType ClientType() const { return FClientType; }
    void SetClientType(TClientType value) { FClientType = value; }

    // Looks the name up (IPv4 and IPv6; an address literal, IPv6 with or without brackets,
    // is taken as it is) and connects to the first address that answers, blocking the caller.
    void Connect(const AnsiString& name, int port);

private:
    TClientType FClientType = ctNonBlocking;
};

// A connection accepted by a TServerSocket. Its notifications come from the event loop and
// are disabled while their handler runs, so a handler is never re-entered for the same kind.
class TServerClientWinSocket : public TCustomWinSocket {
public:
    ~TServerClientWinSocket() override;
    // Safe from inside this connection's own notification handler.
    void Close() override;

protected:
    void SendWouldBlock() override;
    void Handshaking(bool starting) override;

private:
    TServerClientWinSocket(TServerSocket* server, int handle);

    TServerSocket* FServer;
    std::unique_ptr<TServerClientWinSocketPrivate> d;
    int FBusy = 0;  // handlers of this connection on the stack
    bool FDisconnectReported = false;

    friend class TServerSocket;
};

class TClientSocket : public TComponent {
public:
    explicit TClientSocket(TComponent* AOwner);
    ~TClientSocket() override;

    TClientType ClientType() const { return FSocket->ClientType(); }
    void SetClientType(TClientType value) { FSocket->SetClientType(value); }
    // Host (a name or an address) is used when set, Address otherwise. Changing either,
    // or Port, while the socket is active raises ESocketError.
    const AnsiString& Host() const { return FHost; }
    void SetHost(const AnsiString& value);
    const AnsiString& Address() const { return FAddress; }
    void SetAddress(const AnsiString& value);
    int Port() const { return FPort; }
    void SetPort(int value);

    bool Active() const { return FSocket->SocketHandle() >= 0; }
    void SetActive(bool value) { value ? Open() : Close(); }
    // Does nothing when already active; raises ESocketError when no connection results.
    void Open();
    void Close();

    TClientWinSocket* Socket() const { return FSocket; }

private:
    void CheckInactive(bool changed) const;

    TClientWinSocket* FSocket;
    AnsiString FHost;
    AnsiString FAddress;
    int FPort = 0;
};

class TServerSocket : public TComponent {
public:
    explicit TServerSocket(TComponent* AOwner);
    ~TServerSocket() override;

    int Port() const { return FPort; }
    void SetPort(int value);  // ESocketError when changed while active
    TServerType ServerType() const { return FServerType; }
    void SetServerType(TServerType value) { FServerType = value; }
    TSocketFamily Family() const { return FFamily; }
    void SetFamily(TSocketFamily value);  // ESocketError when changed while active

    bool Active() const { return FListenHandle >= 0; }
    void SetActive(bool value) { value ? Open() : Close(); }
    // Listens on Port on every local address of Family; raises ESocketError when it cannot.
    void Open();
    // As Open, but false (and not active) when another socket holds the port already.
    bool TryOpen();
    // Ends the listener and every accepted connection. Safe from inside their notifications.
    void Close();
    // The port actually listened on (useful with Port 0).
    int LocalPort() const;

    int ActiveConnections() const { return static_cast<int>(FConnections.size()); }
    TServerClientWinSocket* Connections(int index) const { return FConnections.at(static_cast<std::size_t>(index)); }

    // A connection was accepted; it has data to read; it can take data (once after it was
    // accepted, then again after a send would have blocked); the peer closed it.
    TSocketNotifyEvent OnClientConnect;
    TSocketNotifyEvent OnClientRead;
    TSocketNotifyEvent OnClientWrite;
    TSocketNotifyEvent OnClientDisconnect;

private:
    void Accept();
    void NotifyRead(TServerClientWinSocket* connection);
    void NotifyWrite(TServerClientWinSocket* connection);
    void Detach(TServerClientWinSocket* connection);
    void ReportDisconnect(TServerClientWinSocket* connection);
    // Deletes closed connections that no handler is using any more.
    void Reap();
    template <class F>
    void RunHandler(TServerClientWinSocket* connection, F&& f);
    [[noreturn]] void RaiseListenError(const char* api, int err) const;

    int FPort = 0;
    TServerType FServerType = stNonBlocking;
    TSocketFamily FFamily = sfIPv4;
    int FListenHandle = -1;
    std::vector<TServerClientWinSocket*> FConnections;
    std::vector<TServerClientWinSocket*> FClosed;
    std::unique_ptr<TServerSocketPrivate> d;

    friend class TServerClientWinSocket;
};

// Blocking reads and writes on a client connection, each waiting at most TimeOut ms; over TLS
// once the connection was upgraded.
class TWinSocketStream : public TStream {
public:
    // Raises ESocketError unless the connection is of the blocking client type.
    TWinSocketStream(TCustomWinSocket* socket, unsigned long timeOut);

    // The count read; 0 when the wait ran out first or at the end of the stream (which also
    // marks the connection as no longer connected).
    int Read(void* buffer, int count) override;
    // The count written within the wait; 0 when nothing could be written in time.
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }

    // True when the connection can be read within timeOut ms (data, or closed by the peer).
    // Decrypted bytes held by TLS count as data.
    bool WaitForData(unsigned long timeOut);
    // The same wait, but the GUI messages that arrive meanwhile are processed as they come;
    // it may return false early, right after processing some.
    bool WaitForDataOrMessages(unsigned long timeOut);

    unsigned long TimeOut() const { return FTimeOut; }

private:
    TCustomWinSocket* FSocket;
    unsigned long FTimeOut;
};
