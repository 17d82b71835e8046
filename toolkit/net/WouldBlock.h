#pragma once
// A non-blocking call that had nothing to do yet (EAGAIN and EWOULDBLOCK may be two codes).
#include <cerrno>

inline bool WouldBlock(int err) { return err == EAGAIN || err == EWOULDBLOCK; }
