// TVellFtp: what both kinds of data connection share, and how a transfer starts and ends.
//
// A transfer ends when its data connection has ended and its closing reply is in. The data
// side never waits for the reply first (some servers send it only once the client has closed
// the data connection), and a server that keeps the data connection open after a positive
// closing reply gets a bounded drain.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/net/WinSock.h"

#include <string>

// ---- Both kinds ------------------------------------------------------------------------------

bool TVellFtp::TDataConnection::Wait(bool forWrite)
{
    for (;;) {
        if (FFtp.FCancelled || FFtp.Stalled() || !Pending()) return false;
        TTransfer::Clock::time_point deadline = TTransfer::Clock::time_point::max();
        if (const int code = FFtp.ArrivedClosingCode(); code != 0) {
            if (code < 200 || code >= 400) return false;  // refused, aborted, or the server gone
            if (forWrite) return false;                   // the server ended it before the file did
            deadline = FFtp.FTransfer.DrainDeadline(kDrainAfterReply);
            if (TTransfer::Clock::now() >= deadline) return false;
        }
        const unsigned long slice = MillisLeft(deadline, FFtp.FTimeOut);
        if (TCustomWinSocket* socket = Socket()) {
            // Data that is only a moment away is waited for without a round of the GUI queue,
            // which costs more than the moment.
            if (socket->Ready(forWrite, 1)) return true;
            // A handler run meanwhile (a Cancel) may close and free the socket: only its
            // number is used, and the next round asks for the socket again.
            SocketReadyOrMessages(socket->SocketHandle(), forWrite, slice);
        } else {
            // The server has not connected yet: its connection comes as a message.
            FFtp.FControlStream->WaitForDataOrMessages(slice);
        }
    }
}

int TVellFtp::TDataConnection::Receive(char* buffer, int count)
{
    TCustomWinSocket* socket = Socket();
    if (!socket) return Pending() ? -1 : 0;
    return socket->ReceiveBuf(buffer, count);
}

int TVellFtp::TDataConnection::Send(const char* buffer, int count)
{
    TCustomWinSocket* socket = Socket();
    if (!socket) return Pending() ? -1 : 0;
    return socket->SendBuf(buffer, count);
}

void TVellFtp::TDataConnection::EndSending()
{
    TCustomWinSocket* socket = Socket();
    if (socket && !FFtp.FCancelled && !FFtp.FTransfer.Failed() && socket->Connected() && socket->TlsActive())
        socket->ShutdownSend(kHandshakeLimit);
    else Close();
}

// ---- Start and end of a transfer -------------------------------------------------------------

void TVellFtp::BeginTransfer()
{
    BeginOperation();
    FTransfer.Begin();
    FData.reset();
}

bool TVellFtp::OpenTransfer(const AnsiString& command) { return FEnablePASV ? DoPASV(command) : DoPORT(command); }

// The transfer command, after REST where the transfer resumes. False when it did not go: the
// server is gone, or it refused REST (its reply then closes the transfer, which never started).
bool TVellFtp::SendTransferCommand(const AnsiString& command)
{
    if (const int64_t offset = FTransfer.RestartAt(); offset > 0) {
        if (!SendCommand(AnsiString("REST ") + IntToStr(offset))) return false;
        if (FResultCode != 350) {
            FTransfer.RefuseRestart();
            FTransfer.Advance(TTransferPhase::ClosingReplyIn);
            return false;
        }
    }
    return SendLine(command);
}

// The server started the transfer (150, or 125 on a connection already open). Any other reply,
// or none, is the one that closes it; after an odd preliminary reply nothing more is expected.
bool TVellFtp::TransferStarted(bool replied)
{
    const bool started = replied && (FResultCode == 150 || FResultCode == 125);
    if (started) {
        FTransfer.Advance(TTransferPhase::DataFlowing);
        return true;
    }
    if (replied && !FReplies.Settled()) FReplies.ForgetOwed();
    FTransfer.Advance(TTransferPhase::ClosingReplyIn);
    return false;
}

void TVellFtp::FailData(const AnsiString& what) { FTransfer.Fail(what); }

void TVellFtp::NoteData()
{
    NoteActivity();
    FTransfer.NoteData();
}

// After the closing reply: a data connection that ended without close_notify was complete
// when the server says so (its reply came over the protected control connection); otherwise
// the end was a cut and the transfer failed.
bool TVellFtp::EndConfirmed()
{
    if (FTransfer.EndUnconfirmed().IsEmpty() || (FResultCode >= 200 && FResultCode < 300)) return true;
    FailData(FTransfer.EndUnconfirmed());
    return false;
}

// ---- Replies of a transfer command -----------------------------------------------------------

int64_t TVellFtp::ReceiveSize(const AnsiString& reply)
{
    std::string copy = reply.c_str();
    NextToken(copy.data(), "(");
    char* second = NextToken(nullptr, "(");
    char* third = NextToken(nullptr, " ");
    const char* number = third ? third : second;
    const int64_t size = number ? LeadingSize(number) : -1;
    ForgetTokenPosition();
    return size;
}
