#include "data/VehicleUpdateCoalescer.h"

#include "data/AbstractDatabaseRecord.h"
#include "data/VehicleInfo.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace corvane {

namespace {

struct IdHash
{
    std::size_t operator()(const UniqueID& id) const noexcept
    {
        // The bytes are random already; eight of them make a good hash.
        std::size_t h = 0;
        for (int i = 0; i < 8; ++i)
            h = (h << 8) | id.bytes()[static_cast<std::size_t>(8 + i)];
        return h;
    }
};

} // namespace

std::size_t VehicleUpdateCoalescer::coalesce(Records& records)
{
    using R = AbstractDatabaseRecord;
    // Walking backwards: a vehicle is in `overwritten` when an update of it
    // follows with no insert of it in between.
    std::unordered_set<UniqueID, IdHash> overwritten;
    std::vector<bool> drop(records.size(), false);
    std::size_t dropped = 0;
    for (std::size_t i = records.size(); i-- > 0;) {
        const R& record = *records[i];
        if (record.recordType != R::Vehicle)
            continue;
        const UniqueID& id = static_cast<const VehicleInfo&>(record).id;
        if (record.operation == R::Insert) {
            overwritten.erase(id);
        } else if (record.operation == R::Update) {
            if (!overwritten.insert(id).second) {
                drop[i] = true;
                ++dropped;
            }
        }
    }
    if (dropped == 0)
        return 0;
    std::size_t index = 0;
    records.erase(std::remove_if(records.begin(), records.end(),
                                 [&drop, &index](const auto&) { return drop[index++]; }),
                  records.end());
    return dropped;
}

} // namespace corvane
