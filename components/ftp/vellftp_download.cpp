// TVellFtp: download, in passive and active mode.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"

#include <algorithm>
#include <cstdio>

void TVellFtp::Download(const AnsiString& remoteFile, const AnsiString& localFile)
{
    const AnsiString command = AnsiString("RETR ") + remoteFile;
    if (RefusedCommand(command, fcTransfer)) return;
    BeginOperation();
    FReceivedSize = 0;
    if (ReportIfUnanswered(FControlSocket->Active(), fcTransfer)) return;  // nothing can be sent
    // The local file must be writable before anything is sent, but an existing one is cut
    // only once the server has accepted the transfer: a refused download leaves it as it was.
    const bool created = !FileExists(localFile);
    try {
        FFileStream = created ? std::make_unique<TFileStream>(localFile, fmCreate)
                              : std::make_unique<TFileStream>(localFile, fmOpenWrite | fmShareExclusive);
    } catch (const EStreamError&) {
        return;
    }
    FTransfer.truncatePending = true;
    try {
        if (FEnablePASV) DownloadPassive(command);
        else DownloadActive(command);
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

// A file made for a download that the server never started goes again: a refused or
// unanswered download leaves the local side as it found it.
void TVellFtp::DiscardUnacceptedFile(const AnsiString& localFile, bool created)
{
    if (created && FTransfer.truncatePending) std::remove(localFile.ToUtf8().c_str());
}

// Closes the local file of a transfer; false when its last bytes could not be written.
bool TVellFtp::ClosedLocalFile()
{
    const bool flushed = !FFileStream || FFileStream->FlushBuffer();
    FFileStream.reset();
    return flushed;
}

void TVellFtp::DownloadPassive(const AnsiString& command)
{
    if (!StartTransfer(command)) {
        if (!FNoReply) throw Exception(FLastReply);  // refused: the local file is kept
        FTransfer.closingRead = true;                // unanswered: reported as the outcome
        return;
    }
    FTransferSize = ReceiveSize(FLastReply);
    TruncateAcceptedFile();
    // Few, large reads, and a wait only when nothing has come; progress is still reported per
    // block of at most 1024 bytes.
    char* buffer = FPassiveBuffer.get();
    for (;;) {
        if (FCancelled || !FDataSocket->Active()) break;
        int got = 0;
        try {
            got = FDataSocket->Socket()->ReceiveBuf(buffer, kPassiveReadSize);
        } catch (const ETlsEndWithoutNotify& e) {
            FTransfer.endUnconfirmed = e.Message();  // judged by the closing reply
            DoPacketRecvd();
            break;
        } catch (const ESocketError& e) {
            FailData(e.Message());
            break;
        }
        if (got < 0) {
            if (!AwaitPassiveData()) break;
            continue;
        }
        if (got == 0) {  // the end of the data
            DoPacketRecvd();
            break;
        }
        NoteData();
        for (int at = 0; at < got && !FCancelled && !FTransfer.failed; at += kPassiveReadBlock) {
            StoreReceived(buffer + at, std::min(kPassiveReadBlock, got - at));
            DoPacketRecvd();
        }
        if (FCancelled || FTransfer.failed) break;
    }
    FDataSocket->Close();  // before the closing reply: some servers send it only then
}

void TVellFtp::DownloadActive(const AnsiString& command)
{
    DoPORT(command.c_str(), TSocketNotifyEvent(this, &TVellFtp::ReceiveEvent), TSocketNotifyEvent());
    FTransferSize = ReceiveSize(FLastReply);
    if (FReplies.Settled() || FResultCode == 0) {  // refused (or unanswered): that reply closes it
        FTransfer.closingRead = true;
        return;
    }
    TruncateAcceptedFile();
    AwaitDataEnd();
    FListenSocket->Close();
    if (!FTransfer.accepted && !FTransfer.failed) FailData("TVellFtp: データ接続がありませんでした (no data connection)。"_ansi);
}

void TVellFtp::ReceiveEvent(TObject*, TCustomWinSocket* socket)
{
    if (!FFileStream || FTransfer.failed) return;
    try {
        const int got = socket->ReceiveBuf(FRecvBuffer.get(), kRecvBufferSize);
        if (got <= 0) return;
        NoteData();
        StoreReceived(FRecvBuffer.get(), got);
    } catch (const ETlsEndWithoutNotify& e) {
        FTransfer.endUnconfirmed = e.Message();  // judged by the closing reply
        FTransfer.dataEnded = true;
        return;
    } catch (const ESocketError& e) {
        FailData(e.Message());
    }
    if (FTransfer.failed) {
        socket->Close();  // the server learns of it and answers with its closing reply
        return;
    }
    DoPacketRecvd();
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
    AddCount(FReceivedSize, written);
    if (written < length) FailData("TVellFtp: ローカルファイルに書き込めません (local file write failed)。"_ansi);
}

void TVellFtp::TruncateAcceptedFile()
{
    if (!FTransfer.truncatePending || !FFileStream) return;
    FTransfer.truncatePending = false;
    try {
        FFileStream->SetSize(0);
        FFileStream->SetPosition(0);
    } catch (const EStreamError& e) {
        FailData(e.Message());
    }
}
