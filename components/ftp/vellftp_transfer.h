#pragma once
// One listing or file transfer: where it stands, what went wrong on its data side, and its
// byte counts. A new one starts from Begin; its phase only ever moves forward.
#include "toolkit/system/AnsiString.h"

#include <chrono>
#include <cstdint>
#include <string>

// In the order a transfer goes through them. A phase may be passed over (a refused command
// goes from CommandSent to ClosingReplyIn), and the data may end before the opening reply is
// read (a small file over an active connection): a later phase is never undone.
enum class TTransferPhase {
    Opening,         // the data connection is being set up (PASV, PORT)
    CommandSent,     // the transfer command is on its way
    DataFlowing,     // the server has started the transfer (1xx)
    DataEnded,       // the data connection has ended (or was never needed)
    ClosingReplyIn,  // the reply that closes the transfer has been read
    Done,            // the outcome has been reported
};

class TTransfer {
public:
    using Clock = std::chrono::steady_clock;

    // A new transfer: nothing moved, nothing known.
    void Begin() { *this = TTransfer(); }

    bool Reached(TTransferPhase phase) const { return FPhase >= phase; }
    void Advance(TTransferPhase phase)
    {
        if (phase > FPhase) FPhase = phase;
    }

    // ---- Counts: 64-bit, files of many gigabytes are common.
    int64_t Received() const { return FReceived; }
    int64_t Sent() const { return FSent; }
    // The announced size (download, listing: the opening reply or SIZE; upload: the local
    // file); -1 when nothing says.
    int64_t Size() const { return FSize; }
    void AddReceived(int64_t n) { FReceived += n; }
    void AddSent(int64_t n) { FSent += n; }
    void SetSize(int64_t size) { FSize = size; }

    // ---- The data side's failure: the first one is the one told.
    bool Failed() const { return FFailed; }
    const AnsiString& DataError() const { return FDataError; }
    void Fail(const AnsiString& what)
    {
        if (!FFailed) FDataError = what;
        FFailed = true;
    }
    // A TLS data connection ended without close_notify: the end of the data only if the
    // closing reply says the transfer is complete.
    const AnsiString& EndUnconfirmed() const { return FEndUnconfirmed; }
    void EndedWithoutNotify(const AnsiString& what) { FEndUnconfirmed = what; }

    // ---- Download: the local file is cut once the server accepts, not before.
    bool TruncatePending() const { return FTruncatePending; }
    void SetTruncatePending(bool pending) { FTruncatePending = pending; }

    // ---- A resumed transfer: the offset that REST names before the transfer command (0: none),
    // and whether the server refused it.
    int64_t RestartAt() const { return FRestartAt; }
    void SetRestartAt(int64_t offset) { FRestartAt = offset; }
    bool RestartRefused() const { return FRestartRefused; }
    void RefuseRestart() { FRestartRefused = true; }

    // ---- Timing of the end, for the drain after the closing reply.
    void NoteData() { FLastData = Clock::now(); }
    // The data side gets a while after the closing reply was first seen, and after its last data.
    Clock::time_point DrainDeadline(std::chrono::milliseconds drain)
    {
        if (FReplySeen == Clock::time_point{}) FReplySeen = Clock::now();
        return (FReplySeen > FLastData ? FReplySeen : FLastData) + drain;
    }

    // ---- Listing: an unfinished line, kept for the next piece.
    std::string& ListCarry() { return FListCarry; }

private:
    TTransferPhase FPhase = TTransferPhase::Opening;
    int64_t FReceived = 0;
    int64_t FSent = 0;
    int64_t FSize = 0;
    bool FFailed = false;
    AnsiString FDataError;
    AnsiString FEndUnconfirmed;
    bool FTruncatePending = false;
    int64_t FRestartAt = 0;
    bool FRestartRefused = false;
    Clock::time_point FLastData{};
    Clock::time_point FReplySeen{};
    std::string FListCarry;
};
