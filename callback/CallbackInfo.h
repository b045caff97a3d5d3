#pragma once

#include "base/BitMask32.h"
#include "base/DateTime.h"
#include "base/UniqueID.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace corvane {

// One message received from a vehicle's recorder, as CallbackMessageParser
// fills it: the fixed fields every message carries, plus the GPS sentence of
// a position report (type 100) or the details of a details message (type
// 101). Types below 100 are alarm events whose value is the event code (see
// AppConstants). Texts are narrow (UTF-8) text; aux texts and aux number are
// carried and copied but mean nothing to the station.
//
// A new record has empty texts and map, zero numbers and flags, an unset
// time and a freshly generated random id; the address form sets the sender.
//
// Ownership: a plain value owning all its members. Threads: no lock; one
// thread uses a record at a time, and records cross threads only as copies
// (copyTo or the copy constructor). Throws: std::bad_alloc only.
class CallbackInfo
{
public:
    using OptionalInfo = std::map<std::string, std::string>;

    CallbackInfo() = default;
    CallbackInfo(std::string address, std::int32_t port);
    CallbackInfo(const CallbackInfo&) = default;
    CallbackInfo& operator=(const CallbackInfo&) = default;
    virtual ~CallbackInfo() = default;

    // Overwrites every member of `target` with a copy of this record's,
    // optional info included (the target's previous pairs are dropped).
    virtual void copyTo(CallbackInfo& target) const;

    const std::string& getName() const noexcept { return m_name; }
    void setName(std::string name) { m_name = std::move(name); }
    const std::string& getAuxText1() const noexcept { return m_auxText1; }
    void setAuxText1(std::string text) { m_auxText1 = std::move(text); }
    const std::string& getAuxText2() const noexcept { return m_auxText2; }
    void setAuxText2(std::string text) { m_auxText2 = std::move(text); }
    // Sender's IPv4 address, dotted decimal.
    const std::string& getAddress() const noexcept { return m_address; }
    void setAddress(std::string address) { m_address = std::move(address); }
    const std::string& getDeviceTitle() const noexcept { return m_deviceTitle; }
    void setDeviceTitle(std::string title) { m_deviceTitle = std::move(title); }
    std::int32_t getAuxNumber() const noexcept { return m_auxNumber; }
    void setAuxNumber(std::int32_t number) noexcept { m_auxNumber = number; }
    // Sender's UDP port, host byte order.
    std::int32_t getPort() const noexcept { return m_port; }
    void setPort(std::int32_t port) noexcept { m_port = port; }
    std::int32_t getType() const noexcept { return m_type; }
    void setType(std::int32_t type) noexcept { m_type = type; }
    // The message's number plus one; 0 when the message had none.
    std::int32_t getOrdinal() const noexcept { return m_ordinal; }
    void setOrdinal(std::int32_t ordinal) noexcept { m_ordinal = ordinal; }
    const BitMask32& getFlags() const noexcept { return m_flags; }
    void setFlags(const BitMask32& flags) noexcept { m_flags = flags; }
    // The recorder's time stamp of the message.
    const DateTime& getTime() const noexcept { return m_time; }
    void setTime(const DateTime& time) noexcept { m_time = time; }
    // The vehicle's key.
    const UniqueID& getId() const noexcept { return m_id; }
    void setId(const UniqueID& id) noexcept { m_id = id; }
    // The GPS sentence of a position report, without asterisk and checksum.
    const std::string& getGpsData() const noexcept { return m_gpsData; }
    void setGpsData(std::string data) { m_gpsData = std::move(data); }
    // The details of a details message, keys ordered byte-wise.
    const OptionalInfo& getOptionalInfo() const noexcept { return m_optionalInfo; }
    OptionalInfo& optionalInfo() noexcept { return m_optionalInfo; }

private:
    std::string m_name;
    std::string m_auxText1;
    std::string m_auxText2;
    std::string m_address;
    std::string m_deviceTitle;
    std::int32_t m_auxNumber = 0;
    std::int32_t m_port = 0;
    std::int32_t m_type = 0;
    std::int32_t m_ordinal = 0;
    BitMask32 m_flags;
    DateTime m_time;
    UniqueID m_id;
    std::string m_gpsData;
    OptionalInfo m_optionalInfo;
};

} // namespace corvane
