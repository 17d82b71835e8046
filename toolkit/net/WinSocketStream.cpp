// Blocking reads and writes with a wait, on a client connection.
#include "toolkit/net/WinSocketStream.h"
#include "toolkit/net/ClientWinSocket.h"
#include "toolkit/net/WinSock.h"
#include "toolkit/net/WouldBlock.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <chrono>
#include <climits>

namespace {
int Millis(unsigned long ms) { return ms > static_cast<unsigned long>(INT_MAX) ? INT_MAX : static_cast<int>(ms); }
}  // namespace

TWinSocketStream::TWinSocketStream(TCustomWinSocket* socket, unsigned long timeOut) : FSocket(socket), FTimeOut(timeOut)
{
    auto* client = dynamic_cast<TClientWinSocket*>(socket);
    if (!client || client->ClientType() != ctBlocking)
        throw ESocketError(AnsiString("A socket stream requires a connection of the blocking type"));
}

int TWinSocketStream::Read(void* buffer, int count)
{
    int fd = FSocket->FSocket;
    if (fd < 0 || count <= 0) return 0;
    if (FSocket->FTls) {
        if (!FSocket->FConnected) return 0;
        // Records without data (session tickets) may come first: wait up to the time-out in all.
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(Millis(FTimeOut));
        for (;;) {
            const int n = FSocket->TlsReceive(buffer, count);
            if (n >= 0) return n;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0 || !SocketReady(fd, false, static_cast<int>(left)) || FSocket->FSocket != fd) return 0;
        }
    }
    for (bool waited = false;;) {
        ssize_t n = ::recv(fd, buffer, static_cast<std::size_t>(count), MSG_DONTWAIT);
        if (n > 0) return static_cast<int>(n);
        if (n == 0) {
            FSocket->FConnected = false;  // the peer has closed the connection
            return 0;
        }
        int err = errno;
        if (err == EINTR) continue;
        if (!WouldBlock(err)) FSocket->RaiseError("recv", err);
        // Nothing there yet: wait once, up to the stream's time-out.
        if (waited || !SocketReady(fd, false, Millis(FTimeOut))) return 0;
        waited = true;
    }
}

int TWinSocketStream::Write(const void* buffer, int count)
{
    int fd = FSocket->FSocket;
    if (fd < 0 || count <= 0) return 0;
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(Millis(FTimeOut));
    const char* p = static_cast<const char*>(buffer);
    int done = 0;
    if (FSocket->FTls) {
        while (done < count) {
            bool wantRead = false;
            const int n = FSocket->TlsSend(p + done, count - done, &wantRead);
            if (n > 0) {
                done += n;
                continue;
            }
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0 || !SocketReady(fd, !wantRead, static_cast<int>(left)) || FSocket->FSocket != fd) break;
        }
        return done;
    }
    while (done < count) {
        ssize_t n = ::send(fd, p + done, static_cast<std::size_t>(count - done), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<int>(n);
            continue;
        }
        int err = errno;
        if (n < 0 && err == EINTR) continue;
        if (n < 0 && !WouldBlock(err)) FSocket->RaiseError("send", err);
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 || !SocketReady(fd, true, static_cast<int>(left))) break;
    }
    return done;
}

bool TWinSocketStream::WaitForData(unsigned long timeOut) { return FSocket->Ready(false, timeOut); }

bool TWinSocketStream::WaitForDataOrMessages(unsigned long timeOut) { return FSocket->ReadyOrMessages(false, timeOut); }

bool SocketReadyOrMessages(SOCKET fd, bool forWrite, unsigned long timeOut)
{
    if (fd < 0) return false;
    if (SocketReady(fd, forWrite, 0)) return true;
    if (!QCoreApplication::instance()) return SocketReady(fd, forWrite, Millis(timeOut));

    // One round of the event loop that ends with the socket, a timer of timeOut, or any message.
    QSocketNotifier notifier(fd, forWrite ? QSocketNotifier::Write : QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &notifier, [&notifier] { notifier.setEnabled(false); });
    MessagesFor(timeOut);
    return SocketReady(fd, forWrite, 0);  // a handler may have closed it meanwhile
}

bool MessagesFor(unsigned long timeOut)
{
    if (!QCoreApplication::instance()) return false;
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(Millis(timeOut));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return true;
}
