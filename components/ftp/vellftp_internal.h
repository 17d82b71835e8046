#pragma once
// Shared by the files of unit vellftp only.
#include "components/ftp/vellftp.h"
#include "toolkit/system/AnsiString.h"

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string>

constexpr int kRecvBufferSize = 1048576;       // control replies and listing chunks, NUL included
constexpr int kDataBufferSize = 32768;         // one read of a file transfer
constexpr int kNoChunk = kDataBufferSize + 1;  // FChunkLength when no block is loaded
constexpr int kTlsRecordSize = 16384;          // the most a TLS record carries
// A TLS handshake (or a close_notify waiting for room) that has not completed by then has failed.
constexpr unsigned long kHandshakeLimit = 30000;
constexpr int kProgressBlock = 1024;  // a download reports progress per block of this size
constexpr int kReadSize = 262144;     // one read of a transfer's data connection
constexpr unsigned long kControlWait = 1000;
constexpr unsigned long kListWait = 100;
constexpr unsigned long kDataWait = 10000;
// Seconds of silence before TCP sends a keep-alive probe (curl's --keepalive-time default).
constexpr int kKeepAliveIdle = 60;

// How long an operation waits for what an aborted or unfinished exchange still owes, and for
// the answer to QUIT.
constexpr std::chrono::milliseconds kCatchUpWait{5000};
// How long the server may fall quiet while it still owes replies before a NOOP asks it where
// it stands.
constexpr std::chrono::milliseconds kCatchUpQuiet{1000};
// How long a data connection may stay silent after the closing reply before the transfer ends
// without it (a server that keeps it open).
constexpr std::chrono::milliseconds kDrainAfterReply{2000};
// The pause after an active listing's closing reply.
constexpr std::chrono::milliseconds kListSettle{500};
// The GUI queue runs at most this often while data moves, so that it costs little per block.
constexpr std::chrono::milliseconds kPumpInterval{2};

// The port after LastDataPort in the active-mode sequence, which starts again from 3001.
inline int NextDataPort() { return LastDataPort >= 64000 ? 3001 : LastDataPort + 2; }

// The component's own failure texts, for outcomes no server reply explains.
inline AnsiString ClosedText() { return "TVellFtp: 接続が閉じられています (connection closed)。"_ansi; }
inline AnsiString CancelledText() { return "TVellFtp: 中止されました (cancelled)。"_ansi; }
// The server ended the control connection; why, in its own 421 line or the socket's words.
inline AnsiString ServerClosedText(const AnsiString& why)
{
    AnsiString text = "TVellFtp: サーバーが接続を閉じました (the server closed the connection"_ansi;
    if (!why.IsEmpty()) text = text + AnsiString(": ") + why;
    return text + ")。"_ansi;
}
inline AnsiString StalledText(unsigned long limitMs)
{
    return "TVellFtp: サーバーの応答がありません (no data from the server for "_ansi + AnsiString(std::to_string(limitMs)) +
           " ms)。"_ansi;
}

// Forgets the tokenizer's saved position, so that it never outlives a buffer that goes away.
void ForgetTokenPosition();
// The longest command line servers take, without its CR LF.
constexpr std::size_t kMaxCommandLength = 1000;
// Why a command cannot go on the wire (a CR, LF or NUL in it, or too long); empty when it can.
AnsiString CommandRefusal(const AnsiString& command);
// Throws with that reason.
void RefuseUnsendable(const AnsiString& command);

// strtol with base 10, saturated to the 32-bit range.
inline int LeadingNumber(const char* text)
{
    long v = std::strtol(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A line that can end a reply: three digits, then a blank or nothing.
inline bool IsFinalLine(const std::string& line)
{
    return line.size() >= 3 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) && (line.size() == 3 || line[3] == ' ');
}

// Three digits and a hyphen: the first line of a multi-line reply.
inline bool IsMultiLineStart(const std::string& line)
{
    return line.size() >= 4 && IsDigit(line[0]) && IsDigit(line[1]) && IsDigit(line[2]) && line[3] == '-';
}

// A size as strtoll reads it with base 10 (saturated to the 64-bit range).
inline int64_t LeadingSize(const char* text) { return std::strtoll(text, nullptr, 10); }

// Milliseconds left until a deadline, clamped to [0, cap].
inline unsigned long MillisLeft(std::chrono::steady_clock::time_point deadline, unsigned long cap)
{
    const auto now = std::chrono::steady_clock::now();
    if (deadline <= now) return 0;
    if (deadline == std::chrono::steady_clock::time_point::max()) return cap;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
    return left < static_cast<long long>(cap) ? static_cast<unsigned long>(left) : cap;
}
