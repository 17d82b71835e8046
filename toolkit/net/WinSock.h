#pragma once
// The Windows Sockets calls the components make, under their Win32 names. Most of them are the
// POSIX calls of the same name and signature (select, setsockopt, gethostname, gethostbyname);
// this header adds the ones that differ.
#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

using SOCKET = int;
using u_long = unsigned long;
constexpr SOCKET INVALID_SOCKET = -1;
constexpr int SOCKET_ERROR = -1;

// FIONREAD: *argp receives the number of bytes that can be read without blocking.
// FIONBIO: *argp non-zero makes the socket non-blocking. Returns 0, or SOCKET_ERROR.
int ioctlsocket(SOCKET s, long cmd, u_long* argp);

// The error of the last failed socket call on this thread.
int WSAGetLastError();

// select() for one socket: true when `s` is ready for reading (or writing) within the limit.
// Unlike an fd_set, it works for every descriptor number.
bool SocketReady(SOCKET s, bool forWrite, int timeoutMs);

// The same wait, but the GUI messages that arrive meanwhile are processed as they come; it may
// return false early, right after processing some.
bool SocketReadyOrMessages(SOCKET s, bool forWrite, unsigned long timeoutMs);

// One round of the GUI messages: it ends after the first ones or after timeoutMs. False
// when there is no event loop to run (the caller then waits as it would without a GUI).
bool MessagesFor(unsigned long timeoutMs);
