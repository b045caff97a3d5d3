#include "callback/CallbackInfo.h"

#include <utility>

namespace corvane {

CallbackInfo::CallbackInfo(std::string address, std::int32_t port)
    : m_address(std::move(address)), m_port(port)
{}

void CallbackInfo::copyTo(CallbackInfo& target) const
{
    // The record's own members only, whatever the target's dynamic type.
    target.CallbackInfo::operator=(*this);
}

} // namespace corvane
