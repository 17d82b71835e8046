#pragma once
// Shared by the files of unit vellftp only.
#include <climits>
#include <cstdlib>

constexpr int kRecvBufferSize = 1048576;  // control replies and listing chunks, NUL included
constexpr int kDataBufferSize = 32768;    // one block of a file transfer
constexpr int kNoChunk = kDataBufferSize + 1;  // FChunkLength when no block is loaded
constexpr int kPassiveReadBlock = 1024;
constexpr unsigned long kControlWait = 1000;
constexpr unsigned long kListWait = 100;
constexpr unsigned long kDataWait = 10000;

// Forgets the tokenizer's saved position, so that it never outlives a buffer that goes away.
void ForgetTokenPosition();

// strtol with base 10, saturated to the 32-bit range.
inline int LeadingNumber(const char* text)
{
    long v = std::strtol(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

inline bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// Adds to a 32-bit transfer counter, wrapping instead of overflowing on files past 2 GiB.
inline void AddCount(int& counter, long long n)
{
    counter = static_cast<int>(static_cast<unsigned>(counter) + static_cast<unsigned>(n));
}

// Runs f when the scope ends, also by an exception: the cleanup of a transfer.
template <class F>
struct ScopeExit {
    F f;
    ~ScopeExit() { f(); }
};
template <class F>
ScopeExit(F) -> ScopeExit<F>;
