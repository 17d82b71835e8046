#include "toolkit/system/Streams.h"

#include <algorithm>
#include <cstring>

int64_t TStream::Size()
{
    int64_t pos = Seek(0, soCurrent);
    int64_t end = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return end;
}

void TStream::ReadBuffer(void* buffer, int count)
{
    if (count > 0 && Read(buffer, count) != count) throw EReadStreamError(AnsiString("Stream read error"));
}

void TStream::WriteBuffer(const void* buffer, int count)
{
    if (count > 0 && Write(buffer, count) != count) throw EStreamError(AnsiString("Stream write error"));
}

int TMemoryStream::Read(void* buffer, int count)
{
    if (count <= 0 || FPos >= FData.size()) return 0;
    std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(count), FData.size() - FPos);
    std::memcpy(buffer, FData.data() + FPos, n);
    FPos += n;
    return static_cast<int>(n);
}

int TMemoryStream::Write(const void* buffer, int count)
{
    if (count <= 0) return 0;
    std::size_t n = static_cast<std::size_t>(count);
    if (FPos + n > FData.size()) FData.resize(FPos + n);
    std::memcpy(FData.data() + FPos, buffer, n);
    FPos += n;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin)
{
    int64_t base = origin == soBeginning ? 0
                   : origin == soCurrent ? static_cast<int64_t>(FPos)
                                         : static_cast<int64_t>(FData.size());
    int64_t target = base + offset;
    if (target < 0) target = 0;
    FPos = static_cast<std::size_t>(target);
    return target;
}
