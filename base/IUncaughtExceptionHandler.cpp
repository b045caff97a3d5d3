#include "base/IUncaughtExceptionHandler.h"

#include "base/Exception.h"
#include "base/Trace.h"

namespace corvane {

void IUncaughtExceptionHandler::traceUncaught(const char* threadName, unsigned int threadId,
                                              const Exception& e) noexcept
{
    traceError("Exception in thread \"%s\"(ID=%u) %s: %s\tat %s(%s:%d)\n",
               threadName ? threadName : "", threadId, e.getName(), e.getMessage(), e.getFunction(),
               e.getFile(), e.getLine());
}

} // namespace corvane
