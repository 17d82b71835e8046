#pragma once
// How a connection becomes a TLS connection, and the certificates TLS trusts.
#include "toolkit/system/AnsiString.h"

#include <functional>

class TCustomWinSocket;

// How a connection becomes a TLS connection (see TCustomWinSocket::StartTLS).
struct TTlsOptions {
    // The name (or address literal) the server's certificate must carry; also sent as SNI.
    AnsiString ServerName;
    // A TLS connection to the same server whose session this one resumes (an FTP data
    // connection resumes the control connection's); its certificate must match when the
    // server does not resume.
    const TCustomWinSocket* ResumeFrom = nullptr;
    // The handshake waits in slices of this length, letting the GUI run between them ...
    unsigned long SliceMs = 50;
    // ... up to this limit in all.
    unsigned long TimeOutMs = 30000;
    // Asked between slices; true ends the handshake with ESocketError.
    std::function<bool()> Cancelled;
};

// Adds the certificates of a PEM file to the ones TLS connections trust (besides the system's).
// False when the file holds none.
bool TlsTrustCertificates(const AnsiString& pemFile);
