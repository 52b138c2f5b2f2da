// Calls that come back into the driver from inside its own: a host service
// (err, Tam5PutGateStr, Tam5MkClient) that calls PdxMain for the channel
// the driver is serving, or the channel's own thread calling in through
// err. Such a call would wait on a lock its own thread holds, or join the
// thread that runs it; it is refused instead.
#pragma once

namespace ordax {

// True for the commands that take a channel's locks or stop its thread:
// 1, 3 to 7, 10 and 11.
bool TakesChannelLocks(int code);

// Marks the block of a call as in use by this thread for the scope's life;
// scopes nest (a host service may call in for another channel).
class ChannelCallScope {
public:
    explicit ChannelCallScope(const void *block);
    ~ChannelCallScope();
    ChannelCallScope(const ChannelCallScope &) = delete;
    ChannelCallScope &operator=(const ChannelCallScope &) = delete;

    // True when this thread is already inside a call on `block`, or is the
    // channel thread of `block`.
    static bool Reenters(const void *block);

private:
    const void *block_;
    const ChannelCallScope *outer_;
};

}  // namespace ordax
