// TVellFtp: download and upload, in passive and active mode.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"
#include "toolkit/net/WinSock.h"

#include <algorithm>
#include <cstring>

// The server's answer to a passive RETR or STOR must start the transfer: 150, or 125 when it
// has already taken the data connection (which happens whenever it accepts that connection
// before it reads the command). Anything else is raised with its line.
void TVellFtp::RequireTransferStart() const
{
    const int code = FOpeningSeen ? ExtractResultCode(FOpeningReply.c_str()) : 0;
    if (code != 150 && code != 125) throw Exception(FOpeningSeen ? FOpeningReply : FLastReply);
}

// ---- Download --------------------------------------------------------------------------------

void TVellFtp::Download(const AnsiString& remoteFile, const AnsiString& localFile)
{
    RequireLoaded();
    FCancelled = false;
    FReceivedSize = 0;
    FTransferFailed = false;
    FClosingSeen = false;
    // The local file must be writable before anything is sent, but an existing one is cut
    // only once the server has accepted the transfer: a refused download leaves it as it was.
    try {
        FFileStream = FileExists(localFile) ? new TFileStream(localFile, fmOpenWrite | fmShareExclusive)
                                            : new TFileStream(localFile, fmCreate);
    } catch (const EStreamError&) {
        return;
    }
    FTruncatePending = true;
    ScopeExit cleanup{[this] { CloseTransfer(); }};
    const AnsiString command = AnsiString("RETR ") + remoteFile;

    if (!GetConnected()) {
        FTransferFailed = true;  // nothing can be sent: no success to report
    } else if (FEnablePASV) {
        PassiveOpening();
        DoCommand(command);
        NoteTransferReplies();
        RequireTransferStart();
        FTransferSize = ReceiveSize(FOpeningReply);
        TruncateAcceptedFile();
        while (!FCancelled && !FTransferFailed && FDataSocket->Socket()->Connected()) {
            while (!FCancelled && FDataSocket->Active() && !FDataStream->WaitForDataOrMessages(100))
                Application->ProcessMessages();
            if (FCancelled || !FDataSocket->Active()) break;
            int got = 0;
            try {
                got = FDataStream->Read(FDataBuffer, kPassiveReadBlock);
            } catch (const ESocketError&) {
                FTransferFailed = true;
                break;
            }
            if (got > 0) {
                const int written = FFileStream->Write(FDataBuffer, got);
                AddCount(FReceivedSize, written);
                if (written < got) FTransferFailed = true;  // a full disk must not pass as success
            }
            DoPacketRecvd();
            if (got == 0) {
                if (FClosingSeen || ControlPending() > 0) break;
                if (!FDataSocket->Socket()->Connected()) {  // the end of the data: the closing reply follows
                    WaitForData();
                    break;
                }
            }
        }
        FDataSocket->Close();
    } else {
        DoPORT(command.c_str(), TSocketNotifyEvent(this, &TVellFtp::ReceiveEvent), TSocketNotifyEvent());
        NoteTransferReplies();
        FTransferSize = ReceiveSize(FOpeningSeen ? FOpeningReply : FLastReply);
        if (FOpeningSeen) {
            TruncateAcceptedFile();
            if (!FClosingSeen) WaitForData();
            AwaitActiveDataEnd();
        }
        FListenSocket->Close();
    }
    if (FFileStream && !FFileStream->FlushBuffer()) FTransferFailed = true;  // a full disk
    CloseTransfer();
    WindUp(fcTransfer);
}

void TVellFtp::ReceiveEvent(TObject*, TCustomWinSocket* socket)
{
    if (!FFileStream || FTransferFailed) return;
    try {
        const int wanted = std::min(socket->ReceiveLength(), kRecvBufferSize);
        const int got = wanted > 0 ? socket->ReceiveBuf(FRecvBuffer, wanted) : 0;
        if (got <= 0) return;
        TruncateAcceptedFile();
        AddCount(FReceivedSize, got);
        if (FFileStream->Write(FRecvBuffer, got) < got) FTransferFailed = true;  // a full disk
    } catch (const ESocketError&) {
        FTransferFailed = true;
    }
    if (FTransferFailed) {
        socket->Close();  // the server learns of it and answers with its closing reply
        return;
    }
    DoPacketRecvd();
}

void TVellFtp::TruncateAcceptedFile()
{
    if (!FTruncatePending || !FFileStream) return;
    FTruncatePending = false;
    try {
        FFileStream->SetSize(0);
        FFileStream->SetPosition(0);
    } catch (const EStreamError&) {
        FTransferFailed = true;
    }
}

// ---- Upload ----------------------------------------------------------------------------------

int TVellFtp::BlockSize() const
{
    if (FSendDataSize <= 0) return 8192;
    return std::min(FSendDataSize, kDataBufferSize);
}

void TVellFtp::Upload(const AnsiString& localFile, const AnsiString& remoteFile)
{
    RequireLoaded();
    try {
        FFileStream = new TFileStream(localFile, fmOpenRead | fmShareDenyWrite);
    } catch (const EStreamError&) {
        DoFailure(fcTransfer);
        return;
    }
    ScopeExit cleanup{[this] { CloseTransfer(); }};
    FCancelled = false;
    FTransferSize = static_cast<int>(FFileStream->Size());
    FSentSize = 0;
    FChunkLength = kNoChunk;
    FTransferFailed = false;
    FClosingSeen = false;

    if (!GetConnected()) {
        FTransferFailed = true;
    } else if (FEnablePASV) {
        DoPASV_STOR(remoteFile);
    } else {
        DoPORT((AnsiString("STOR ") + remoteFile).c_str(), TSocketNotifyEvent(),
               TSocketNotifyEvent(this, &TVellFtp::SendEvent));
        NoteTransferReplies();
        if (FOpeningSeen) {
            // The file goes out only once the server has answered STOR. A server that connected
            // earlier (at PORT) had its one write notification then: start the sender here.
            FUploadReady = true;
            if (FListenSocket->ActiveConnections() > 0) SendEvent(FListenSocket, FListenSocket->Connections(0));
            if (!FClosingSeen) WaitForData();  // SendEvent sends the file meanwhile
            FUploadReady = false;
        }
        FListenSocket->Close();
    }
    delete FFileStream;
    FFileStream = nullptr;
    FDataSocket->Close();
    FDataSocket->SetClientType(ctBlocking);
    if (!FClosingSeen) WaitForData();
    WindUp(fcTransfer);
}

void TVellFtp::DoPASV_STOR(const AnsiString& remoteFile)
{
    PassiveOpening();
    DoCommand(AnsiString("STOR ") + remoteFile);
    NoteTransferReplies();
    RequireTransferStart();
    const int block = BlockSize();
    auto waitForRoom = [this] {
        while (!FCancelled && FDataSocket->Active() && !WaitForSend(50)) Application->ProcessMessages();
        return !FCancelled && FDataSocket->Active();
    };
    try {
        while (!FCancelled && FDataSocket->Socket()->Connected()) {
            if (!waitForRoom()) break;
            const int length = FFileStream->Read(FDataBuffer, block);
            if (length <= 0) break;
            int written = FDataStream->Write(FDataBuffer, length);
            while (written < length && waitForRoom()) written += FDataStream->Write(FDataBuffer + written, length - written);
            AddCount(FSentSize, written);
            if (written < length) break;
            DoPacketSent();
        }
    } catch (const EStreamError&) {
        FTransferFailed = true;
    } catch (const ESocketError&) {
        FTransferFailed = true;
    }
    FDataSocket->Close();  // the end of the connection tells the server that the file is complete
}

void TVellFtp::SendEvent(TObject*, TCustomWinSocket* socket)
{
    if (ActiveSendBusy || !FUploadReady) return;
    ActiveSendBusy = true;
    try {
        const int block = BlockSize();
        int length = FFileStream ? FFileStream->Read(FDataBuffer, block) : 0;
        while (!FCancelled && length > 0) {
            int sent = 0;
            while (sent < length && !FCancelled) {
                const int n = socket->SendBuf(FDataBuffer + sent, length - sent);
                if (n < 0) {  // the connection is full: wait for room (in short slices), letting the program run
                    SocketReady(socket->SocketHandle(), true, 50);
                    Application->ProcessMessages();
                    continue;
                }
                if (n == 0) throw ESocketError(AnsiString("send: the data connection is closed"));
                sent += n;
            }
            AddCount(FSentSize, sent);
            DoPacketSent();
            length = FFileStream ? FFileStream->Read(FDataBuffer, block) : 0;
        }
    } catch (const Exception&) {  // ESocketError, EStreamError
        FTransferFailed = true;
    }
    FListenSocket->Close();  // ends the file for the server
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
        auto readBlock = [&] { return FFileStream ? FFileStream->Read(FDataBuffer, block) : 0; };
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
            const int n = socket->SendBuf(FDataBuffer, FChunkLength);
            if (n < 0) {  // full: the block stays loaded for the next write notification
                PassiveSendBusy = false;
                return;
            }
            if (n == 0) throw ESocketError(AnsiString("send: the data connection is closed"));
            AddCount(FSentSize, n);
            if (n < FChunkLength) {  // the rest of the block goes first
                std::memmove(FDataBuffer, FDataBuffer + n, static_cast<std::size_t>(FChunkLength - n));
                FChunkLength -= n;
                DoPacketSent();
                continue;
            }
            DoPacketSent();
            FChunkLength = readBlock();
        }
        if (FChunkLength == 0) FDataSocket->Close();
    } catch (const Exception&) {
        FTransferFailed = true;
    }
    FChunkLength = kNoChunk;
    PassiveSendBusy = false;
}
