// TVellFtp: download, over a data connection of either kind.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {
AnsiString LocalWriteFailedText() { return "TVellFtp: ローカルファイルに書き込めません (local file write failed)。"_ansi; }
}  // namespace

void TVellFtp::Download(const AnsiString& remoteFile, const AnsiString& localFile)
{
    const AnsiString command = AnsiString("RETR ") + remoteFile;
    if (RefusedCommand(command, fcTransfer)) return;
    BeginTransfer();
    if (ReportIfUnanswered(FControlSocket->Active(), fcTransfer)) return;  // nothing can be sent
    // The local file must be writable before anything is sent, but an existing one is cut
    // only once the server has accepted the transfer: a refused download leaves it as it was.
    const bool created = !FileExists(localFile);
    if (!OpenLocalFile(localFile, created ? fmCreate : fmOpenWrite | fmShareExclusive)) return;
    FTransfer.SetTruncatePending(true);
    ReceiveAndWindUp(localFile, created, [&] {
        const int64_t sized = AskSize(remoteFile);
        if (!OpenTransfer(command)) return DownloadStart::Refused;
        const int64_t announced = ReceiveSize(FLastReply);
        FTransfer.SetSize(announced >= 0 ? announced : sized);
        return DownloadStart::Accepted;
    });
}

// The local file of a transfer; false when it cannot be opened, which is told as a download or
// upload that failed, not one that vanished.
bool TVellFtp::OpenLocalFile(const AnsiString& localFile, unsigned short mode)
{
    try {
        FFileStream = std::make_unique<TFileStream>(localFile, mode);
    } catch (const EStreamError& e) {
        FailBeforeSending(e.Message());
        return false;
    }
    return true;
}

// A transfer that stops before anything is sent: the component's own words, or the reply kept.
void TVellFtp::FailBeforeSending(const AnsiString& why)
{
    if (!why.IsEmpty()) {
        FResultCode = 0;
        FLastReply = why;
    }
    FTransfer.Advance(TTransferPhase::Done);
    DoFailure(fcTransfer);
}

// Receives into the local file, opened by the caller, once `start` (SIZE, REST, the transfer
// command) has the server's go, and winds up. The data connections close and the local file is
// let go on every path; a file made for a transfer the server never started goes again.
void TVellFtp::ReceiveAndWindUp(const AnsiString& localFile, bool created, const std::function<DownloadStart()>& start)
{
    try {
        switch (start()) {
        case DownloadStart::Told:
            return;
        case DownloadStart::Accepted:
            TruncateAcceptedFile();
            while (ReceiveBlock()) {}
            FData->Close();  // before the closing reply: some servers send it only then
            FTransfer.Advance(TTransferPhase::DataEnded);
            break;
        case DownloadStart::Refused:
            if (FEnablePASV && !FNoReply && !FTransfer.RestartRefused()) throw Exception(FLastReply);  // the local file is kept
            break;
        }
    } catch (...) {
        CloseDataConnections();
        FFileStream.reset();
        DiscardUnacceptedFile(localFile, created);
        throw;
    }
    CloseDataConnections();
    if (!ClosedLocalFile()) FailData(LocalWriteFailedText());
    DiscardUnacceptedFile(localFile, created);
    WindUp(fcTransfer);
}

// The remote file's size by SIZE, asked before the transfer (a server may not take commands
// during one), for an opening reply that names none (pyftpdlib, pure-ftpd); -1 when the
// server does not say.
int64_t TVellFtp::AskSize(const AnsiString& remoteFile)
{
    if (!FFeatures.Offers("SIZE")) return -1;  // only where FEAT says the server knows it
    if (!SendCommand(AnsiString("SIZE ") + remoteFile)) return -1;
    if (!FReplies.Settled() && !ReadFinalReply()) return -1;
    const char* text = FLastReply.c_str();
    if (FResultCode != 213 || std::strlen(text) < 5 || !IsDigit(text[4])) return -1;
    return LeadingSize(text + 4);
}

// A file made for a download that the server never started goes again: a refused or
// unanswered download leaves the local side as it found it.
void TVellFtp::DiscardUnacceptedFile(const AnsiString& localFile, bool created)
{
    if (created && FTransfer.TruncatePending()) std::remove(localFile.ToUtf8().c_str());
}

// Closes the local file of a transfer; false when its last bytes could not be written.
bool TVellFtp::ClosedLocalFile()
{
    const bool flushed = !FFileStream || FFileStream->FlushBuffer();
    FFileStream.reset();
    return flushed;
}

// One read of the data connection into the local file: few, large reads, and a wait only
// when nothing has come; progress is still reported per block of at most 1024 bytes. False
// when the data has ended or the download stops.
bool TVellFtp::ReceiveBlock()
{
    if (FCancelled || FTransfer.Failed() || !FData || !FFileStream) return false;
    char* buffer = FReadBuffer.get();
    int got = 0;
    try {
        got = FData->Receive(buffer, kReadSize);
    } catch (const ETlsEndWithoutNotify& e) {
        FTransfer.EndedWithoutNotify(e.Message());  // judged by the closing reply
        DoPacketRecvd();
        return false;
    } catch (const ESocketError& e) {
        FailData(e.Message());
        return false;
    }
    if (got < 0) return FData->Wait(false);
    if (got == 0) {  // the end of the data
        DoPacketRecvd();
        return false;
    }
    NoteData();
    for (int at = 0; at < got && !FCancelled && !FTransfer.Failed(); at += kProgressBlock) {
        StoreReceived(buffer + at, std::min(kProgressBlock, got - at));
        DoPacketRecvd();
    }
    return !FCancelled && !FTransfer.Failed();
}

void TVellFtp::ReceiveEvent(TObject*, TCustomWinSocket*)
{
    if (FData) ReceiveBlock();
}

void TVellFtp::StoreReceived(const char* data, int length)
{
    TruncateAcceptedFile();
    int written = 0;
    try {
        written = FFileStream->Write(data, length);
    } catch (const EStreamError& e) {
        FailData(e.Message());
        return;
    }
    FTransfer.AddReceived(written);
    if (written < length) FailData(LocalWriteFailedText());
}

void TVellFtp::TruncateAcceptedFile()
{
    if (!FTransfer.TruncatePending() || !FFileStream) return;
    FTransfer.SetTruncatePending(false);
    try {
        FFileStream->SetSize(0);
        FFileStream->SetPosition(0);
    } catch (const EStreamError& e) {
        FailData(e.Message());
    }
}
