#include "thread/DefaultUncaughtExceptionHandler.h"

#include "thread/Thread.h"

namespace corvane {

void DefaultUncaughtExceptionHandler::uncaughtException(Thread& thread, Exception& e)
{
    traceUncaught(thread.getName(), thread.getId(), e);
}

} // namespace corvane
