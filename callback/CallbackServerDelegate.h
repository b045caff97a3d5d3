#pragma once

#include "callback/CallbackInfo.h"

namespace corvane {

// What the callback server reports to its owner.
//
// Threads: onCallbackReceived and receive failures arrive on the server's own
// thread; start failures arrive on the thread that called start. An
// implementation copies what it keeps and hands work to its own thread; it must
// not call the server's start or stop from inside these calls.
class CallbackServerDelegate
{
public:
    virtual ~CallbackServerDelegate() = default;

    // Once per accepted datagram, in arrival order. The record belongs to the
    // server and is destroyed when the call returns. The result is not used.
    virtual bool onCallbackReceived(const CallbackInfo& record) = 0;

    // The message text of a socket failure: a start that could not open, bind or
    // register the socket, or a receive that failed (a datagram over 4096 bytes).
    virtual void onServerError(const char* text) = 0;

    // On the server thread: waiting for datagrams failed, the socket was
    // closed, and the server opens the same port again after a short pause.
    // Reception is down until then. By default reported as a server error.
    virtual void onReceptionFailed(const char* text) { onServerError(text); }
};

} // namespace corvane
