// TVellFtp: upload, over a data connection of either kind.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"

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
        FTransfer.AddSent(std::min(block, sent - done));
        if (done + block <= sent || sent == length) DoPacketSent();
    }
}

void TVellFtp::Upload(const AnsiString& localFile, const AnsiString& remoteFile)
{
    const AnsiString command = AnsiString("STOR ") + remoteFile;
    if (RefusedCommand(command, fcTransfer)) return;
    BeginTransfer();
    if (ReportIfUnanswered(FControlSocket->Active(), fcTransfer)) return;  // nothing can be sent
    if (!OpenLocalFile(localFile, fmOpenRead | fmShareDenyWrite)) return;
    FTransfer.SetSize(FFileStream->Size());
    SendAndWindUp([&] {
        if (FEnablePASV) DoPASV_STOR(remoteFile);
        else if (DoPORT(command)) SendFile();  // a refusal is the outcome
    });
}

// Sends the local file, opened by the caller, by what `send` sets up, and winds up. The local
// file goes before the closing reply; a protected data connection is only half closed at the
// end of the file, so it goes once the server has answered, having read everything, and on
// every other path too.
void TVellFtp::SendAndWindUp(const std::function<void()>& send)
{
    FChunkLength = kNoChunk;
    try {
        send();
    } catch (...) {
        CloseDataConnections();
        FFileStream.reset();
        throw;
    }
    FFileStream.reset();
    try {
        WindUp(fcTransfer);
    } catch (...) {
        CloseDataConnections();
        throw;
    }
    CloseDataConnections();
}

// The passive upload: the data connection, STOR and the file. A refusal raises with its line.
void TVellFtp::DoPASV_STOR(const AnsiString& remoteFile)
{
    if (DoPASV(AnsiString("STOR ") + remoteFile)) SendFile();
    else if (!FNoReply) throw Exception(FLastReply);
}

// The whole file, block by block, once the server has started the transfer; the end of the
// data connection tells the server that the file is complete. A second call while it runs
// (from the GUI running meanwhile) sends nothing.
void TVellFtp::SendFile()
{
    if (ActiveSendBusy || !FData || !FTransfer.Reached(TTransferPhase::DataFlowing)) return;
    ActiveSendBusy = true;
    const int block = WriteSize();
    char* buffer = FDataBuffer.get();
    try {
        // The server's connection first, also for an empty file: the end of the data is the
        // end of a connection that was there.
        while (!FData->Socket() && FData->Wait(true)) {}
        while (!FCancelled) {
            const int length = FFileStream ? FFileStream->Read(buffer, block) : 0;
            if (length <= 0) break;
            int sent = 0;
            while (sent < length && !FCancelled) {
                const int n = FData->Send(buffer + sent, length - sent);
                if (n > 0) {
                    sent += n;
                    NoteData();
                    continue;
                }
                if (n == 0) throw ESocketError(AnsiString("send: the data connection is closed"));
                // Full (or not connected yet): wait for room, letting the GUI run.
                if (!FData->Wait(true)) {
                    // The server ended it early (a refusal mid-way, a full disk there).
                    if (!FCancelled) FailData(AnsiString("send: the server ended the data connection"));
                    break;
                }
            }
            ReportSent(sent, length);
            if (sent < length) break;
        }
    } catch (const Exception& e) {  // ESocketError, EStreamError
        FailData(e.Message());
    }
    FData->EndSending();
    FTransfer.Advance(TTransferPhase::DataEnded);
    ActiveSendBusy = false;
}

void TVellFtp::SendEvent(TObject*, TCustomWinSocket*) { SendFile(); }

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
            FTransfer.AddSent(n);
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
