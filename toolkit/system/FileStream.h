#pragma once
// TFileStream: a stream over a local file, opened with the fm* mode and share flags callers
// pass. The share modes are kept as advisory locks (flock), honoured by every TFileStream on
// this machine.
#include "toolkit/system/Streams.h"

#include <cstdint>
#include <vector>

constexpr unsigned short fmCreate = 0xFFFF;  // create, or truncate an existing file; exclusive
constexpr unsigned short fmOpenRead = 0x0000;
constexpr unsigned short fmOpenWrite = 0x0001;
constexpr unsigned short fmOpenReadWrite = 0x0002;
constexpr unsigned short fmShareCompat = 0x0000;
constexpr unsigned short fmShareExclusive = 0x0010;
constexpr unsigned short fmShareDenyWrite = 0x0020;  // others may read, but not write
constexpr unsigned short fmShareDenyRead = 0x0030;
constexpr unsigned short fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
public:
    // Raises EFCreateError (fmCreate) or EFOpenError naming the file when it cannot be had.
    TFileStream(const AnsiString& fileName, unsigned short mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    // Both return the count transferred. Small writes are gathered and written out in larger
    // pieces (before any read, seek or size change, and at the end); once writing out failed
    // (a full disk), every later write returns 0. A read error raises EReadStreamError.
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    // Cuts or extends the file; the position is kept.
    void SetSize(int64_t newSize);
    // Writes out what Write has gathered; false when it could not all be written.
    bool FlushBuffer();

    const AnsiString& FileName() const { return FFileName; }
    int Handle() const { return FHandle; }

private:
    bool WriteOut(const char* data, std::size_t size);

    AnsiString FFileName;
    int FHandle = -1;
    std::vector<char> FPending;  // gathered writes, not yet in the file
    bool FWriteFailed = false;
};

// The file exists and is not a directory. The name is CP932 like every AnsiString.
bool FileExists(const AnsiString& fileName);
