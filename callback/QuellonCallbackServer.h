#pragma once

#include "callback/CallbackInfo.h"

#include <cstdint>
#include <memory>
#include <string>

namespace corvane {

class SenderFilter;

// The callback server as its owner, the main window, holds it: receives the
// recorders' datagrams on the callback port and reports each as a CallbackInfo
// to its delegate.
//
// Threads: start, stop and setBindAddress belong to the owner's thread.
class QuellonCallbackServer
{
public:
    virtual ~QuellonCallbackServer() = default;

    // Opens the callback port (on the bind address, see below) and starts receiving.
    // A socket failure is reported to the delegate's onServerError and leaves the
    // server stopped; a thread that cannot be created raises SystemException.
    virtual void start(int32_t port) = 0;

    // Ends receiving and returns once the receive thread has finished; at once
    // when it does not run. No record reaches the delegate after it returns.
    virtual void stop() = 0;

    // The local IPv4 address start binds to, as dotted text; empty (as at
    // first) for every local address. Takes effect at the next start; text
    // that is no address makes that start fail with a report.
    virtual void setBindAddress(const std::string& dotted) = 0;

    // The senders whose datagrams are taken from now on; the others are
    // dropped without a record. At first everyone is allowed.
    virtual void setSenderFilter(const SenderFilter& filter) = 0;
};

} // namespace corvane
