#include "toolkit/system/FileStream.h"
#include "toolkit/system/SysUtils.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The lock that stands for a share mode: exclusive ones keep every other stream out,
// deny-write lets other readers in (they take the shared lock too) but no writer.
int LockFor(unsigned short mode)
{
    if (mode == fmCreate) return LOCK_EX;
    switch (mode & 0xF0) {
    case fmShareDenyWrite: return LOCK_SH;
    case fmShareDenyNone: return 0;
    default: return LOCK_EX;  // compat, exclusive, deny-read
    }
}

AnsiString Describe(const char* what, const AnsiString& fileName, int err)
{
    return AnsiString(what) + AnsiString(" \"") + fileName + AnsiString("\". ") + AnsiString(std::strerror(err));
}

}  // namespace

TFileStream::TFileStream(const AnsiString& fileName, unsigned short mode) : FFileName(fileName)
{
    const bool create = mode == fmCreate;
    int flags = O_CLOEXEC;
    if (create) {
        flags |= O_RDWR | O_CREAT;  // truncated only once the lock is held
    } else {
        switch (mode & 0x3) {
        case fmOpenWrite: flags |= O_WRONLY; break;
        case fmOpenReadWrite: flags |= O_RDWR; break;
        default: flags |= O_RDONLY; break;
        }
    }
    auto fail = [&](int err) -> void {
        if (FHandle >= 0) ::close(FHandle);
        FHandle = -1;
        if (create) throw EFCreateError(Describe("Cannot create file", fileName, err));
        throw EFOpenError(Describe("Cannot open file", fileName, err));
    };

    const std::string path = fileName.ToUtf8();
    FHandle = ::open(path.c_str(), flags, 0666);
    if (FHandle < 0) fail(errno);
    struct stat st {};
    if (::fstat(FHandle, &st) != 0) fail(errno);
    if (S_ISDIR(st.st_mode)) fail(EISDIR);
    if (int lock = LockFor(mode); lock != 0 && ::flock(FHandle, lock | LOCK_NB) != 0) {
        int err = errno;
        fail(err == EWOULDBLOCK ? ETXTBSY : err);
    }
    // An empty file is left alone: truncating it anyway makes ext4 write the new data out at
    // close (its protection for replaced files), which stalls the closing thread.
    if (create && st.st_size > 0 && ::ftruncate(FHandle, 0) != 0) fail(errno);
}

TFileStream::~TFileStream()
{
    FlushBuffer();
    if (FHandle >= 0) ::close(FHandle);
}

namespace {
constexpr std::size_t kGatherSize = 65536;  // writes smaller than this are gathered
}

int TFileStream::Read(void* buffer, int count)
{
    if (count <= 0) return 0;
    FlushBuffer();
    for (;;) {
        ssize_t n = ::read(FHandle, buffer, static_cast<std::size_t>(count));
        if (n >= 0) return static_cast<int>(n);
        if (errno != EINTR) throw EReadStreamError(Describe("Cannot read file", FFileName, errno));
    }
}

bool TFileStream::WriteOut(const char* data, std::size_t size)
{
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(FHandle, data + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

bool TFileStream::FlushBuffer()
{
    if (FPending.empty()) return !FWriteFailed;
    if (!WriteOut(FPending.data(), FPending.size())) FWriteFailed = true;
    FPending.clear();
    return !FWriteFailed;
}

int TFileStream::Write(const void* buffer, int count)
{
    if (count <= 0 || FWriteFailed) return 0;
    const char* p = static_cast<const char*>(buffer);
    const std::size_t size = static_cast<std::size_t>(count);
    if (FPending.size() + size > kGatherSize && !FlushBuffer()) return 0;
    if (size >= kGatherSize) {
        if (!WriteOut(p, size)) {
            FWriteFailed = true;
            return 0;
        }
        return count;
    }
    if (FPending.capacity() < kGatherSize) FPending.reserve(kGatherSize);
    FPending.insert(FPending.end(), p, p + size);
    return count;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin)
{
    FlushBuffer();
    int whence = origin == soBeginning ? SEEK_SET : origin == soCurrent ? SEEK_CUR : SEEK_END;
    off_t pos = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    return pos < 0 ? -1 : static_cast<int64_t>(pos);
}

void TFileStream::SetSize(int64_t newSize)
{
    FlushBuffer();
    struct stat st {};
    if (::fstat(FHandle, &st) == 0 && st.st_size == newSize) return;  // see the constructor
    if (::ftruncate(FHandle, static_cast<off_t>(newSize)) != 0)
        throw EStreamError(Describe("Cannot change the size of file", FFileName, errno));
}

bool FileExists(const AnsiString& fileName)
{
    struct stat st {};
    return ::stat(fileName.ToUtf8().c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}
