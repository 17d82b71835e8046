#pragma once
// The data connection of one listing or transfer, of either kind: passive (this side connects
// to the port the server names, vellftp_passive.cpp) or active (the server connects to a port
// this side listens on, vellftp_active.cpp). Listing, download and upload drive both through
// the same calls, on the GUI thread: nothing is read or written from a notification handler.
#include "components/ftp/vellftp.h"

class TVellFtp::TDataConnection {
public:
    explicit TDataConnection(TVellFtp& ftp) : FFtp(ftp) {}
    virtual ~TDataConnection() = default;
    TDataConnection(const TDataConnection&) = delete;
    TDataConnection& operator=(const TDataConnection&) = delete;

    // Sets the connection up and sends the transfer command. True when the server started the
    // transfer (a 1xx reply); otherwise its reply (or none) closes the transfer, in LastReply.
    virtual bool Open(const AnsiString& command) = 0;
    // Waits, letting the GUI run, until the connection can be read (or written). False when
    // the transfer should stop waiting: cancelled, the inactivity limit, the connection or
    // the control connection gone, a refusal or an abort in, or a positive closing reply in
    // and the data silent for the drain time.
    bool Wait(bool forWrite);
    // As the socket's ReceiveBuf and SendBuf: the count; 0 at the end of the data (or when
    // the connection is gone); -1 when nothing can move yet.
    int Receive(char* buffer, int count);
    int Send(const char* buffer, int count);
    // The end of the file for the server: over TLS with close_notify, the connection kept for
    // the closing reply (closing it at once could reset it under the last bytes); otherwise
    // it is closed.
    void EndSending();
    // Ends the connection (and, active, the listener); does nothing when already ended.
    virtual void Close() = 0;
    // The connection the data moves on; null while the server has not connected (active) or
    // once it has ended.
    virtual TCustomWinSocket* Socket() const = 0;

    // The listener's notifications (active only).
    virtual void ServerConnected(TCustomWinSocket*) {}
    virtual void ServerDisconnected(TCustomWinSocket*) {}

protected:
    // Still worth waiting for: open, or (active) the server may still connect.
    virtual bool Pending() const = 0;

    TVellFtp& FFtp;
};

class TVellFtp::TPassiveData final : public TDataConnection {
public:
    using TDataConnection::TDataConnection;
    bool Open(const AnsiString& command) override;
    void Close() override;
    TCustomWinSocket* Socket() const override;

protected:
    bool Pending() const override;

private:
    bool Connect();
};

class TVellFtp::TActiveData final : public TDataConnection {
public:
    using TDataConnection::TDataConnection;
    bool Open(const AnsiString& command) override;
    void Close() override;
    TCustomWinSocket* Socket() const override { return FAccepted; }
    void ServerConnected(TCustomWinSocket* socket) override;
    void ServerDisconnected(TCustomWinSocket* socket) override;

protected:
    bool Pending() const override;

private:
    AnsiString Listen();
    void Protect(TCustomWinSocket* socket);

    TCustomWinSocket* FAccepted = nullptr;    // the server's connection, while it lasts
    bool FStarted = false;                    // the server answered the command with 1xx
    bool FEverAccepted = false;               // one connection per transfer, and only one
    TCustomWinSocket* FTlsWaiting = nullptr;  // accepted before that, not yet protected
};
