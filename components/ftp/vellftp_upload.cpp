// TVellFtp: upload, in passive and active mode.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"
#include "toolkit/net/WinSock.h"

#include <algorithm>
#include <cstring>

int TVellFtp::BlockSize() const
{
    if (FSendDataSize <= 0) return 8192;
    return std::min(FSendDataSize, kDataBufferSize);
}

// Over TLS a write is a record: as many whole blocks as fit in one go together, since servers
// that read record by record (vsftpd) take small records slowly.
int TVellFtp::WriteSize() const
{
    const int block = BlockSize();
    if (!DataTlsWanted()) return block;
    return std::max(1, kTlsRecordSize / block) * block;
}

// Each block is counted and reported on its own, also when one write carried several; of a
// write cut short, the whole blocks are reported and the rest only counted.
void TVellFtp::ReportSent(int sent, int length)
{
    const int block = BlockSize();
    for (int done = 0; done < sent; done += block) {
        AddCount(FSentSize, std::min(block, sent - done));
        if (done + block <= sent || sent == length) DoPacketSent();
    }
}

void TVellFtp::Upload(const AnsiString& localFile, const AnsiString& remoteFile)
{
    if (RefusedCommand(AnsiString("STOR ") + remoteFile, fcTransfer)) return;
    BeginOperation();
    if (ReportIfUnanswered(FControlSocket->Active(), fcTransfer)) return;  // nothing can be sent
    try {
        FFileStream = std::make_unique<TFileStream>(localFile, fmOpenRead | fmShareDenyWrite);
    } catch (const EStreamError& e) {
        FResultCode = 0;
        FLastReply = e.Message();
        DoFailure(fcTransfer);
        return;
    }
    FTransferSize = static_cast<int>(FFileStream->Size());
    FSentSize = 0;
    FChunkLength = kNoChunk;
    try {
        if (FEnablePASV) UploadPassive(remoteFile);
        else UploadActive(remoteFile);
    } catch (...) {
        CloseDataConnections();
        FFileStream.reset();
        throw;
    }
    FFileStream.reset();
    // A protected data connection is only half closed at the end of the file: it goes once
    // the server has answered, having read everything.
    try {
        WindUp(fcTransfer);
    } catch (...) {
        CloseDataConnections();
        throw;
    }
    CloseDataConnections();
}

void TVellFtp::UploadPassive(const AnsiString& remoteFile) { DoPASV_STOR(remoteFile); }

void TVellFtp::DoPASV_STOR(const AnsiString& remoteFile)
{
    if (!StartTransfer(AnsiString("STOR ") + remoteFile)) {
        if (!FNoReply) throw Exception(FLastReply);  // refused
        FTransfer.closingRead = true;                // unanswered: reported as the outcome
        return;
    }
    const int block = WriteSize();
    char* buffer = FDataBuffer.get();
    TClientWinSocket* data = FDataSocket->Socket();
    try {
        while (!FCancelled) {
            const int length = FFileStream->Read(buffer, block);
            if (length <= 0) break;
            int sent = 0;
            while (sent < length && !FCancelled) {
                const int n = data->SendBuf(buffer + sent, length - sent);
                if (n > 0) {
                    sent += n;
                    NoteData();
                    continue;
                }
                if (n == 0) throw ESocketError(AnsiString("send: the data connection is closed"));
                // Full: wait for room, letting the GUI run (Cancel closes the connection).
                if (!FDataSocket->Active() || Stalled()) break;
                if (!SocketReadyOrMessages(data->SocketHandle(), true, FTimeOut)) {
                    if (!FDataSocket->Active() || ArrivedClosingCode() != 0) {
                        // The server ended it early (a refusal mid-way, a full disk there).
                        FailData(AnsiString("send: the server ended the data connection"));
                        break;
                    }
                }
            }
            ReportSent(sent, length);
            if (sent < length) break;
        }
    } catch (const EStreamError& e) {
        FailData(e.Message());
    } catch (const ESocketError& e) {
        FailData(e.Message());
    }
    EndUploadConnection(data);
}

// The end of the connection tells the server that the file is complete. Over TLS only the
// sending ends (see ShutdownSend); the connection is closed after the closing reply.
void TVellFtp::EndUploadConnection(TCustomWinSocket* socket)
{
    if (!FCancelled && !FTransfer.failed && socket->Connected() && socket->TlsActive()) socket->ShutdownSend(kHandshakeLimit);
    else if (FEnablePASV) FDataSocket->Close();
    else FListenSocket->Close();
}

void TVellFtp::UploadActive(const AnsiString& remoteFile)
{
    DoPORT((AnsiString("STOR ") + remoteFile).c_str(), TSocketNotifyEvent(), TSocketNotifyEvent(this, &TVellFtp::SendEvent));
    if (FReplies.Settled() || FResultCode == 0) {  // refused (or unanswered): that reply closes it
        FTransfer.closingRead = true;
        return;
    }
    // The file goes out only once the server has answered STOR. A server that connected
    // earlier (at PORT) had its one write notification then: start the sender here.
    FTransfer.uploadReady = true;
    if (FListenSocket->ActiveConnections() > 0) SendEvent(FListenSocket, FListenSocket->Connections(0));
    AwaitDataEnd();
    FTransfer.uploadReady = false;
    FListenSocket->Close();
    if (!FTransfer.accepted && !FTransfer.failed) FailData("TVellFtp: データ接続がありませんでした (no data connection)。"_ansi);
}

void TVellFtp::SendEvent(TObject*, TCustomWinSocket* socket)
{
    if (ActiveSendBusy || !FTransfer.uploadReady) return;
    ActiveSendBusy = true;
    try {
        const int block = WriteSize();
        char* buffer = FDataBuffer.get();
        int length = FFileStream ? FFileStream->Read(buffer, block) : 0;
        while (!FCancelled && length > 0) {
            int sent = 0;
            while (sent < length && !FCancelled) {
                const int n = socket->SendBuf(buffer + sent, length - sent);
                if (n > 0) {
                    sent += n;
                    NoteData();
                    continue;
                }
                if (n == 0) throw ESocketError(AnsiString("send: the data connection is closed"));
                // Full: wait for room, letting the GUI run. A Cancel meanwhile closes (and may
                // free) the connection, so it is not touched again after one.
                SocketReadyOrMessages(socket->SocketHandle(), true, FTimeOut);
                if (FCancelled || InactivityExpired()) break;
                if (FListenSocket->ActiveConnections() == 0)
                    throw ESocketError(AnsiString("send: the data connection is closed"));
            }
            NoteData();
            ReportSent(sent, length);
            length = FFileStream ? FFileStream->Read(buffer, block) : 0;
        }
    } catch (const Exception& e) {  // ESocketError, EStreamError
        FailData(e.Message());
    }
    FTransfer.dataEnded = true;
    if (FCancelled) FListenSocket->Close();  // the connection may be gone: not touched again
    else EndUploadConnection(socket);
    FDataSocket->Close();
    ActiveSendBusy = false;
}

void TVellFtp::PASV_SendEvent(TObject*, TCustomWinSocket* socket)
{
    if (PassiveSendBusy) {
        Application->MessageBox("再入"_ansi, Application->Title());
        return;
    }
    PassiveSendBusy = true;
    try {
        const int block = BlockSize();
        char* buffer = FDataBuffer.get();
        auto readBlock = [&] { return FFileStream ? FFileStream->Read(buffer, block) : 0; };
        if (FChunkLength == kNoChunk) {
            FChunkLength = readBlock();
            if (FChunkLength == 0) {
                FDataSocket->Close();
                FChunkLength = kNoChunk;
                PassiveSendBusy = false;
                return;
            }
        }
        while (!FCancelled && FChunkLength != 0) {
            const int n = socket->SendBuf(buffer, FChunkLength);
            if (n < 0) {  // full: the block stays loaded for the next write notification
                PassiveSendBusy = false;
                return;
            }
            if (n == 0) throw ESocketError(AnsiString("send: the data connection is closed"));
            AddCount(FSentSize, n);
            if (n < FChunkLength) {  // the rest of the block goes first
                std::memmove(buffer, buffer + n, static_cast<std::size_t>(FChunkLength - n));
                FChunkLength -= n;
                DoPacketSent();
                continue;
            }
            DoPacketSent();
            FChunkLength = readBlock();
        }
        if (FChunkLength == 0) FDataSocket->Close();
    } catch (const Exception& e) {
        FailData(e.Message());
    }
    FChunkLength = kNoChunk;
    PassiveSendBusy = false;
}
