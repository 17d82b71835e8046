// TVellFtp: life cycle, properties, outcome reporting, the unit's tokenizer and registration.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/net/WinSock.h"
#include "toolkit/system/Published.h"

#include <cstring>

int LastDataPort = 3001;
bool ActiveSendBusy = false;
bool PassiveSendBusy = false;

namespace {
char* gTokenPosition = nullptr;
}

char* NextToken(char* text, const char* delimiters)
{
    char* p = text ? text : gTokenPosition;
    if (!p) return nullptr;
    p += std::strspn(p, delimiters);
    if (*p == '\0') {
        gTokenPosition = p;
        return nullptr;
    }
    char* end = p + std::strcspn(p, delimiters);
    if (*end != '\0') {
        *end = '\0';
        gTokenPosition = end + 1;
    } else {
        gTokenPosition = end;
    }
    return p;
}

void ForgetTokenPosition() { gTokenPosition = nullptr; }

TK_CLASS_IMPL(TVellFtp, TComponent, {
    info.Create = CreatorOf<TVellFtp>();
    using F = TVellFtp;
    info.Props.push_back(Prop::Integer("Port", &F::Port, &F::SetPort, 0));
    info.Props.push_back(Prop::Text("Password", &F::Password, &F::SetPassword));
    info.Props.push_back(Prop::Text("UserID", &F::UserID, &F::SetUserID));
    info.Props.push_back(Prop::Integer("TimeOut", &F::TimeOut, &F::SetTimeOut, 0));
    info.Props.push_back(Prop::Boolean("EnablePASV", &F::EnablePASV, &F::SetEnablePASV, 0));
    info.Props.push_back(Prop::Text("Host", &F::Host, &F::SetHost));
    info.Props.push_back(Prop::Event("OnStatus", &F::FOnStatus));
    info.Props.push_back(Prop::Event("OnAuthenticationNeeded", &F::FOnAuthenticationNeeded));
    info.Props.push_back(Prop::Event("OnConnect", &F::FOnConnect));
    info.Props.push_back(Prop::Event("OnFailure", &F::FOnFailure));
    info.Props.push_back(Prop::Event("OnListItem", &F::FOnListItem));
    info.Props.push_back(Prop::Event("OnPacketRecvd", &F::FOnPacketRecvd));
    info.Props.push_back(Prop::Event("OnPacketSent", &F::FOnPacketSent));
    info.Props.push_back(Prop::Event("OnConnectionFailed", &F::FOnConnectionFailed));
    info.Props.push_back(Prop::Event("OnSuccess", &F::FOnSuccess));
    info.Props.push_back(Prop::Event("OnInvalidHost", &F::FOnInvalidHost));
    info.Props.push_back(Prop::Boolean("TcpNoDelay", &F::TcpNoDelay, &F::SetTcpNoDelay, 0));
    info.Props.push_back(Prop::Integer("SendDataSize", &F::SendDataSize, &F::SetSendDataSize, 0));
    info.Props.push_back(Prop::Boolean("EnableTLS", &F::EnableTLS, &F::SetEnableTLS, 0));
    info.Props.push_back(Prop::Event("OnCertificateError", &F::FOnCertificateError));
    info.Props.push_back(Prop::Integer("InactivityLimit", &F::InactivityLimit, &F::SetInactivityLimit, 60000));
    info.Props.push_back(Prop::Enumeration("Charset", {"fcsAuto", "fcsCP932", "fcsUTF8"}, &F::Charset, &F::SetCharset, fcsAuto));
    info.Props.push_back(Prop::Event("OnListEntry", &F::FOnListEntry));
})

namespace Vellftp {
void Register() { RegisterComponents("Vell", {&TVellFtp::StaticClassInfo()}); }
}  // namespace Vellftp

// ---- Life cycle ------------------------------------------------------------------------------

TVellFtp::TVellFtp(TComponent* AOwner) : TComponent(AOwner), FControlSocket(std::make_unique<TClientSocket>(nullptr)) {}

void TVellFtp::Loaded()
{
    TComponent::Loaded();
    if (HasState(csDesigning)) return;
    FControlSocket->SetClientType(ctBlocking);
    if (!FControlSocket->Active()) {
        FControlSocket->SetPort(FPort);
        FControlSocket->SetHost(FHost);
    }
    if (FControlStream) return;  // already set up: a second call only takes Port and Host
    FListenSocket = std::make_unique<TServerSocket>(nullptr);
    FListenSocket->OnClientConnect = TSocketNotifyEvent(this, &TVellFtp::DataConnected);
    FListenSocket->OnClientDisconnect = TSocketNotifyEvent(this, &TVellFtp::DataDisconnected);
    FControlStream = std::make_unique<TWinSocketStream>(FControlSocket->Socket(), kControlWait);
    FDataSocket = std::make_unique<TClientSocket>(nullptr);
    FDataSocket->SetClientType(ctBlocking);
    FListStream = std::make_unique<TWinSocketStream>(FDataSocket->Socket(), kListWait);
    FDataStream = std::make_unique<TWinSocketStream>(FDataSocket->Socket(), kDataWait);
    FRecvBuffer = std::make_unique<char[]>(kRecvBufferSize);
    FDataBuffer = std::make_unique<char[]>(kDataBufferSize);
    FReadBuffer = std::make_unique<char[]>(kReadSize);
}

// The members go in the reverse of their order: each before what it depends on.
TVellFtp::~TVellFtp() { Destroying(); }

void TVellFtp::RequireLoaded() const
{
    if (!FControlStream) throw Exception("TVellFtp: 初期化されていません。Loaded の後で使用してください。"_ansi);
}

// ---- Properties ------------------------------------------------------------------------------

void TVellFtp::SetPassword(const AnsiString& value) { FPassword = value; }

void TVellFtp::SetTimeOut(uint32_t value) { FTimeOut = value < 50 ? 50 : value; }

void TVellFtp::SetTcpNoDelay(bool value)
{
    if (value == FTcpNoDelay) return;
    FTcpNoDelay = value;
    if (HasState(csDesigning) || !FControlSocket) return;
    int on = value ? 1 : 0;
    setsockopt(FControlSocket->Socket()->SocketHandle(), IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
}

bool TVellFtp::GetConnected() const { return FControlSocket && FControlSocket->Active(); }

// ---- Outcome ---------------------------------------------------------------------------------

void TVellFtp::DoSuccess(TFtpCmdType kind) { FOnSuccess(kind); }

// A handler may leave it unhandled; the exception then carries the reply line (or the
// component's own text when no reply explains the failure).
void TVellFtp::DoFailure(TFtpCmdType kind)
{
    if (!FOnFailure) return;
    bool handled = false;
    FOnFailure(handled, kind);
    if (!handled) throw Exception(FLastReply);
}
