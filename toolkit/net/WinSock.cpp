#include "toolkit/net/WinSock.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>

int ioctlsocket(SOCKET s, long cmd, u_long* argp)
{
    if (!argp) {
        errno = EFAULT;
        return SOCKET_ERROR;
    }
    if (static_cast<unsigned long>(cmd) == static_cast<unsigned long>(FIONREAD)) {
        int pending = 0;
        if (::ioctl(s, FIONREAD, &pending) != 0) return SOCKET_ERROR;
        *argp = pending > 0 ? static_cast<u_long>(pending) : 0;
        return 0;
    }
    if (static_cast<unsigned long>(cmd) == static_cast<unsigned long>(FIONBIO)) {
        int flags = ::fcntl(s, F_GETFL);
        if (flags < 0) return SOCKET_ERROR;
        flags = *argp ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK);
        return ::fcntl(s, F_SETFL, flags) == 0 ? 0 : SOCKET_ERROR;
    }
    errno = EINVAL;
    return SOCKET_ERROR;
}

int WSAGetLastError() { return errno; }

bool SocketReady(SOCKET s, bool forWrite, int timeoutMs)
{
    if (s < 0) return false;
    pollfd p{s, static_cast<short>(forWrite ? POLLOUT : POLLIN), 0};
    for (;;) {
        int r = ::poll(&p, 1, timeoutMs < 0 ? 0 : timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        return r > 0;
    }
}
