#pragma once
// Socket components over POSIX sockets (TCP over IPv4 and IPv6), with the classic class names,
// one class to a header.
#include "toolkit/net/ClientSocket.h"
#include "toolkit/net/ClientWinSocket.h"
#include "toolkit/net/CustomWinSocket.h"
#include "toolkit/net/ServerClientWinSocket.h"
#include "toolkit/net/ServerSocket.h"
#include "toolkit/net/SocketError.h"
#include "toolkit/net/TlsOptions.h"
#include "toolkit/net/WinSocketStream.h"
