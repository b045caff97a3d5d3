#pragma once

#include "callback/CallbackInfo.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace corvane {

// Turns the text of one callback datagram into a CallbackInfo.
//
// The text is comma-separated and positional; a run of commas counts as one
// separator and a field can be missing but never empty (senders write one
// space for an empty name or value). Fields, in order: name, type, number,
// (unused), device title, flag word, packed date, packed time, aux text 1,
// aux number, aux text 2, vehicle id. A type-100 message continues with the
// GPS sentence up to its asterisk; a type-101 message continues with an
// unused field, a pair count and that many key/value pairs, of which at most
// maxDetailPairs are looked at and only those with one of the detailKeys are
// kept (a later pair of a key replaces an earlier one). Missing fields
// read as empty text or 0; a missing id, like one that does not parse, gives
// the all-zero id, which names no vehicle.
// So the work per datagram is bounded, whatever a sender writes; nothing of
// the pairs is traced.
// Names and device titles are decoded from UTF-8 (0x1F carries a comma;
// invalid sequences become U+FFFD; at most 255 UTF-16 units are kept).
//
// The format has no rejection case: parse() always fills the record and
// returns true. Callers still act on the record only when it does.
//
// Ownership: reads the caller's text, writes only the caller's record.
// Threads: stateless, any thread; in the station the receive thread ("Callback
// Server") parses each datagram once, here. Throws: std::bad_alloc only.
class CallbackMessageParser
{
public:
    // The longest name or device title kept, in UTF-16 code units.
    static constexpr std::size_t maxTextUnits = 255;
    // The vehicle details the station acts on; other keys are passed over.
    static constexpr std::array<std::string_view, 6> detailKeys = {
        "Company", "Maker", "Model", "Registration", "Driver", "License"};
    // Pairs looked at in one details message; the rest of it is not read.
    static constexpr std::int32_t maxDetailPairs = 64;

    CallbackMessageParser() = default;
    virtual ~CallbackMessageParser() = default;

    // `text` is the NUL-terminated datagram (a null pointer reads as empty);
    // it is not modified. `info` is a record made for the sender.
    bool parse(const char* text, CallbackInfo& info) const;
};

} // namespace corvane
