#pragma once
// Byte streams: TStream, TMemoryStream. (TFileStream lives in FileStream.h.)
#include "toolkit/system/Classes.h"

#include <cstdint>
#include <string>

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

class TStream : public TObject {
public:
    virtual int Read(void* buffer, int count) = 0;
    virtual int Write(const void* buffer, int count) = 0;
    virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

    int64_t Position() { return Seek(0, soCurrent); }
    void SetPosition(int64_t pos) { Seek(pos, soBeginning); }
    int64_t Size();
    // Read exactly count bytes or raise EReadStreamError.
    void ReadBuffer(void* buffer, int count);
    void WriteBuffer(const void* buffer, int count);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::string data) : FData(std::move(data)) {}
    int Read(void* buffer, int count) override;
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    const std::string& Data() const { return FData; }
    void Clear()
    {
        FData.clear();
        FPos = 0;
    }

private:
    std::string FData;
    std::size_t FPos = 0;
};
