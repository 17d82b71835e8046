// TVellFtp: explicit TLS (AUTH TLS) on the control connection and protected data connections.
//
// The socket layer does the TLS; this side says when. The control connection is secured
// before the user name goes out, so the password never travels in clear; data connections
// resume the control connection's session, which servers such as vsftpd require.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

void TVellFtp::SecureControlConnection()
{
    if (!SendCommand("AUTH TLS") || FResultCode != 234) DoConnectionFailed();
    // Whatever came in clear with the reply (or after it) is no server's word: a man in the
    // middle could have put replies there.
    FReplies.DiscardUnread();
    TTlsOptions options;
    options.ServerName = FHost;
    options.SliceMs = FTimeOut;
    options.TimeOutMs = kHandshakeLimit;
    options.Cancelled = [this] { return FCancelled || InactivityExpired(); };
    try {
        FControlSocket->Socket()->StartTLS(options);
    } catch (const ESocketError&) {
        FOnConnectionFailed(this);
        CloseControlConnection();
        ResetControlState();
        throw;
    }
    FCertificateError = FControlSocket->Socket()->TlsVerifyError();
    if (!FCertificateError.IsEmpty()) DoCertificateError();
}

void TVellFtp::DoCertificateError()
{
    bool handled = false;
    FOnCertificateError(handled);
    if (handled) return;
    CloseControlConnection();
    ResetControlState();
    throw Exception("TVellFtp: サーバーの証明書を信頼できません ("_ansi + FCertificateError + ")。"_ansi);
}

// After the login: no buffering layer, and protected data connections from now on.
void TVellFtp::ProtectDataChannel()
{
    if (!SendCommand("PBSZ 0") || FResultCode >= 300) DoConnectionFailed();
    if (!SendCommand("PROT P") || FResultCode >= 300) DoConnectionFailed();
}

bool TVellFtp::DataTlsWanted() const { return FEnableTLS && FControlSocket->Socket()->TlsActive(); }

// The client is the TLS client on every data connection, also on one the server opened.
// A refusal of the transfer command that arrives meanwhile ends the wait for the handshake.
void TVellFtp::ProtectDataConnection(TCustomWinSocket* socket, bool watchRefusal)
{
    TTlsOptions options;
    options.ServerName = FHost;
    options.ResumeFrom = FControlSocket->Socket();
    options.SliceMs = FTimeOut;
    options.TimeOutMs = kHandshakeLimit;
    options.Cancelled = [this, watchRefusal] {
        if (FCancelled || InactivityExpired()) return true;
        if (!watchRefusal) return false;
        const int code = ArrivedClosingCode();
        return code < 0 || code >= 400;
    };
    socket->StartTLS(options);
}
