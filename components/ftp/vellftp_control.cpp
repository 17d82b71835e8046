// TVellFtp: the control connection, replies, login and cancelling.
//
// Replies are read as whole lines (a line split over reads is carried over) and as whole
// replies (a multi-line reply ends at its final line, never at a pause). Every command sent
// is owed one final reply; an operation that starts while replies are still owed (after a
// Cancel, or an exchange cut short by an exception) first reads them, so that each operation
// judges only its own reply.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"
#include "toolkit/net/WinSock.h"

#include <algorithm>
#include <cstring>
#include <string_view>

// ---- Connection ------------------------------------------------------------------------------

void TVellFtp::Connect()
{
    RequireLoaded();
    Application->ProcessMessages();
    FCancelled = false;
    if (FHost.IsEmpty()) throw Exception("TVellFtp: 接続先が指定されていません。"_ansi);
    // A new connection replaces an open one; the old server just sees the connection end.
    if (FControlSocket->Active()) CloseControlConnection();
    ResetControlState();
    FControlSocket->SetPort(FPort);
    FControlSocket->SetHost(FHost);
    try {
        FControlSocket->Open();
    } catch (const ESocketError&) {
        DoInvalidHost();
        FControlSocket->Open();
    }
    // A NAT box drops a connection that stays quiet through a long transfer.
    FControlSocket->Socket()->SetKeepAlive(kKeepAliveIdle);
    NoteActivity();
    FReplies.CommandSent();  // the greeting
    if (!ReadFinalReply() || FResultCode != 220) DoConnectionFailed();
    FOnConnect(this);
    FCertificateError = AnsiString();
    if (FEnableTLS) SecureControlConnection();  // before the user name and password go out
    DoLogin();
    if (FEnableTLS) ProtectDataChannel();
    NegotiateFeatures();
}

void TVellFtp::ResetControlState()
{
    FReplies.Reset();
    FStalled = false;
    FPeerClosed = false;
    FCloseError = AnsiString();
    ResetNames();
}

// The server has gone (it said so with 421, or the connection ended or broke): this side
// closes too, and every later operation says why it could not be done.
void TVellFtp::NoteServerClosed(const AnsiString& why)
{
    if (!FPeerClosed && FCloseError.IsEmpty()) FCloseError = why;
    FPeerClosed = true;
    CloseControlConnection();
}

bool TVellFtp::InactivityExpired()
{
    if (FStalled) return true;
    if (FInactivityLimit == 0 || Clock::now() - FLastActivity < std::chrono::milliseconds(FInactivityLimit)) return false;
    FStalled = true;
    FCancelled = true;  // every wait stops at its next test
    return true;
}

bool TVellFtp::Stalled()
{
    if (!InactivityExpired()) return false;
    // The server is out of step for good: nothing more is read from it.
    if (FControlSocket->Active()) CloseControlConnection();
    return true;
}

void TVellFtp::CloseControlConnection()
{
    CloseDataConnections();
    FControlSocket->Close();
}

void TVellFtp::CloseDataConnections()
{
    FDataSocket->Close();
    FListenSocket->Close();
}

void TVellFtp::DoInvalidHost()
{
    bool handled = false;
    FOnInvalidHost(handled);
    if (!handled) throw Exception("ホストに接続できませんでした。"_ansi);
}

void TVellFtp::DoConnectionFailed()
{
    FOnConnectionFailed(this);
    if (FControlSocket->Active()) CloseControlConnection();
    throw Exception("接続に失敗しました。"_ansi);
}

void TVellFtp::DoLogin()
{
    if (FUserID.IsEmpty() || FPassword.IsEmpty()) {
        bool handled = false;
        FOnAuthenticationNeeded(handled);  // a handler may supply UserID and Password
        if (!handled) DoFailure(fcLogin);
    }
    if (!SendCommand(AnsiString("USER ") + FUserID) || FResultCode >= 400) DoConnectionFailed();
    if (!SendCommand(AnsiString("PASS ") + FPassword) || FResultCode >= 300) DoConnectionFailed();
}

void TVellFtp::Disconnect()
{
    RequireLoaded();
    if (!FControlSocket->Active()) return;
    if (FControlSocket->Socket()->Connected()) {
        try {
            // A server that never answers (or floods) must not keep the program waiting.
            const auto deadline = Clock::now() + kCatchUpWait;
            FCancelled = false;
            StartWaiting();
            while (FReplies.Owed() > 0 && ReadReply(deadline)) {}
            if (SendLine("QUIT")) ReadFinalReply(deadline);
        } catch (const ESocketError&) {
            // the server went first; the connection is closed all the same
        }
    }
    CloseControlConnection();
    ResetControlState();
}

void TVellFtp::Cancel()
{
    FCancelled = true;
    // The reply to ABOR, and what the aborted command still owes, are read by the next
    // operation: Cancel itself returns at once.
    if (FControlStream && FControlSocket->Active()) {
        try {
            SendLine("ABOR");
        } catch (const ESocketError&) {
            // a dead control connection must not keep the data connections open
        }
    }
    if (FListenSocket && FDataSocket) CloseDataConnections();
}

// ---- Operations ------------------------------------------------------------------------------

void TVellFtp::BeginOperation()
{
    RequireLoaded();
    StartWaiting();
    CatchUp();
}

// The time between operations is the user's, not the server's silence.
void TVellFtp::StartWaiting()
{
    FStalled = false;
    FNoReply = false;
    NoteActivity();
}

void TVellFtp::CatchUp()
{
    FCancelled = false;
    if (FReplies.Owed() > 0 && FControlSocket->Active()) {
        // Servers differ in what an aborted exchange still sends (two replies, one, a stray
        // 1xx line). When they fall quiet with replies still owed, a NOOP marks the end: its
        // 200 is the last reply there is.
        const auto deadline = Clock::now() + kCatchUpWait;
        bool probed = false;
        while (FReplies.Owed() > 0 && !FCancelled && FControlSocket->Active() && Clock::now() < deadline) {
            if (ReadReply(probed ? deadline : std::min(deadline, Clock::now() + kCatchUpQuiet))) {
                if (probed && FResultCode == 200) break;
                continue;
            }
            if (probed || !SendLine("NOOP")) break;
            probed = true;
        }
    }
    FCancelled = false;   // a Cancel while catching up cancels nothing that follows
    FReplies.ForgetOwed();  // what has not come by now is taken as stale when it comes
}

// ---- Commands and replies --------------------------------------------------------------------

// A line end inside a command would put a second command on the wire (a file name smuggling
// one in); a NUL or a line past the length servers take would be cut short, and a shortened
// DELE or STOR names another file. Such a command is refused whole.
AnsiString CommandRefusal(const AnsiString& command)
{
    const std::string& text = command.str();
    if (text.find('\0') != std::string::npos) return "TVellFtp: コマンドに NUL 文字は使えません (NUL byte in a command)。"_ansi;
    if (text.find_first_of("\r\n") != std::string::npos) return "TVellFtp: コマンドに改行文字 (CR, LF) は使えません。"_ansi;
    if (text.size() > kMaxCommandLength)
        return "TVellFtp: コマンドが長すぎます (command longer than "_ansi + AnsiString(std::to_string(kMaxCommandLength)) +
               " bytes)。"_ansi;
    return AnsiString();
}

void RefuseUnsendable(const AnsiString& command)
{
    if (const AnsiString why = CommandRefusal(command); !why.IsEmpty()) throw Exception(why);
}

// Checked before an operation sends anything: a refused command fails its operation, and
// unless a handler takes it, the exception says why (also without a handler).
bool TVellFtp::RefusedCommand(const AnsiString& command, TFtpCmdType kind)
{
    AnsiString why = CommandRefusal(command);
    std::string wire;
    if (why.IsEmpty()) why = WireRefusal(command, wire);
    if (why.IsEmpty()) return false;
    FResultCode = 0;
    FLastReply = why;
    bool handled = false;
    FOnFailure(handled, kind);
    if (!handled) throw Exception(why);
    return true;
}

void TVellFtp::DoCommand(const AnsiString& command)
{
    RequireLoaded();
    RefuseUnsendable(command);
    StartWaiting();
    CatchUp();
    // The caller cannot read a reply itself: a preliminary one is followed to the final one.
    if (SendCommand(command) && !FReplies.Settled()) ReadFinalReply();
}

bool TVellFtp::SendCommand(const AnsiString& command)
{
    if (!SendLine(command)) return false;
    return ReadReply();
}

bool TVellFtp::SendLine(const AnsiString& command)
{
    // A server that closed the connection while it was idle shows it only now.
    if (FControlSocket->Active()) ReportStaleLines();
    if (!FControlSocket->Active()) {
        NoteNoReply(nullptr);
        return false;
    }
    RefuseUnsendable(command);
    std::string line;
    if (const AnsiString why = WireRefusal(command, line); !why.IsEmpty()) throw Exception(why);
    NoteListingCommand(line);
    line += "\r\n";
    const int size = static_cast<int>(line.size());
    int written = 0;
    try {
        written = FControlStream->Write(line.data(), size);
    } catch (const ESocketError& e) {
        NoteServerClosed(e.Message());
    }
    if (written < size) {
        // Half a command on the wire leaves the connection out of step for good.
        if (FControlSocket->Active()) CloseControlConnection();
        NoteNoReply(nullptr);
        return false;
    }
    NoteActivity();
    FReplies.CommandSent();
    return true;
}

// No reply was read: nothing may look like one.
void TVellFtp::NoteNoReply(const char* message)
{
    FResultCode = 0;
    FReplies.NoReply();
    FNoReply = true;
    if (FStalled && FControlSocket->Active()) CloseControlConnection();
    if (message) FLastReply = AnsiString(message);
    else if (FStalled) FLastReply = StalledText(FInactivityLimit);
    else if (FCancelled) FLastReply = CancelledText();
    else if (FPeerClosed)
        FLastReply = ServerClosedText(FReplies.ClosingNotice().empty() ? FCloseError : AnsiString(FReplies.ClosingNotice().c_str()));
    else FLastReply = ClosedText();
}

void TVellFtp::ReportStaleLines()
{
    // Lines that came after their command stopped waiting (a reply that outlived the wait
    // for it, a server's notice) are reported, not taken for the next command's reply.
    // Reading goes on while bytes keep coming, so that a close right behind them is seen too.
    for (int round = 0; round < 64; ++round) {
        const int got = ReceiveControl();
        std::string line;
        while (FReplies.TakeStaleLine(line)) DoStatus(line.c_str());
        if (!FReplies.ClosingNotice().empty()) NoteServerClosed(AnsiString());
        if (got <= 0) return;
    }
}

bool TVellFtp::ReadReply(Clock::time_point deadline)
{
    std::string line;
    FReplies.BeginReply();
    FReplyLines.clear();
    for (;;) {
        // A reply that never ends (a flood) still ends on Cancel or at the deadline.
        const bool stop = FCancelled || (deadline != Clock::time_point::max() && Clock::now() >= deadline);
        while (stop || !FReplies.TakeReplyLine(line))
            if (stop || !AwaitControl(deadline)) {
                NoteNoReply(nullptr);
                return false;
            }
        FReplyLines.push_back(line);
        FResultCode = ExtractResultCode(line.c_str());
        if (FResultCode == 257) NoteDirectoryReply(line);
        FLastReply = IncomingText(line.c_str());
        FNoReply = false;
        DoStatus(line.c_str());
        if (FReplies.ReplyEnded()) break;
        PumpMessages();  // a long reply (or a flood) must not freeze the program
    }
    FReplies.Settle(FResultCode);
    if (FResultCode == 421) {
        // "Closing control connection": the server's last word, not an answer to the command.
        NoteServerClosed(AnsiString());
        NoteNoReply(nullptr);
        return false;
    }
    return true;
}

bool TVellFtp::ReadFinalReply(Clock::time_point deadline)
{
    bool replied = ReadReply(deadline);
    while (replied && !FReplies.Settled()) replied = ReadReply(deadline);
    return replied;
}

// Waits for more control bytes, letting the GUI run. False when cancelled, past the deadline,
// or when the server has closed the connection.
bool TVellFtp::AwaitControl(Clock::time_point deadline)
{
    for (;;) {
        const int got = ReceiveControl();
        if (got > 0) return true;
        if (got == 0) return false;
        if (FCancelled || Clock::now() >= deadline || Stalled()) return false;
        FControlStream->WaitForDataOrMessages(MillisLeft(deadline, FTimeOut));
    }
}

// Reads what has arrived into the reply engine: the count, -1 when nothing is there, 0 when the
// connection is closed (a last unfinished line then counts as a line).
int TVellFtp::ReceiveControl()
{
    if (!FControlSocket->Active()) return 0;
    int got = 0;
    try {
        got = FControlSocket->Socket()->ReceiveBuf(FRecvBuffer.get(), kRecvBufferSize - 1);
    } catch (const ESocketError& e) {  // a reset: the server is gone as surely as with an end
        FReplies.EndOfStream();
        NoteServerClosed(e.Message());
        return 0;
    }
    if (got > 0) {
        FReplies.Append(FRecvBuffer.get(), static_cast<std::size_t>(got));
        NoteActivity();
        return got;
    }
    if (got < 0) return -1;
    FReplies.EndOfStream();
    NoteServerClosed(AnsiString());
    return 0;
}

// The code of the closing reply of a transfer when it has arrived complete (not yet taken);
// 0 while it has not, -1 when the control connection has closed.
int TVellFtp::ArrivedClosingCode()
{
    ReceiveControl();
    if (const int code = FReplies.ClosingCode()) return code;
    return FControlSocket->Active() ? 0 : -1;
}

// The classic names of the reply steps.
void TVellFtp::WaitForData()
{
    while (!FCancelled && !FReplies.HasLine() && AwaitControl(Clock::time_point::max())) {}
}

void TVellFtp::ReadResult() { ReadReply(); }

void TVellFtp::ReadLine() { ReceiveControl(); }

int TVellFtp::ExtractResultCode(const char* line) const
{
    if (line[0] == '\0' || line[0] == ' ') return -1;
    return LeadingNumber(line);
}

bool TVellFtp::IsContinue(const char* line, int code) const
{
    if (std::strlen(line) < 4) return true;
    return !(LeadingNumber(line) == code && line[3] == ' ');
}

// ---- Notifications ---------------------------------------------------------------------------

void TVellFtp::DoStatus(const char* line) { FOnStatus(this, IncomingText(line)); }

void TVellFtp::DoPacketRecvd()
{
    FOnPacketRecvd(this);
    PumpMessages();
}

void TVellFtp::DoPacketSent()
{
    FOnPacketSent(this);
    PumpMessages();
}

void TVellFtp::PumpMessages()
{
    const auto now = Clock::now();
    if (now - FLastPump < kPumpInterval) return;
    Application->ProcessMessages();
    FLastPump = Clock::now();
}

// ---- Single-reply commands -------------------------------------------------------------------

// An operation whose command got no reply (not connected, connection lost, cancelled) fails.
bool TVellFtp::ReportIfUnanswered(bool replied, TFtpCmdType kind)
{
    if (replied) return false;
    if (FResultCode != 0 || FLastReply.IsEmpty() || !FControlSocket->Active()) NoteNoReply(nullptr);
    DoFailure(kind);
    return true;
}

void TVellFtp::SingleReplyCommand(const char* word, const AnsiString& argument, TFtpCmdType kind)
{
    const AnsiString command = AnsiString(word) + argument;
    if (RefusedCommand(command, kind)) return;
    BeginOperation();
    const bool replied = SendCommand(command);
    if (ReportIfUnanswered(replied && (FReplies.Settled() || ReadFinalReply()), kind)) return;
    if (FResultCode < 300) DoSuccess(kind);
    else DoFailure(kind);
}

void TVellFtp::ChangeDir(const AnsiString& dir) { SingleReplyCommand("CWD ", dir, fcChangeDir); }
void TVellFtp::MakeDirectory(const AnsiString& dir) { SingleReplyCommand("MKD ", dir, fcMakeDir); }
void TVellFtp::Delete(const AnsiString& file) { SingleReplyCommand("DELE ", file, fcRemove); }
void TVellFtp::RemoveDir(const AnsiString& dir) { SingleReplyCommand("RMD ", dir, fcRemove); }

void TVellFtp::Rename(const AnsiString& oldName, const AnsiString& newName)
{
    // Both names before RNFR goes out, so that no half rename is left.
    if (RefusedCommand(AnsiString("RNFR ") + oldName, fcRename) || RefusedCommand(AnsiString("RNTO ") + newName, fcRename)) return;
    BeginOperation();
    if (ReportIfUnanswered(SendCommand(AnsiString("RNFR ") + oldName), fcRename)) return;
    if (FResultCode >= 400) {
        DoFailure(fcRename);
        return;
    }
    if (ReportIfUnanswered(SendCommand(AnsiString("RNTO ") + newName), fcRename)) return;
    // A 4xx reply means the name was not changed: a failure like any other.
    if (FResultCode >= 300) DoFailure(fcRename);
    else DoSuccess(fcRename);
}

void TVellFtp::Mode(int) { throw Exception("未サポート。DoCommand(\"TYPE I\")等を使用してください。"_ansi); }

// ---- Closing reply of a transfer -------------------------------------------------------------

void TVellFtp::WindUp(TFtpCmdType kind)
{
    if (FCancelled) {
        FTransfer.Advance(TTransferPhase::Done);
        NoteNoReply(nullptr);
        DoFailure(kind);
        return;
    }
    const bool replied = FTransfer.Reached(TTransferPhase::ClosingReplyIn) ? FResultCode != 0 : ReadFinalReply();
    FTransfer.Advance(TTransferPhase::ClosingReplyIn);
    FTransfer.Advance(TTransferPhase::Done);
    if (ReportIfUnanswered(replied, kind)) return;
    EndConfirmed();
    const bool failed = FTransfer.Failed() || FResultCode >= 300;
    // A data failure that the server's reply does not show is told in the failure's own words.
    if (failed && FResultCode < 300 && !FTransfer.DataError().IsEmpty()) FLastReply = FTransfer.DataError();
    if (failed) DoFailure(kind);
    else DoSuccess(kind);
}
