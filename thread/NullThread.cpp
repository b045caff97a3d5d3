#include "thread/NullThread.h"

namespace corvane {

NullThread& NullThread::instance()
{
    static NullThread instance;
    return instance;
}

} // namespace corvane
