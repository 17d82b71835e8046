// TVellFtp: download, over a data connection of either kind.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

void TVellFtp::Download(const AnsiString& remoteFile, const AnsiString& localFile)
{
    const AnsiString command = AnsiString("RETR ") + remoteFile;
    if (RefusedCommand(command, fcTransfer)) return;
    BeginTransfer();
    if (ReportIfUnanswered(FControlSocket->Active(), fcTransfer)) return;  // nothing can be sent
    // The local file must be writable before anything is sent, but an existing one is cut
    // only once the server has accepted the transfer: a refused download leaves it as it was.
    const bool created = !FileExists(localFile);
    try {
        FFileStream = created ? std::make_unique<TFileStream>(localFile, fmCreate)
                              : std::make_unique<TFileStream>(localFile, fmOpenWrite | fmShareExclusive);
    } catch (const EStreamError& e) {
        // Said as an upload says it: a download that cannot write has failed, not vanished.
        FResultCode = 0;
        FLastReply = e.Message();
        DoFailure(fcTransfer);
        return;
    }
    FTransfer.SetTruncatePending(true);
    try {
        const int64_t sized = AskSize(remoteFile);
        if (OpenTransfer(command)) {
            const int64_t announced = ReceiveSize(FLastReply);
            FTransfer.SetSize(announced >= 0 ? announced : sized);
            TruncateAcceptedFile();
            while (ReceiveBlock()) {}
            FData->Close();  // before the closing reply: some servers send it only then
            FTransfer.Advance(TTransferPhase::DataEnded);
        } else if (FEnablePASV && !FNoReply) {
            throw Exception(FLastReply);  // refused: the local file is kept
        }
    } catch (...) {
        CloseDataConnections();
        FFileStream.reset();
        DiscardUnacceptedFile(localFile, created);
        throw;
    }
    CloseDataConnections();
    if (!ClosedLocalFile()) FailData("TVellFtp: ローカルファイルに書き込めません (local file write failed)。"_ansi);
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
    if (written < length) FailData("TVellFtp: ローカルファイルに書き込めません (local file write failed)。"_ansi);
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
