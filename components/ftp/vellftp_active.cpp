// TVellFtp: the active data connection. This side listens on a port of its own, announces it
// (PORT, or EPRT over IPv6) and sends the transfer command; the server connects in, and the
// data then moves on the accepted connection, read and written by the transfer itself like a
// passive one (see TDataConnection in vellftp_data.cpp). The listener's notifications only say
// that the server has connected or gone.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/net/WinSock.h"

#include <cstdio>
#include <cstring>
#include <utility>

namespace {
constexpr int kPortAttempts = 64;
}  // namespace

bool TVellFtp::DoPORT(const AnsiString& command)
{
    FData = std::make_unique<TActiveData>(*this);
    return FData->Open(command);
}

bool TVellFtp::TActiveData::Open(const AnsiString& command)
{
    const AnsiString line = Listen();
    if (!FFtp.SendCommand(line)) return false;
    if (!FFtp.SendTransferCommand(command)) {
        if (FFtp.FTransfer.RestartRefused()) Close();
        return false;
    }
    FFtp.FTransfer.Advance(TTransferPhase::CommandSent);
    // A server that connected on PORT (pyftpdlib) takes the handshake only after the command.
    if (TCustomWinSocket* socket = std::exchange(FTlsWaiting, nullptr)) Protect(socket);
    FStarted = FFtp.TransferStarted(FFtp.ReadReply());
    if (!FStarted) Close();
    return FStarted;
}

// Listens on the next port of the sequence; the line that announces it.
AnsiString TVellFtp::TActiveData::Listen()
{
    TServerSocket* listener = FFtp.FListenSocket.get();
    if (listener->Active()) listener->Close();
    listener->OnClientRead = TSocketNotifyEvent();
    listener->OnClientWrite = TSocketNotifyEvent();
    listener->SetServerType(stNonBlocking);
    // PORT can name only an IPv4 address: over IPv6, EPRT and a listener of that family.
    const bool extended = FFtp.ExtendedDataCommands();
    listener->SetFamily(extended ? sfIPv6 : sfIPv4);
    // A port of the sequence may be held by another program (or another instance of this one):
    // move on along the sequence instead of failing the transfer.
    auto command = [extended](const AnsiString& argument) {
        return (extended ? AnsiString("EPRT ") : AnsiString("PORT ")) + argument;
    };
    for (int attempt = 0; attempt < kPortAttempts; ++attempt) {
        AnsiString line = command(extended ? FFtp.GetEprtString() : FFtp.GetMixPortString());
        listener->SetPort(LastDataPort);
        if (listener->TryOpen()) return line;
    }
    // A whole stretch taken: the sequence's odd ports are also where the system puts the
    // listeners it numbers itself, and their connections stay in TIME_WAIT for a minute. A port
    // the system picks then.
    listener->SetPort(0);
    listener->Open();
    const int port = listener->LocalPort();
    return command(extended ? FFtp.EprtArgument(port) : FFtp.PortArgument(port));
}

void TVellFtp::TActiveData::ServerConnected(TCustomWinSocket* socket)
{
    // Only the server, and only once per transfer: anyone else who finds the port is refused.
    const AnsiString server = FFtp.FControlSocket->Socket()->RemoteAddress();
    if (FEverAccepted || (!server.IsEmpty() && socket->RemoteAddress() != server)) {
        if (!FEverAccepted)
            FFtp.FailData(AnsiString("TVellFtp: データ接続を拒否しました (data connection from ") + socket->RemoteAddress() +
                         AnsiString(" refused)。"));
        socket->Close();
        return;
    }
    FEverAccepted = true;
    FAccepted = socket;
    socket->SetKeepAlive(kKeepAliveIdle);
    FFtp.NoteData();
    if (!FFtp.DataTlsWanted()) return;
    if (FFtp.FTransfer.Reached(TTransferPhase::CommandSent)) Protect(socket);
    else FTlsWaiting = socket;
}

// Only the server's own connection ends the data; the listener deletes a closed connection later.
void TVellFtp::TActiveData::ServerDisconnected(TCustomWinSocket* socket)
{
    if (FTlsWaiting == socket) FTlsWaiting = nullptr;
    if (FAccepted != socket) return;
    FAccepted = nullptr;
    FFtp.FTransfer.Advance(TTransferPhase::DataEnded);
}

// The server opened it, but this side is the TLS client here too.
void TVellFtp::TActiveData::Protect(TCustomWinSocket* socket)
{
    try {
        FFtp.ProtectDataConnection(socket, false);
    } catch (const ESocketError& e) {  // the socket layer has closed the connection
        FFtp.FailData(e.Message());
        if (FAccepted == socket) FAccepted = nullptr;
        FFtp.FTransfer.Advance(TTransferPhase::DataEnded);
    }
}

void TVellFtp::TActiveData::Close()
{
    // Closing the listener closes (and later frees) the accepted connection too.
    FAccepted = nullptr;
    FTlsWaiting = nullptr;
    FFtp.FListenSocket->Close();
    // A started transfer whose server never connected has failed, whatever its reply says.
    if (FStarted && !FEverAccepted && !FFtp.FTransfer.Failed())
        FFtp.FailData("TVellFtp: データ接続がありませんでした (no data connection)。"_ansi);
}

bool TVellFtp::TActiveData::Pending() const
{
    if (!FFtp.FListenSocket->Active()) return false;
    return FEverAccepted ? FAccepted != nullptr : true;
}

// The address the server sees this side at: the control connection's own local one. The host
// name may resolve to another interface (or a VPN's), one the server cannot reach.
AnsiString TVellFtp::GetMixPortString()
{
    const int next = NextDataPort();
    AnsiString argument = PortArgument(next);
    if (!argument.IsEmpty()) LastDataPort = next;  // no address, no port used up
    return argument;
}

AnsiString TVellFtp::PortArgument(int port) const
{
    in_addr local{};
    if (!FControlSocket->Active() || inet_pton(AF_INET, FControlSocket->Socket()->LocalAddress().c_str(), &local) != 1)
        return AnsiString();
    unsigned char h[4];
    std::memcpy(h, &local, 4);
    char text[64];
    std::snprintf(text, sizeof text, "%u,%u,%u,%u,%u,%u", h[0], h[1], h[2], h[3], unsigned(port / 256), unsigned(port % 256));
    return AnsiString(text);
}

void TVellFtp::DataConnected(TObject*, TCustomWinSocket* socket)
{
    if (FData) FData->ServerConnected(socket);
    else socket->Close();
}

void TVellFtp::DataDisconnected(TObject*, TCustomWinSocket* socket)
{
    if (FData) FData->ServerDisconnected(socket);
}
