// TVellFtp: directory listings, delivered line by line through OnListItem.
//
// A listing ends when its data connection ends (or on Cancel), never on a pause: on a real
// network the data may stall for longer than any slice.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_internal.h"

#include "toolkit/controls/Application.h"

#include <algorithm>
#include <cstring>

void TVellFtp::List() { DoList("LIST"); }
void TVellFtp::List(const AnsiString& path) { DoList(AnsiString("LIST ") + path); }
void TVellFtp::Nlist() { DoList("NLST"); }
void TVellFtp::Nlist(const AnsiString& path) { DoList(AnsiString("NLST ") + path); }

// A listing has no outcome event: a refused command raises.
void TVellFtp::DoList(const AnsiString& line)
{
    RefuseUnsendable(line);
    const char* command = line.c_str();
    BeginOperation();
    if (!FControlSocket->Active()) {
        NoteNoReply(nullptr);
        throw Exception(FLastReply);
    }
    try {
        if (FEnablePASV) ListPassive(command);
        else ListActive(command);
    } catch (...) {
        CloseDataConnections();
        throw;
    }
    CloseDataConnections();
    // A listing has no outcome event: one the server left unanswered (or that stalled) raises.
    if (FStalled && !FNoReply) NoteNoReply(nullptr);
    if (FNoReply && (FStalled || !FCancelled)) throw Exception(FLastReply);
}

void TVellFtp::ListPassive(const char* command)
{
    DoPASV(command);
    if (FDataSocket->Active()) {
        for (;;) {
            if (!AwaitPassiveData()) break;
            int got = 0;
            try {
                got = FDataSocket->Socket()->ReceiveBuf(FDataBuffer.get(), kDataBufferSize);
            } catch (const ETlsEndWithoutNotify& e) {
                FTransfer.endUnconfirmed = e.Message();
                break;
            }
            if (got == 0) break;  // the end of the listing
            if (got < 0) continue;
            NoteData();
            TakeListData(FDataBuffer.get(), got);
            PumpMessages();
        }
        FlushListCarry();
        FDataSocket->Close();  // before the closing reply: some servers send it only then
        if (FCancelled) return;
        if (ReadFinalReply() && !EndConfirmed()) throw ESocketError(FTransfer.dataError);
    }
}

void TVellFtp::ListActive(const char* command)
{
    DoPORT(command, TSocketNotifyEvent(this, &TVellFtp::ListEvent), TSocketNotifyEvent());
    FTransferSize = ReceiveSize(FLastReply);
    if (FResultCode != 0 && !FReplies.Settled()) {
        if (!AwaitDataEnd()) return;
        FlushListCarry();
        FListenSocket->Close();
        if (!ReadFinalReply()) return;
        if (!EndConfirmed()) throw ESocketError(FTransfer.dataError);
    }
    // A short settling pause in which a late line is still reported; the GUI runs meanwhile.
    const auto deadline = Clock::now() + kListSettle;
    while (!FCancelled && FControlSocket->Active() && FReplies.Empty() && !FControlStream->WaitForData(0)) {
        const unsigned long left = MillisLeft(deadline, FTimeOut);
        if (left == 0) break;
        FControlStream->WaitForDataOrMessages(left);
    }
    ReportStaleLines();
}

void TVellFtp::ListEvent(TObject*, TCustomWinSocket* socket)
{
    try {
        const int got = socket->ReceiveBuf(FDataBuffer.get(), kDataBufferSize);
        if (got > 0) {
            NoteData();
            TakeListData(FDataBuffer.get(), got);
        }
    } catch (const ETlsEndWithoutNotify& e) {
        FTransfer.endUnconfirmed = e.Message();
        FTransfer.dataEnded = true;
    } catch (const ESocketError& e) {
        FailData(e.Message());
    }
}

// Adds a piece of listing data and delivers the lines it completes; an unfinished last line
// waits for the rest.
void TVellFtp::TakeListData(const char* data, int length)
{
    std::string& carry = FTransfer.listCarry;
    carry.append(data, static_cast<std::size_t>(length));
    const std::size_t lastEnd = carry.find_last_of("\r\n");
    if (lastEnd == std::string::npos) {
        if (carry.size() >= static_cast<std::size_t>(kRecvBufferSize - 1))
            throw Exception("ReadList():バッファの許容量を超えました。"_ansi);
        return;
    }
    // The whole lines go through the receive buffer in pieces that fit it.
    std::size_t start = 0;
    while (start <= lastEnd) {
        std::size_t end = std::min(lastEnd + 1, start + static_cast<std::size_t>(kRecvBufferSize - 1));
        if (end <= lastEnd) {  // cut at a line end inside the piece
            const std::size_t cut = carry.find_last_of("\r\n", end - 1);
            if (cut != std::string::npos && cut >= start) end = cut + 1;
        }
        std::memcpy(FRecvBuffer.get(), carry.data() + start, end - start);
        FRecvBuffer[end - start] = '\0';
        DeliverListLines(FRecvBuffer.get());
        start = end;
    }
    carry.erase(0, lastEnd + 1);
}

void TVellFtp::DeliverListLines(char* text)
{
    for (char* line = NextToken(text, "\r\n"); line; line = NextToken(nullptr, "\r\n"))
        if (*line) DeliverListLine(line);
    ForgetTokenPosition();
}

// The end of the data closes an unfinished last line: it is delivered as it is.
void TVellFtp::FlushListCarry()
{
    std::string& carry = FTransfer.listCarry;
    if (carry.empty()) return;
    const std::size_t length = std::min(carry.size(), static_cast<std::size_t>(kRecvBufferSize - 1));
    std::memcpy(FRecvBuffer.get(), carry.data(), length);
    FRecvBuffer[length] = '\0';
    carry.clear();
    DeliverListLines(FRecvBuffer.get());
}
