#pragma once

#include <QtGlobal>

/// Caps how fast sessions read: asked before each read off the socket, so
/// that a capped transfer leaves its bytes in the kernel's buffer (and the
/// peer, by TCP's flow control, slows down) rather than in ours. One pace
/// may be shared by the sessions of a run, all on one thread.
class ReceivePace {
public:
    virtual ~ReceivePace() = default;
    /// How many of `wanted` bytes may be read now; 0: wait WaitMs() first.
    virtual qint64 Allowance(qint64 wanted) = 0;
    /// Counts `bytes` just read.
    virtual void Took(qint64 bytes) = 0;
    /// Milliseconds until a read may take something again.
    virtual qint64 WaitMs() = 0;
};
