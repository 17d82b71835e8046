// TVellFtp: directory listings, delivered line by line through OnListItem.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"

#include <algorithm>
#include <chrono>
#include <cstring>

void TVellFtp::List() { DoList("LIST"); }
void TVellFtp::List(const AnsiString& path) { DoList((AnsiString("LIST ") + path).c_str()); }
void TVellFtp::Nlist() { DoList("NLST"); }
void TVellFtp::Nlist(const AnsiString& path) { DoList((AnsiString("NLST ") + path).c_str()); }

void TVellFtp::DoList(const char* command)
{
    RequireLoaded();
    FListCarry.clear();
    FTransferFailed = false;
    ScopeExit cleanup{[this] {
        FDataSocket->Close();
        FListenSocket->Close();
        FListCarry.clear();
        FClosingSeen = false;
    }};
    if (FEnablePASV) {
        DoPASV(command);
        if (FOpeningSeen || !FClosingSeen) {
            // A silence of the data connection longer than TimeOut ends the listing; the GUI
            // runs meanwhile, so a long TimeOut can still be cut short by Cancel.
            while (!FCancelled && WaitForListData()) {
                const int length = ReadList();
                DeliverListLines(FRecvBuffer);
                if (length == 0) {  // the end of the data: the closing reply follows, if not read yet
                    if (!FClosingSeen && ControlPending() == 0) WaitForData();
                    break;
                }
                Application->ProcessMessages();
            }
            FlushListCarry();
        }
        if (!FClosingSeen) ReadResult();
        FDataSocket->Close();
    } else {
        DoPORT(command, TSocketNotifyEvent(this, &TVellFtp::ListEvent), TSocketNotifyEvent());
        NoteTransferReplies();
        FTransferSize = ReceiveSize(FOpeningSeen ? FOpeningReply : FLastReply);
        if (FOpeningSeen) {
            if (!FClosingSeen) WaitForData();
            AwaitActiveDataEnd();
            FlushListCarry();
        }
        if (!FClosingSeen) ReadResult();
        FControlStream->WaitForData(500);
        FListenSocket->Close();
    }
}

bool TVellFtp::WaitForListData()
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(FTimeOut);
    while (!FCancelled && FDataSocket->Active()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        if (FListStream->WaitForDataOrMessages(static_cast<unsigned long>(left))) return true;
    }
    return false;
}

int TVellFtp::ReadList()
{
    // A chunk is whole lines: an unfinished last line waits for the rest, unless a silence,
    // the end of the data or Cancel closes the chunk, which then delivers it as it is.
    int length = static_cast<int>(FListCarry.size());
    std::memcpy(FRecvBuffer, FListCarry.data(), FListCarry.size());
    FListCarry.clear();
    bool more = true;
    for (bool first = true;; first = false) {
        if (!first && !WaitForListData()) {
            more = false;
            break;
        }
        const int space = kRecvBufferSize - 1 - length;
        if (space <= 0) throw Exception("ReadList():バッファの許容量を超えました。"_ansi);
        const int pending = DataPending();
        const int got = FListStream->Read(FRecvBuffer + length, std::min(pending > 0 ? pending : 256, space));
        if (got <= 0) {
            more = false;
            break;
        }
        const bool lineEnded = std::any_of(FRecvBuffer + length, FRecvBuffer + length + got, IsLineEnd);
        length += got;
        if (lineEnded) break;
    }
    FRecvBuffer[length] = '\0';
    if (more && length > 0 && !IsLineEnd(FRecvBuffer[length - 1])) {
        int cut = length;
        while (cut > 0 && !IsLineEnd(FRecvBuffer[cut - 1])) --cut;
        FListCarry.assign(FRecvBuffer + cut, static_cast<std::size_t>(length - cut));
        length = cut;
        FRecvBuffer[length] = '\0';
    }
    return length;
}

void TVellFtp::ListEvent(TObject*, TCustomWinSocket* socket)
{
    int length = static_cast<int>(FListCarry.size());
    std::memcpy(FRecvBuffer, FListCarry.data(), FListCarry.size());
    FListCarry.clear();
    try {
        const int wanted = std::min(socket->ReceiveLength(), kRecvBufferSize - 1 - length);
        const int got = wanted > 0 ? socket->ReceiveBuf(FRecvBuffer + length, wanted) : 0;
        if (got > 0) length += got;
    } catch (const ESocketError&) {
        FTransferFailed = true;
    }
    FRecvBuffer[length] = '\0';
    // A line split over two notifications is delivered once, whole.
    if (length > 0 && length < kRecvBufferSize - 1 && !IsLineEnd(FRecvBuffer[length - 1])) {
        int cut = length;
        while (cut > 0 && !IsLineEnd(FRecvBuffer[cut - 1])) --cut;
        FListCarry.assign(FRecvBuffer + cut, static_cast<std::size_t>(length - cut));
        FRecvBuffer[cut] = '\0';
    }
    DeliverListLines(FRecvBuffer);
}

void TVellFtp::DeliverListLines(char* text)
{
    for (char* line = NextToken(text, "\r\n"); line; line = NextToken(nullptr, "\r\n"))
        if (*line && FOnListItem) FOnListItem(AnsiString(line));
}

void TVellFtp::FlushListCarry()
{
    if (FListCarry.empty()) return;
    std::memcpy(FRecvBuffer, FListCarry.data(), FListCarry.size());
    FRecvBuffer[FListCarry.size()] = '\0';
    FListCarry.clear();
    DeliverListLines(FRecvBuffer);
}
