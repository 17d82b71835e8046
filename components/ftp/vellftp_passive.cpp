// TVellFtp: the passive data connection. This side asks for a port (PASV, or EPSV over IPv6),
// connects to it, protects it when the control connection is protected, and sends the
// transfer command; the data then moves on this one blocking socket, read and written without
// waiting (see TDataConnection in vellftp_data.cpp).
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/net/WinSock.h"

#include <cstring>
#include <string>

bool TVellFtp::DoPASV(const AnsiString& command)
{
    FData = std::make_unique<TPassiveData>(*this);
    return FData->Open(command);
}

bool TVellFtp::TPassiveData::Open(const AnsiString& command)
{
    if (!Connect()) return false;
    TTransfer& transfer = FFtp.FTransfer;
    bool replied;
    if (FFtp.DataTlsWanted()) {
        // The handshake goes first: some servers answer the command only after it, others
        // only start it after their answer (a refusal then ends the wait for it).
        replied = FFtp.SendTransferCommand(command);
        if (replied) {
            transfer.Advance(TTransferPhase::CommandSent);
            try {
                FFtp.ProtectDataConnection(FFtp.FDataSocket->Socket(), true);
            } catch (const ESocketError& e) {
                FFtp.FailData(e.Message());  // the socket layer has closed the data connection
            }
            replied = FFtp.ReadReply();
        }
    } else {
        replied = FFtp.SendTransferCommand(command);
        if (replied) {
            transfer.Advance(TTransferPhase::CommandSent);
            replied = FFtp.ReadReply();
        }
    }
    if (!FFtp.TransferStarted(replied)) {
        Close();
        return false;
    }
    // No protected data connection: the server ends the transfer with its closing reply.
    if (transfer.Failed() && !FFtp.FDataSocket->Active()) transfer.Advance(TTransferPhase::DataEnded);
    return true;
}

// PASV (or EPSV) and the connection to the port it names. False when the server did not
// answer (the control connection is gone, or cancelled).
bool TVellFtp::TPassiveData::Connect()
{
    TClientSocket* data = FFtp.FDataSocket.get();
    if (data->Active()) data->Close();
    // PASV can name only an IPv4 address: over IPv6, EPSV names just the port.
    const bool extended = FFtp.ExtendedDataCommands();
    const char* word = extended ? "EPSV" : "PASV";
    if (!FFtp.SendCommand(word)) return false;
    AnsiString address;
    const int port = extended ? FFtp.ParseEPSV(FFtp.FLastReply) : FFtp.ParsePASV(address, FFtp.FLastReply);
    if (port < 0) throw ESocketError(AnsiString(word) + AnsiString(": ") + FFtp.FLastReply);  // refused, or no usable address
    // The data connection goes to the server we talk to, whatever address the 227 reply names:
    // a reply must not point it at another host (scanning or bouncing through this client).
    data->SetPort(port);
    data->SetAddress(FFtp.FControlSocket->Socket()->RemoteAddress());
    data->Open();
    data->Socket()->SetKeepAlive(kKeepAliveIdle);
    FFtp.NoteActivity();
    return true;
}

void TVellFtp::TPassiveData::Close() { FFtp.FDataSocket->Close(); }

TCustomWinSocket* TVellFtp::TPassiveData::Socket() const
{
    return FFtp.FDataSocket->Active() ? FFtp.FDataSocket->Socket() : nullptr;
}

bool TVellFtp::TPassiveData::Pending() const { return FFtp.FDataSocket->Active(); }

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
