#pragma once
// TVellFtp: a non-visual FTP client component. Every operation is synchronous for the caller:
// it sends, then waits on the GUI thread while letting the message queue run, so the program
// stays responsive and an event handler can call Cancel.
#include "components/ftp/vellftp_entries.h"
#include "components/ftp/vellftp_features.h"
#include "components/ftp/vellftp_names.h"
#include "components/ftp/vellftp_replies.h"
#include "components/ftp/vellftp_transfer.h"
#include "toolkit/net/ScktComp.h"
#include "toolkit/system/Classes.h"
#include "toolkit/system/FileStream.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The kind of operation that an outcome event reports.
enum TFtpCmdType : unsigned char {
    fcChangeDir = 0,
    fcMakeDir = 1,
    fcRemove = 2,
    fcRename = 5,
    fcTransfer = 9,
    fcLogin = 16,
};

using TFtpStatusEvent = TEvent<TComponent*, AnsiString>;  // Sender, Status
using TFtpHandledEvent = TEvent<bool&>;                   // Handled
using TFtpFailureEvent = TEvent<bool&, TFtpCmdType>;      // Handled, TransType
using TFtpSuccessEvent = TEvent<TFtpCmdType>;             // TransType
using TFtpListItemEvent = TEvent<AnsiString>;             // Listing
using TFtpListEntryEvent = TEvent<TFtpEntry>;             // Entry

// The character set of the server's names. Automatic: UTF-8 where FEAT offers UTF8; for a
// server that answers FEAT without it, the first names that are not ASCII decide (UTF-8 until
// then); a server that refuses FEAT gets the bytes as they are.
enum TFtpCharset : unsigned char {
    fcsAuto = 0,
    fcsCP932 = 1,  // the bytes as they are
    fcsUTF8 = 2,
};

class TVellFtp : public TComponent {
    TK_CLASS(TVellFtp)
public:
    explicit TVellFtp(TComponent* AOwner);
    ~TVellFtp() override;
    // Creates the sockets, streams and buffers (not in design mode). A component made in code
    // calls it once its properties are set; every operation but Cancel needs it.
    void Loaded() override;

    void Connect();
    void Disconnect();
    void Cancel();
    // Sends one command line (without CR LF) and reads its reply into LastReply and ResultCode.
    void DoCommand(const AnsiString& command);

    void ChangeDir(const AnsiString& dir);
    void Delete(const AnsiString& file);
    void MakeDirectory(const AnsiString& dir);
    void RemoveDir(const AnsiString& dir);
    void Rename(const AnsiString& oldName, const AnsiString& newName);
    void Mode(int transferType);  // always refused: send "TYPE I" with DoCommand instead

    void List();
    void List(const AnsiString& path);
    void Nlist();
    void Nlist(const AnsiString& path);
    // One entry per file of the directory through OnListEntry: MLSD where the server offers
    // MLST, LIST read line by line otherwise. Fails as List does.
    void ListEntries();
    void ListEntries(const AnsiString& path);
    void Download(const AnsiString& remoteFile, const AnsiString& localFile);
    void Upload(const AnsiString& localFile, const AnsiString& remoteFile);
    // Carry on a cut transfer. ResumeDownload appends to the local file from its size (REST,
    // RETR); ResumeUpload sends the local file from the remote file's size (SIZE, then REST and
    // STOR, or APPE where FEAT offers no REST STREAM). A file already whole moves nothing and
    // succeeds; a refused REST, or a target longer than its source, fails and changes nothing.
    // ReceivedSize and SentSize count from the start of the file (the resume point included),
    // TransferSize is the whole file.
    void ResumeDownload(const AnsiString& remoteFile, const AnsiString& localFile);
    void ResumeUpload(const AnsiString& localFile, const AnsiString& remoteFile);

    // Published properties.
    int Port() const { return FPort; }
    void SetPort(int value) { FPort = value; }
    const AnsiString& Password() const { return FPassword; }
    void SetPassword(const AnsiString& value);
    const AnsiString& UserID() const { return FUserID; }
    void SetUserID(const AnsiString& value) { FUserID = value; }
    uint32_t TimeOut() const { return FTimeOut; }
    void SetTimeOut(uint32_t value);
    bool EnablePASV() const { return FEnablePASV; }
    void SetEnablePASV(bool value) { FEnablePASV = value; }
    const AnsiString& Host() const { return FHost; }
    void SetHost(const AnsiString& value) { FHost = value; }
    bool TcpNoDelay() const { return FTcpNoDelay; }
    void SetTcpNoDelay(bool value);
    int SendDataSize() const { return FSendDataSize; }
    void SetSendDataSize(int value) { FSendDataSize = value; }
    // Explicit TLS: AUTH TLS before the login, protected data connections after it.
    bool EnableTLS() const { return FEnableTLS; }
    void SetEnableTLS(bool value) { FEnableTLS = value; }
    // Milliseconds without a byte received or sent, on the control or the data connection,
    // after which an operation gives up (and closes the connection); 0 waits without end.
    uint32_t InactivityLimit() const { return FInactivityLimit; }
    void SetInactivityLimit(uint32_t value) { FInactivityLimit = value; }
    // Taken at the next Connect.
    TFtpCharset Charset() const { return FCharset; }
    void SetCharset(TFtpCharset value) { FCharset = value; }

    const TFtpStatusEvent& OnStatus() const { return FOnStatus; }
    void SetOnStatus(TFtpStatusEvent e) { FOnStatus = std::move(e); }
    const TFtpHandledEvent& OnAuthenticationNeeded() const { return FOnAuthenticationNeeded; }
    void SetOnAuthenticationNeeded(TFtpHandledEvent e) { FOnAuthenticationNeeded = std::move(e); }
    const TNotifyEvent& OnConnect() const { return FOnConnect; }
    void SetOnConnect(TNotifyEvent e) { FOnConnect = std::move(e); }
    const TFtpFailureEvent& OnFailure() const { return FOnFailure; }
    void SetOnFailure(TFtpFailureEvent e) { FOnFailure = std::move(e); }
    const TFtpListItemEvent& OnListItem() const { return FOnListItem; }
    void SetOnListItem(TFtpListItemEvent e) { FOnListItem = std::move(e); }
    const TFtpListEntryEvent& OnListEntry() const { return FOnListEntry; }
    void SetOnListEntry(TFtpListEntryEvent e) { FOnListEntry = std::move(e); }
    const TNotifyEvent& OnPacketRecvd() const { return FOnPacketRecvd; }
    void SetOnPacketRecvd(TNotifyEvent e) { FOnPacketRecvd = std::move(e); }
    const TNotifyEvent& OnPacketSent() const { return FOnPacketSent; }
    void SetOnPacketSent(TNotifyEvent e) { FOnPacketSent = std::move(e); }
    const TNotifyEvent& OnConnectionFailed() const { return FOnConnectionFailed; }
    void SetOnConnectionFailed(TNotifyEvent e) { FOnConnectionFailed = std::move(e); }
    const TFtpSuccessEvent& OnSuccess() const { return FOnSuccess; }
    void SetOnSuccess(TFtpSuccessEvent e) { FOnSuccess = std::move(e); }
    const TFtpHandledEvent& OnInvalidHost() const { return FOnInvalidHost; }
    void SetOnInvalidHost(TFtpHandledEvent e) { FOnInvalidHost = std::move(e); }
    // The server's certificate is not trusted (CertificateError says why); a handler that
    // sets Handled accepts it, otherwise the connection closes.
    const TFtpHandledEvent& OnCertificateError() const { return FOnCertificateError; }
    void SetOnCertificateError(TFtpHandledEvent e) { FOnCertificateError = std::move(e); }

    // Public, read-only.
    bool Connected() const { return GetConnected(); }
    const AnsiString& LastReply() const { return FLastReply; }
    int ResultCode() const { return FResultCode; }
    // Progress of the current (or the last) listing or transfer, for OnPacketRecvd and
    // OnPacketSent handlers. 64-bit: files past 4 GiB are common.
    int64_t ReceivedSize() const { return FTransfer.Received(); }
    int64_t SentSize() const { return FTransfer.Sent(); }
    // Download: the size the server announced (in its 150 reply, else its answer to SIZE), -1
    // when it gave none; upload: the local file's size.
    int64_t TransferSize() const { return FTransfer.Size(); }
    // Why the last server certificate was not trusted; empty when it was, or without TLS.
    const AnsiString& CertificateError() const { return FCertificateError; }
    // What the server offered in its reply to FEAT at the login (nothing before one).
    const TFtpFeatures& Features() const { return FFeatures; }
    // The names of this session: fcsUTF8 or fcsCP932.
    TFtpCharset ServerCharset() const { return FUtf8 ? fcsUTF8 : fcsCP932; }

protected:
    bool GetConnected() const;

    // Control connection and replies.
    void WaitForData();
    void ReadResult();
    void ReadLine();
    int ExtractResultCode(const char* line) const;
    bool IsContinue(const char* line, int code) const;
    void DoStatus(const char* line);
    void DoLogin();
    void DoInvalidHost();
    [[noreturn]] void DoConnectionFailed();
    void DoPacketRecvd();
    void DoPacketSent();
    void DoCertificateError();
    void DoSuccess(TFtpCmdType kind);
    void DoFailure(TFtpCmdType kind);
    void WindUp(TFtpCmdType kind);

    // Data connections: set one up of either kind and send the transfer command; true when
    // the server started the transfer.
    bool DoPASV(const AnsiString& command);
    bool DoPORT(const AnsiString& command);
    int ParsePASV(AnsiString& address, const AnsiString& reply);
    AnsiString GetMixPortString();  // the next port of the sequence (advancing LastDataPort)
    AnsiString PortArgument(int port) const;
    int ParseEPSV(const AnsiString& reply);
    AnsiString GetEprtString();  // the same for EPRT
    AnsiString EprtArgument(int port) const;
    int64_t ReceiveSize(const AnsiString& reply);
    bool WaitForSend(int timeOut);

    // Listing, download, upload. The notification handlers each do one step of the transfer
    // loop; the component itself runs the loops and attaches none of them.
    void DoList(const AnsiString& line);
    void ListEvent(TObject* sender, TCustomWinSocket* socket);
    void ReceiveEvent(TObject* sender, TCustomWinSocket* socket);
    void DoPASV_STOR(const AnsiString& remoteFile);
    void SendEvent(TObject* sender, TCustomWinSocket* socket);
    void PASV_SendEvent(TObject* sender, TCustomWinSocket* socket);

private:
    using Clock = std::chrono::steady_clock;
    // The data connection of a listing or transfer, and its two kinds (vellftp_data.h).
    class TDataConnection;
    class TPassiveData;
    class TActiveData;

    // Operations: every public one starts with BeginOperation (a listing or transfer with
    // BeginTransfer).
    void RequireLoaded() const;
    void BeginOperation();
    void StartWaiting();
    void CatchUp();
    void SingleReplyCommand(const char* word, const AnsiString& argument, TFtpCmdType kind);
    bool ReportIfUnanswered(bool replied, TFtpCmdType kind);
    bool RefusedCommand(const AnsiString& command, TFtpCmdType kind);
    void CloseControlConnection();
    void ResetControlState();

    // Control side: lines and replies.
    bool SendCommand(const AnsiString& command);
    bool SendLine(const AnsiString& command);
    bool ReadReply(Clock::time_point deadline = Clock::time_point::max());
    bool ReadFinalReply(Clock::time_point deadline = Clock::time_point::max());
    bool AwaitControl(Clock::time_point deadline);
    int ReceiveControl();
    int ArrivedClosingCode();
    void ReportStaleLines();
    void NoteNoReply(const char* message);
    void NoteServerClosed(const AnsiString& why);
    void NoteActivity() { FLastActivity = Clock::now(); }
    // The inactivity limit has passed: the operation stops as if cancelled. Stalled also
    // closes the connections; InactivityExpired leaves that to the caller (a handshake).
    bool InactivityExpired();
    bool Stalled();

    // TLS and the extended data commands.
    void SecureControlConnection();
    void ProtectDataChannel();
    bool DataTlsWanted() const;
    void ProtectDataConnection(TCustomWinSocket* socket, bool watchRefusal);
    bool ExtendedDataCommands() const;

    // A listing or transfer (vellftp_data.cpp).
    void BeginTransfer();
    bool OpenTransfer(const AnsiString& command);
    bool SendTransferCommand(const AnsiString& command);
    bool TransferStarted(bool replied);
    void PumpMessages();
    void NoteData();
    void FailData(const AnsiString& what);
    bool EndConfirmed();
    void DataConnected(TObject* sender, TCustomWinSocket* socket);
    void DataDisconnected(TObject* sender, TCustomWinSocket* socket);
    void CloseDataConnections();

    // Listing.
    bool ReceiveListing();
    void SettleAfterActiveListing();
    void TakeListData(const char* data, int length);
    void DeliverListLines(char* text);
    void FlushListCarry();

    // Features and names in the server's character set.
    enum class ListingKind : unsigned char { Lines, Names, Entries, MlsdEntries };
    void NegotiateFeatures();
    void ResetNames();
    // The command as it goes on the wire; empty, or why it cannot go.
    AnsiString WireRefusal(const AnsiString& command, std::string& wire) const;
    AnsiString IncomingText(std::string_view text) const;
    void NoteServerNames(std::string_view text);
    void NoteListingCommand(std::string_view command);
    void NoteDirectoryReply(const std::string& line);
    void DeliverListLine(const char* line);

    // Download and upload.
    bool OpenLocalFile(const AnsiString& localFile, unsigned short mode);
    void FailBeforeSending(const AnsiString& why);
    // How the start of a download ended: the server accepted, it did not, or the outcome is
    // already told (nothing had to move).
    enum class DownloadStart : unsigned char { Accepted, Refused, Told };
    void ReceiveAndWindUp(const AnsiString& localFile, bool created, const std::function<DownloadStart()>& start);
    void SendAndWindUp(const std::function<void()>& send);
    int64_t AskSize(const AnsiString& remoteFile);
    bool ReceiveBlock();
    void StoreReceived(const char* data, int length);
    void TruncateAcceptedFile();
    void DiscardUnacceptedFile(const AnsiString& localFile, bool created);
    void SendFile();
    int BlockSize() const;
    int WriteSize() const;
    void ReportSent(int sent, int length);
    bool ClosedLocalFile();

    // Owned sockets and streams, each declared after what it depends on (a stream over its
    // socket), so that it goes first.
    std::unique_ptr<TClientSocket> FControlSocket;
    std::unique_ptr<TWinSocketStream> FControlStream;
    std::unique_ptr<TServerSocket> FListenSocket;
    std::unique_ptr<TClientSocket> FDataSocket;
    std::unique_ptr<TWinSocketStream> FDataStream;  // the classic blocking streams over the
    std::unique_ptr<TWinSocketStream> FListStream;  // data socket; the transfers read it directly
    std::unique_ptr<TFileStream> FFileStream;       // the local file of the current transfer
    AnsiString FHost;
    AnsiString FUserID;
    AnsiString FLastReply;
    int FPort = 21;
    AnsiString FPassword;
    bool FEnablePASV = false;
    bool FCancelled = false;
    int FResultCode = 0;
    uint32_t FTimeOut = 50;
    std::unique_ptr<char[]> FRecvBuffer;
    std::unique_ptr<char[]> FDataBuffer;
    // A transfer's reads: large, so that a fast server is read in few calls.
    std::unique_ptr<char[]> FReadBuffer;
    int FChunkLength = 0;
    TFtpFailureEvent FOnFailure;
    TFtpSuccessEvent FOnSuccess;
    TFtpStatusEvent FOnStatus;
    TFtpHandledEvent FOnAuthenticationNeeded;
    TFtpHandledEvent FOnInvalidHost;
    TNotifyEvent FOnConnect;
    TNotifyEvent FOnConnectionFailed;
    TNotifyEvent FOnPacketSent;
    TNotifyEvent FOnPacketRecvd;
    TFtpListItemEvent FOnListItem;
    TFtpListEntryEvent FOnListEntry;
    int FSendDataSize = 8192;
    bool FTcpNoDelay = false;
    bool FEnableTLS = false;
    TFtpHandledEvent FOnCertificateError;
    AnsiString FCertificateError;

    TReplyEngine FReplies;  // the control connection's lines, replies and replies owed
    TTransfer FTransfer;    // the current (or last) listing or transfer, and its counts
    // Its data connection, over FDataSocket or FListenSocket; declared after both.
    std::unique_ptr<TDataConnection> FData;
    Clock::time_point FLastPump{};  // the last run of the GUI queue during a transfer

    // Sixty seconds, as curl waits for a reply: far beyond any pause of a working server
    // (a closing reply after a big upload comes within seconds), short enough that a dead
    // link is noticed while the user still waits for it.
    uint32_t FInactivityLimit = 60000;
    Clock::time_point FLastActivity{};
    bool FStalled = false;     // the inactivity limit ended the operation
    bool FNoReply = false;     // the last command got no reply (NoteNoReply)
    bool FPeerClosed = false;  // the server closed the control connection (or it broke)
    AnsiString FCloseError;    // the socket's words for a connection that broke

    TFtpCharset FCharset = fcsAuto;
    TFtpFeatures FFeatures;
    bool FUtf8 = false;             // names go out and come in as UTF-8
    bool FCharsetSettled = true;    // automatic: the names have not decided yet when false
    bool FWantEntries = false;      // ListEntries is running
    ListingKind FListing = ListingKind::Lines;
    TServerNames FServerNames;
    std::vector<std::string> FReplyLines;  // the lines of the reply being read, as they came

    friend struct VellFtpTestAccess;
};

// The unit's tokenizer, C strtok on a writable NUL-terminated text: a text starts a new scan,
// null goes on from the saved position, which is one for the whole unit.
char* NextToken(char* text, const char* delimiters);

// Unit-wide state shared by every instance.
extern int LastDataPort;      // the last local port used for an active data connection
extern bool ActiveSendBusy;   // an upload is sending its file (SendEvent)
extern bool PassiveSendBusy;  // PASV_SendEvent is running

// Palette registration on page "Vell".
namespace Vellftp {
void Register();
}  // namespace Vellftp
