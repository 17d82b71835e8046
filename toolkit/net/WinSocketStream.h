#pragma once
// TWinSocketStream: reads and writes on a blocking connection with a wait in milliseconds.
#include "toolkit/net/CustomWinSocket.h"
#include "toolkit/system/Streams.h"

// Blocking reads and writes on a client connection, each waiting at most TimeOut ms; over TLS
// once the connection was upgraded.
class TWinSocketStream : public TStream {
public:
    // Raises ESocketError unless the connection is of the blocking client type.
    TWinSocketStream(TCustomWinSocket* socket, unsigned long timeOut);

    // The count read; 0 when the wait ran out first or at the end of the stream (which also
    // marks the connection as no longer connected).
    int Read(void* buffer, int count) override;
    // The count written within the wait; 0 when nothing could be written in time.
    int Write(const void* buffer, int count) override;
    int64_t Seek(int64_t, TSeekOrigin) override { return 0; }

    // True when the connection can be read within timeOut ms (data, or closed by the peer).
    // Decrypted bytes held by TLS count as data.
    bool WaitForData(unsigned long timeOut);
    // The same wait, but the GUI messages that arrive meanwhile are processed as they come;
    // it may return false early, right after processing some.
    bool WaitForDataOrMessages(unsigned long timeOut);

    unsigned long TimeOut() const { return FTimeOut; }

private:
    TCustomWinSocket* FSocket;
    unsigned long FTimeOut;
};
