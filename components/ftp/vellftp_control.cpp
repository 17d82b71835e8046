// TVellFtp: the control connection, replies, login, single-reply commands, transfer outcome.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"
#include "toolkit/net/WinSock.h"

#include <algorithm>
#include <cstring>

// ---- Connection ------------------------------------------------------------------------------

void TVellFtp::Connect()
{
    RequireLoaded();
    Application->ProcessMessages();
    FCancelled = false;
    if (FHost.IsEmpty()) throw Exception("TVellFtp: 接続先が指定されていません。"_ansi);
    // A new connection replaces an open one; the old server just sees the connection end.
    if (FControlSocket->Active()) CloseControlConnection();
    FControlSocket->SetPort(FPort);
    FControlSocket->SetHost(FHost);
    try {
        FControlSocket->Open();
    } catch (const ESocketError&) {
        DoInvalidHost();
        FControlSocket->Open();
    }
    WaitForData();
    ReadResult();
    FResultCode = ExtractResultCode(FFirstLineOfRead.c_str());
    if (FResultCode != 220) DoConnectionFailed();
    FOnConnect(this);
    DoLogin();
}

void TVellFtp::CloseControlConnection()
{
    FDataSocket->Close();
    FListenSocket->Close();
    FControlSocket->Close();
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
    if (FControlSocket->Active()) FControlSocket->Close();
    throw Exception("接続に失敗しました。"_ansi);
}

void TVellFtp::DoLogin()
{
    if (FUserID.IsEmpty() || FPassword.IsEmpty()) {
        bool handled = false;
        FOnAuthenticationNeeded(handled);  // a handler may supply UserID and Password
        if (!handled) DoFailure(fcLogin);
    }
    DoCommand(AnsiString("USER ") + FUserID);
    if (FResultCode >= 400) DoConnectionFailed();
    DoCommand(AnsiString("PASS ") + FPassword);
    if (FResultCode >= 300) DoConnectionFailed();
}

void TVellFtp::Disconnect()
{
    RequireLoaded();
    if (!FControlSocket->Active()) return;
    if (FControlSocket->Socket()->Connected()) {
        try {
            DoCommand("QUIT");
        } catch (const ESocketError&) {
            // the server went first; the connection is closed all the same
        }
    }
    FControlSocket->Close();
}

void TVellFtp::Cancel()
{
    FCancelled = true;
    if (FControlStream && FControlSocket->Active()) {
        try {
            DoCommand("ABOR");
        } catch (const ESocketError&) {
            // a dead control connection must not keep the data connections open
        }
    }
    if (FListenSocket && FDataSocket && (FListenSocket->Active() || FDataSocket->Active())) {
        FListenSocket->Close();
        FDataSocket->Close();
    }
}

// ---- Commands and replies --------------------------------------------------------------------

namespace {

// A line end inside a command would put a second command on the wire (a file name smuggling
// one in). A NUL ends the command, so only the text before it counts.
void RefuseLineBreaks(const AnsiString& command)
{
    const char* text = command.c_str();
    const std::size_t length = std::strlen(text);
    if (std::memchr(text, '\r', length) || std::memchr(text, '\n', length))
        throw Exception("TVellFtp: コマンドに改行文字 (CR, LF) は使えません。"_ansi);
}

}  // namespace

void TVellFtp::DoCommand(const AnsiString& command)
{
    RequireLoaded();
    RefuseLineBreaks(command);
    if (!FControlSocket->Active()) return;
    const char* text = command.c_str();
    const std::size_t length = std::strlen(text);
    // Replies that came after their command stopped waiting (a cancel, a timed-out reply) are
    // read now, so that they are not taken for this command's reply.
    if (ControlPending() > 0) ReadLine();

    std::string line(text, std::min<std::size_t>(length, 1000));
    line += "\r\n";
    FReplyStage = 0;
    FPreliminaryReply = AnsiString();
    FFinalReply = AnsiString();
    const int size = static_cast<int>(line.size());
    if (FControlStream->Write(line.data(), size) < size) return;
    WaitForData();
    ReadResult();
}

void TVellFtp::WaitForData()
{
    while (!FCancelled) {
        if (!FControlSocket->Active()) return;
        if (FControlStream->WaitForDataOrMessages(FTimeOut)) return;
        Application->ProcessMessages();
    }
}

void TVellFtp::ReadResult()
{
    ReadLine();
    FResultCode = ExtractResultCode(FLastReply.c_str());
    if (!IsContinue(FLastReply.c_str(), FResultCode)) return;
    WaitForData();
    while (!FCancelled && FControlSocket->Active() && FControlStream->WaitForData(FTimeOut) &&
           IsContinue(FLastReply.c_str(), FResultCode)) {
        ReadLine();
        Application->ProcessMessages();
    }
    FResultCode = ExtractResultCode(FLastReply.c_str());
}

int TVellFtp::ControlPending() const
{
    u_long pending = 0;
    if (ioctlsocket(FControlSocket->Socket()->SocketHandle(), FIONREAD, &pending) != 0) return 0;
    return static_cast<int>(std::min<u_long>(pending, 0x7FFFFFFF));
}

void TVellFtp::ReadLine()
{
    int pending = ControlPending();
    if (pending == 0 && FControlStream->WaitForData(0) && ControlPending() == 0) {
        // Readable without a byte to read: the server has closed the connection.
        FControlSocket->Close();
        throw ESocketError(AnsiString("recv: Connection closed by the server, ") + FHost + AnsiString(":") +
                           IntToStr(FPort));
    }
    // One byte of the buffer stays for the NUL; what does not fit is read next time.
    const int wanted = std::min(pending, kRecvBufferSize - 1);
    const int got = wanted > 0 ? FControlStream->Read(FRecvBuffer, wanted) : 0;
    FRecvBuffer[got > 0 ? got : 0] = '\0';
    FFirstLineOfRead = AnsiString(FRecvBuffer, std::strcspn(FRecvBuffer, "\r\n"));
    if (got < wanted) return;

    for (char* line = NextToken(FRecvBuffer, "\r\n"); line; line = NextToken(nullptr, "\r\n")) {
        FLastReply = line;
        FResultCode = ExtractResultCode(line);
        if (!IsContinue(line, FResultCode)) {
            if (FReplyStage == 0 && FResultCode >= 100 && FResultCode < 200) {
                FPreliminaryReply = FLastReply;
                FReplyStage = 1;
            } else if (FReplyStage < 2 && FResultCode >= 200) {
                FFinalReply = FLastReply;
                FReplyStage = 2;
            }
        }
        DoStatus(line);
    }
}

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

void TVellFtp::DoStatus(const char* line) { FOnStatus(this, AnsiString(line)); }

void TVellFtp::DoPacketRecvd()
{
    FOnPacketRecvd(this);
    Application->ProcessMessages();
}

void TVellFtp::DoPacketSent()
{
    FOnPacketSent(this);
    Application->ProcessMessages();
}

// ---- Single-reply commands -------------------------------------------------------------------

void TVellFtp::SingleReplyCommand(const char* word, const AnsiString& argument, TFtpCmdType kind)
{
    DoCommand(AnsiString(word) + argument);
    if (FResultCode < 300) DoSuccess(kind);
    else DoFailure(kind);
}

void TVellFtp::ChangeDir(const AnsiString& dir) { SingleReplyCommand("CWD ", dir, fcChangeDir); }
void TVellFtp::MakeDirectory(const AnsiString& dir) { SingleReplyCommand("MKD ", dir, fcMakeDir); }
void TVellFtp::Delete(const AnsiString& file) { SingleReplyCommand("DELE ", file, fcRemove); }
void TVellFtp::RemoveDir(const AnsiString& dir) { SingleReplyCommand("RMD ", dir, fcRemove); }

void TVellFtp::Rename(const AnsiString& oldName, const AnsiString& newName)
{
    RefuseLineBreaks(newName);  // before RNFR goes out, so that no half rename is left
    DoCommand(AnsiString("RNFR ") + oldName);
    if (FResultCode >= 400) {
        DoFailure(fcRename);
        return;
    }
    DoCommand(AnsiString("RNTO ") + newName);
    if (FResultCode >= 500) DoFailure(fcRename);
    else DoSuccess(fcRename);
}

void TVellFtp::Mode(int) { throw Exception("未サポート。DoCommand(\"TYPE I\")等を使用してください。"_ansi); }

// ---- Closing reply of a transfer -------------------------------------------------------------

void TVellFtp::WindUp(TFtpCmdType kind)
{
    if (FClosingSeen) {
        FLastReply = FClosingReply;  // it came in one read with the opening reply
        FClosingSeen = false;
    } else {
        ReadResult();
        FLastReply = FFirstLineOfRead;
    }
    FResultCode = ExtractResultCode(FLastReply.c_str());
    const bool failed = FCancelled || FTransferFailed || FResultCode >= 300;
    FTransferFailed = false;
    if (failed) DoFailure(kind);
    else DoSuccess(kind);
}
