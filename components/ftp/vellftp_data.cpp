// TVellFtp: passive and active data connections, and the replies that open and close them.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"
#include "toolkit/net/WinSock.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

// ---- Passive ---------------------------------------------------------------------------------

void TVellFtp::PassiveOpening()
{
    if (FDataSocket->Active()) FDataSocket->Close();
    DoCommand("PASV");
    AnsiString address;
    const int port = ParsePASV(address, FLastReply);
    // The data connection goes to the server we talk to, whatever address the 227 reply names:
    // a reply must not point it at another host (scanning or bouncing through this client).
    FDataSocket->SetPort(port);
    FDataSocket->SetAddress(FControlSocket->Socket()->RemoteAddress());
    FDataSocket->Open();
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

void TVellFtp::DoPASV(const char* command)
{
    PassiveOpening();
    DoCommand(command);
    NoteTransferReplies();
    const AnsiString& reply = FOpeningSeen ? FOpeningReply : FLastReply;
    if (ExtractResultCode(reply.c_str()) >= 500) throw Exception(reply);
    if (!FOpeningSeen && FClosingSeen) return;  // refused: no data will come
    while (!FCancelled && FDataSocket->Active() && !FDataStream->WaitForDataOrMessages(FTimeOut))
        Application->ProcessMessages();
}

bool TVellFtp::WaitForSend(int timeOut)
{
    const int fd = FDataSocket->Socket()->SocketHandle();
    if (fd < 0) return false;
    if (fd >= FD_SETSIZE) return SocketReady(fd, true, timeOut);
    fd_set writable;
    FD_ZERO(&writable);
    FD_SET(fd, &writable);
    timeval limit{timeOut / 1000, (timeOut % 1000) * 1000};
    return select(fd + 1, nullptr, &writable, nullptr, &limit) > 0;
}

int TVellFtp::DataPending() const
{
    u_long pending = 0;
    if (ioctlsocket(FDataSocket->Socket()->SocketHandle(), FIONREAD, &pending) != 0) return 0;
    return static_cast<int>(std::min<u_long>(pending, 0x7FFFFFFF));
}

// ---- Active ----------------------------------------------------------------------------------

AnsiString TVellFtp::GetMixPortString()
{
    char name[64] = {};
    if (gethostname(name, sizeof name) != 0) return AnsiString();
    name[sizeof name - 1] = '\0';
    hostent* host = gethostbyname(name);
    if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list || !host->h_addr_list[0])
        return AnsiString();
    unsigned char h[4];
    std::memcpy(h, host->h_addr_list[0], 4);
    // A loopback address is of no use to a server elsewhere, and a local server refuses a data
    // address other than the one it sees the client at: announce the control connection's own.
    if (h[0] == 127 && FControlSocket->Active()) {
        in_addr local{};
        if (inet_pton(AF_INET, FControlSocket->Socket()->LocalAddress().c_str(), &local) == 1)
            std::memcpy(h, &local, 4);
    }
    LastDataPort = LastDataPort >= 64000 ? 3001 : LastDataPort + 2;
    char text[64];
    std::snprintf(text, sizeof text, "%u,%u,%u,%u,%u,%u", h[0], h[1], h[2], h[3], unsigned(LastDataPort / 256),
                  unsigned(LastDataPort % 256));
    return AnsiString(text);
}

namespace {
constexpr int kPortAttempts = 64;
}  // namespace

void TVellFtp::DoPORT(const char* command, TSocketNotifyEvent onRead, TSocketNotifyEvent onWrite)
{
    if (FListenSocket->Active()) FListenSocket->Close();
    FListenSocket->OnClientRead = std::move(onRead);
    FListenSocket->OnClientWrite = std::move(onWrite);
    FListenSocket->SetServerType(stNonBlocking);
    FDataAccepted = false;
    FDataEnded = false;
    // A port of the sequence may be held by another program (or another instance of this one):
    // move on along the sequence instead of failing the transfer.
    AnsiString line;
    for (int attempt = 0;; ++attempt) {
        line = AnsiString("PORT ") + GetMixPortString();
        FListenSocket->SetPort(LastDataPort);
        if (attempt == kPortAttempts - 1) {
            FListenSocket->Open();
            break;
        }
        if (FListenSocket->TryOpen()) break;
    }
    DoCommand(line);
    DoCommand(command);
}

void TVellFtp::DataConnected(TObject*, TCustomWinSocket* socket)
{
    // Only the server, and only once per transfer: anyone else who finds the port is refused.
    const AnsiString server = FControlSocket->Socket()->RemoteAddress();
    if (FDataAccepted || (!server.IsEmpty() && socket->RemoteAddress() != server)) {
        socket->Close();
        return;
    }
    FDataAccepted = true;
}

void TVellFtp::DataDisconnected(TObject*, TCustomWinSocket*) { FDataEnded = true; }

void TVellFtp::AwaitActiveDataEnd()
{
    // The closing reply can be read before the last data: go on until the data connection ends.
    Application->ProcessMessages();
    while (FDataAccepted && !FDataEnded && !FCancelled && !FTransferFailed && FListenSocket->Active())
        Application->HandleMessage();
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

void TVellFtp::NoteTransferReplies()
{
    // The opening reply (150 or 125) can come in one read with the closing one; a final reply
    // without an opening one means the server refused.
    FOpeningSeen = FReplyStage >= 1 && !FPreliminaryReply.IsEmpty();
    FOpeningReply = FPreliminaryReply;
    FClosingSeen = FReplyStage == 2;
    FClosingReply = FFinalReply;
}

void TVellFtp::CloseTransfer()
{
    FUploadReady = false;
    FDataSocket->Close();
    FListenSocket->Close();
    delete FFileStream;
    FFileStream = nullptr;
}
