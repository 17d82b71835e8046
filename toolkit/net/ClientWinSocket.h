#pragma once
// The connection object of a TClientSocket.
#include "toolkit/net/CustomWinSocket.h"

enum TClientType { ctNonBlocking, ctBlocking };

// The connection object of a TClientSocket; it lives as long as its component.
class TClientWinSocket : public TCustomWinSocket {
public:
    TClientType ClientType() const { return FClientType; }
    void SetClientType(TClientType value) { FClientType = value; }

    // Looks the name up (IPv4 and IPv6; an address literal, IPv6 with or without brackets,
    // is taken as it is) and connects to the first address that answers, blocking the caller.
    void Connect(const AnsiString& name, int port);

private:
    TClientType FClientType = ctNonBlocking;
};
