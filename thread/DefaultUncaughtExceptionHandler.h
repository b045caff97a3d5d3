#pragma once

#include "base/IUncaughtExceptionHandler.h"

namespace corvane {

// The process's uncaught-exception handler: writes one line naming the thread
// (its name and id) and the exception to the error trace, which is silent in
// this station, and returns; nothing is rethrown and the process goes on.
//
// Threads: keeps no state and takes no lock; called from any thread at once.
class DefaultUncaughtExceptionHandler : public IUncaughtExceptionHandler
{
public:
    void uncaughtException(Thread& thread, Exception& e) override;
};

} // namespace corvane
