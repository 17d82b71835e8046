#pragma once
// The replies of one control connection: its bytes handed out as lines, which reply a line
// belongs to (a multi-line reply ends only at a final line with its own code), and how many
// final replies the server still owes for the commands sent. No sockets here: the component
// feeds it what it reads.
#include "components/ftp/vellftp_lines.h"

#include <string>

class TReplyEngine {
public:
    // ---- The bytes of the connection.
    void Append(const char* data, std::size_t length) { FLines.Append(data, length); }
    void EndOfStream() { FLines.EndOfStream(); }
    bool HasLine() const { return FLines.HasLine(); }
    bool Empty() const { return FLines.Empty(); }
    // The code of the first waiting line that can close a transfer; 0 while none has come.
    int ClosingCode() const { return FLines.ClosingCode(); }
    // A new connection: nothing read, nothing owed, nothing said.
    void Reset();
    // What has come and not been taken goes (plain bytes before a TLS handshake).
    void DiscardUnread() { FLines.Clear(); }

    // ---- Commands sent, replies owed.
    void CommandSent() { ++FOwed; }
    int Owed() const { return FOwed; }
    // What has not come by now is taken as stale when it comes.
    void ForgetOwed();

    // ---- Reading one reply.
    void BeginReply();
    // The next line of the reply being read; false while no whole line has come.
    bool TakeReplyLine(std::string& line);
    // The line taken last ended the reply.
    bool ReplyEnded() const { return FEnded; }
    // The reply has ended with this code: true when it settled its command. A preliminary
    // (1xx) reply settles nothing, but a second reply to the same command does, whatever its
    // code (a server may end an aborted transfer with one more 1xx line).
    bool Settle(int code);
    bool Settled() const { return FSettled; }
    // No reply came for the command: nothing may look settled.
    void NoReply() { FSettled = false; }

    // A line outside any reply (one that outlived the wait for it, a notice).
    bool TakeStaleLine(std::string& line) { return TakeLine(line); }
    // The server's "421" line when it has said that it closes the connection; empty otherwise.
    const std::string& ClosingNotice() const { return FClosingNotice; }

private:
    bool TakeLine(std::string& line);

    TReplyLines FLines;
    int FOwed = 0;                 // final replies the server still owes for the commands sent
    bool FPreliminaryRead = false; // the oldest command owed has had its preliminary reply
    bool FSettled = false;         // the last reply read settled its command
    bool FFirst = true;            // the reply being read has had no line yet
    std::string FCode;             // the code a multi-line reply must end with; empty for any
    bool FEnded = false;
    std::string FClosingNotice;
};
