// TVellFtp: directory listings, delivered line by line through OnListItem, over a data
// connection of either kind.
//
// A listing ends when its data connection ends (or on Cancel), never on a pause: on a real
// network the data may stall for longer than any slice.
#include "components/ftp/vellftp.h"
#include "components/ftp/vellftp_data.h"
#include "components/ftp/vellftp_internal.h"

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
    BeginTransfer();
    if (!FControlSocket->Active()) {
        NoteNoReply(nullptr);
        throw Exception(FLastReply);
    }
    try {
        const bool started = OpenTransfer(line);
        FTransfer.SetSize(ReceiveSize(FLastReply));
        if (!started && !FNoReply && FResultCode >= 500) throw Exception(FLastReply);
        if (!started && FTransfer.Failed()) throw ESocketError(FTransfer.DataError());  // no protected connection
        if (started) {
            while (ReceiveListing()) {}
            FlushListCarry();
            FData->Close();  // before the closing reply: some servers send it only then
            FTransfer.Advance(TTransferPhase::DataEnded);
            if (!FCancelled && ReadFinalReply()) {
                FTransfer.Advance(TTransferPhase::ClosingReplyIn);
                if (!EndConfirmed() || FTransfer.Failed()) throw ESocketError(FTransfer.DataError());
            }
        }
        if (!FEnablePASV) SettleAfterActiveListing();
    } catch (...) {
        CloseDataConnections();
        throw;
    }
    CloseDataConnections();
    FTransfer.Advance(TTransferPhase::Done);
    // A listing has no outcome event: one the server left unanswered (or that stalled) raises.
    if (FStalled && !FNoReply) NoteNoReply(nullptr);
    if (FNoReply && (FStalled || !FCancelled)) throw Exception(FLastReply);
}

// One read of the listing's data connection, its lines delivered. False when the data has
// ended or the listing stops.
bool TVellFtp::ReceiveListing()
{
    if (FCancelled) return false;
    int got = 0;
    try {
        got = FData->Receive(FDataBuffer.get(), kDataBufferSize);
    } catch (const ETlsEndWithoutNotify& e) {
        FTransfer.EndedWithoutNotify(e.Message());  // judged by the closing reply
        return false;
    }
    if (got == 0) return false;  // the end of the listing
    if (got < 0) return FData->Wait(false);
    NoteData();
    TakeListData(FDataBuffer.get(), got);
    PumpMessages();
    return true;
}

void TVellFtp::ListEvent(TObject*, TCustomWinSocket*)
{
    if (FData) ReceiveListing();
}

// A short pause after an active listing in which a late line is still reported; the GUI runs
// meanwhile.
void TVellFtp::SettleAfterActiveListing()
{
    const auto deadline = Clock::now() + kListSettle;
    while (!FCancelled && FControlSocket->Active() && FReplies.Empty() && !FControlStream->WaitForData(0)) {
        const unsigned long left = MillisLeft(deadline, FTimeOut);
        if (left == 0) break;
        FControlStream->WaitForDataOrMessages(left);
    }
    ReportStaleLines();
}

// Adds a piece of listing data and delivers the lines it completes; an unfinished last line
// waits for the rest.
void TVellFtp::TakeListData(const char* data, int length)
{
    std::string& carry = FTransfer.ListCarry();
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
    std::string& carry = FTransfer.ListCarry();
    if (carry.empty()) return;
    const std::size_t length = std::min(carry.size(), static_cast<std::size_t>(kRecvBufferSize - 1));
    std::memcpy(FRecvBuffer.get(), carry.data(), length);
    FRecvBuffer[length] = '\0';
    carry.clear();
    DeliverListLines(FRecvBuffer.get());
}
