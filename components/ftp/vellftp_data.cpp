// TVellFtp: passive and active data connections, and the waits of a transfer.
//
// A transfer ends when its data connection has ended and its closing reply is in. The data
// side never waits for the reply first (some servers send it only once the client has closed
// the data connection), and a server that keeps the data connection open after a positive
// closing reply gets a bounded drain.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"
#include "toolkit/net/WinSock.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>

// ---- Passive ---------------------------------------------------------------------------------

// False when the server did not answer (the control connection is gone, or cancelled).
bool TVellFtp::PassiveOpening()
{
    if (FDataSocket->Active()) FDataSocket->Close();
    // PASV can name only an IPv4 address: over IPv6, EPSV names just the port.
    const bool extended = ExtendedDataCommands();
    const char* word = extended ? "EPSV" : "PASV";
    if (!SendCommand(word)) return false;
    AnsiString address;
    const int port = extended ? ParseEPSV(FLastReply) : ParsePASV(address, FLastReply);
    if (port < 0) throw ESocketError(AnsiString(word) + AnsiString(": ") + FLastReply);  // refused, or no usable address
    // The data connection goes to the server we talk to, whatever address the 227 reply names:
    // a reply must not point it at another host (scanning or bouncing through this client).
    FDataSocket->SetPort(port);
    FDataSocket->SetAddress(FControlSocket->Socket()->RemoteAddress());
    FDataSocket->Open();
    FDataSocket->Socket()->SetKeepAlive(kKeepAliveIdle);
    NoteActivity();
    return true;
}

int TVellFtp::ParsePASV(AnsiString& address, const AnsiString& reply)
{
    std::string copy = reply.c_str();
    address = AnsiString();
    if (LeadingNumber(copy.c_str()) != 227) return -1;
    const bool bracketed = copy.find('(') != std::string::npos;
    NextToken(copy.data(), "(");
    char* field[4];
    for (char*& f : field) f = NextToken(nullptr, ",");
    char* high = NextToken(nullptr, ",");
    char* low = NextToken(nullptr, ")");
    ForgetTokenPosition();
    // Without the six numbers in brackets the reply says nothing usable.
    if (!bracketed || !field[0] || !field[1] || !field[2] || !field[3] || !high || !low) return -1;
    const AnsiString dot(".");
    address = AnsiString(field[0]) + dot + AnsiString(field[1]) + dot + AnsiString(field[2]) + dot + AnsiString(field[3]);
    const unsigned long h = static_cast<unsigned long>(std::strtol(high, nullptr, 10));
    const unsigned long l = static_cast<unsigned long>(std::strtol(low, nullptr, 10));
    return static_cast<int>((h << 8) + l);
}

// Passive opening and the transfer command. True when the server started the transfer (1xx);
// otherwise its reply was the closing one (or none came) and the data connection is closed.
bool TVellFtp::StartTransfer(const AnsiString& command)
{
    if (!PassiveOpening()) return false;
    bool replied;
    if (DataTlsWanted()) {
        // The handshake goes first: some servers answer the command only after it, others
        // only start it after their answer (a refusal then ends the wait for it).
        replied = SendLine(command);
        if (replied) {
            try {
                ProtectDataConnection(FDataSocket->Socket(), true);
            } catch (const ESocketError& e) {
                FailData(e.Message());  // the socket layer has closed the data connection
            }
            replied = ReadReply();
        }
    } else {
        replied = SendCommand(command);
    }
    const bool started = replied && (FResultCode == 150 || FResultCode == 125);
    if (started && FTransfer.failed && !FDataSocket->Active()) {
        // No protected data connection: the server ends the transfer with its closing reply.
        FTransfer.dataEnded = true;
        return true;
    }
    if (started) return true;
    FDataSocket->Close();
    if (replied && !FReplies.Settled()) FReplies.ForgetOwed();  // an odd preliminary reply: nothing more is expected
    return false;
}

void TVellFtp::DoPASV(const char* command)
{
    if (!StartTransfer(command) && (FNoReply || FResultCode >= 500)) throw Exception(FLastReply);
    if (FTransfer.failed) throw ESocketError(FTransfer.dataError);  // no protected data connection
}

bool TVellFtp::WaitForSend(int timeOut)
{
    const int fd = FDataSocket->Socket()->SocketHandle();
    if (fd < 0) return false;
    if (fd >= FD_SETSIZE) return SocketReady(fd, true, timeOut);
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(fd, &writable);
    timeval limit{static_cast<time_t>(timeOut / 1000), static_cast<suseconds_t>(timeOut % 1000) * 1000};
    return select(fd + 1, nullptr, &writable, nullptr, &limit) > 0;
}

// Waits until the passive data connection can be read, letting the GUI run. False when the
// transfer should stop waiting: cancelled, the connection gone, or a positive closing reply in
// and the data silent for the drain time.
bool TVellFtp::AwaitPassiveData()
{
    for (;;) {
        if (FCancelled || !FDataSocket->Active() || Stalled()) return false;
        Clock::time_point deadline = Clock::time_point::max();
        if (const int code = ArrivedClosingCode(); code != 0) {
            if (code < 200 || code >= 400) return false;  // refused or aborted: no data matters now
            deadline = DrainDeadline();
            if (Clock::now() >= deadline) return false;
        }
        // Data that is only a moment away is waited for without a round of the GUI queue,
        // which costs more than the moment.
        if (FDataSocket->Socket()->Ready(false, 1)) return true;
        const unsigned long slice = MillisLeft(deadline, FTimeOut);
        if (FDataSocket->Socket()->ReadyOrMessages(false, slice)) return true;
    }
}

// The closing reply is in: the data side gets a while after it, and after its last data.
TVellFtp::Clock::time_point TVellFtp::DrainDeadline()
{
    if (FTransfer.replySeen == Clock::time_point{}) FTransfer.replySeen = Clock::now();
    return std::max(FTransfer.replySeen, FTransfer.lastData) + kDrainAfterReply;
}

// ---- Active ----------------------------------------------------------------------------------

// The address the server sees this side at: the control connection's own local one. The host
// name may resolve to another interface (or a VPN's), one the server cannot reach.
AnsiString TVellFtp::GetMixPortString()
{
    in_addr local{};
    if (!FControlSocket->Active() || inet_pton(AF_INET, FControlSocket->Socket()->LocalAddress().c_str(), &local) != 1)
        return AnsiString();
    unsigned char h[4];
    std::memcpy(h, &local, 4);
    LastDataPort = LastDataPort >= 64000 ? 3001 : LastDataPort + 2;
    char text[64];
    std::snprintf(text, sizeof text, "%u,%u,%u,%u,%u,%u", h[0], h[1], h[2], h[3], unsigned(LastDataPort / 256),
                  unsigned(LastDataPort % 256));
    return AnsiString(text);
}

namespace {
constexpr int kPortAttempts = 64;
}  // namespace

// Listener, "PORT ", then the transfer command. True when the server started the transfer.
void TVellFtp::DoPORT(const char* command, TSocketNotifyEvent onRead, TSocketNotifyEvent onWrite)
{
    if (FListenSocket->Active()) FListenSocket->Close();
    FListenSocket->OnClientRead = std::move(onRead);
    FListenSocket->OnClientWrite = std::move(onWrite);
    FListenSocket->SetServerType(stNonBlocking);
    // PORT can name only an IPv4 address: over IPv6, EPRT and a listener of that family.
    const bool extended = ExtendedDataCommands();
    FListenSocket->SetFamily(extended ? sfIPv6 : sfIPv4);
    // A port of the sequence may be held by another program (or another instance of this one):
    // move on along the sequence instead of failing the transfer.
    AnsiString line;
    for (int attempt = 0;; ++attempt) {
        line = extended ? AnsiString("EPRT ") + GetEprtString() : AnsiString("PORT ") + GetMixPortString();
        FListenSocket->SetPort(LastDataPort);
        if (attempt == kPortAttempts - 1) {
            FListenSocket->Open();
            break;
        }
        if (FListenSocket->TryOpen()) break;
    }
    if (!SendCommand(line)) return;
    if (!SendLine(command)) return;
    FTransfer.commandSent = true;
    // A server that connected on PORT (pyftpdlib) takes the handshake only after the command.
    if (TCustomWinSocket* socket = std::exchange(FTransfer.tlsWaiting, nullptr)) ProtectAcceptedDataConnection(socket);
    ReadReply();
}

void TVellFtp::DataConnected(TObject*, TCustomWinSocket* socket)
{
    // Only the server, and only once per transfer: anyone else who finds the port is refused.
    const AnsiString server = FControlSocket->Socket()->RemoteAddress();
    if (FTransfer.accepted || (!server.IsEmpty() && socket->RemoteAddress() != server)) {
        if (!FTransfer.accepted)
            FailData(AnsiString("TVellFtp: データ接続を拒否しました (data connection from ") + socket->RemoteAddress() +
                     AnsiString(" refused)。"));
        socket->Close();
        return;
    }
    FTransfer.accepted = true;
    socket->SetKeepAlive(kKeepAliveIdle);
    NoteData();
    if (!DataTlsWanted()) return;
    if (FTransfer.commandSent) ProtectAcceptedDataConnection(socket);
    else FTransfer.tlsWaiting = socket;
}

// The server opened it, but this side is the TLS client here too.
void TVellFtp::ProtectAcceptedDataConnection(TCustomWinSocket* socket)
{
    try {
        ProtectDataConnection(socket, false);
    } catch (const ESocketError& e) {  // the socket layer has closed the connection
        FailData(e.Message());
        FTransfer.dataEnded = true;
    }
}

void TVellFtp::DataDisconnected(TObject*, TCustomWinSocket* socket)
{
    if (FTransfer.tlsWaiting == socket) FTransfer.tlsWaiting = nullptr;
    FTransfer.dataEnded = true;
}

void TVellFtp::FailData(const AnsiString& what)
{
    if (!FTransfer.failed) FTransfer.dataError = what;
    FTransfer.failed = true;
}

// After the closing reply: a data connection that ended without close_notify was complete
// when the server says so (its reply came over the protected control connection); otherwise
// the end was a cut and the transfer failed.
bool TVellFtp::EndConfirmed()
{
    if (FTransfer.endUnconfirmed.IsEmpty() || (FResultCode >= 200 && FResultCode < 300)) return true;
    FailData(FTransfer.endUnconfirmed);
    return false;
}

// Active mode: waits, letting the GUI (and with it the data handlers) run, until the data
// connection has ended and the closing reply is in. False when cancelled or the control
// connection is gone.
bool TVellFtp::AwaitDataEnd()
{
    for (;;) {
        if (FCancelled || Stalled()) return false;
        Clock::time_point deadline = Clock::time_point::max();
        if (const int code = ArrivedClosingCode(); code != 0) {
            if (code < 200 || code >= 400 || FTransfer.dataEnded || FTransfer.failed) return true;
            // The reply can overtake the last data (or even the connection): drain for a while.
            deadline = DrainDeadline();
            if (Clock::now() >= deadline) return true;
        }
        if (!FControlSocket->Active()) return false;
        FControlStream->WaitForDataOrMessages(MillisLeft(deadline, FTimeOut));
    }
}

// ---- Replies of a transfer command -----------------------------------------------------------

int TVellFtp::ReceiveSize(const AnsiString& reply)
{
    std::string copy = reply.c_str();
    NextToken(copy.data(), "(");
    char* second = NextToken(nullptr, "(");
    char* third = NextToken(nullptr, " ");
    int size = third ? LeadingNumber(third) : second ? LeadingNumber(second) : -1;
    ForgetTokenPosition();
    return size;
}
