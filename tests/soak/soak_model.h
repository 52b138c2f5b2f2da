// What the test knows about one written value: the last value the driver
// reported written, and every value it was asked to write since. A write
// that failed may still have reached the processor (a reply lost after the
// request was carried out), so those stay possible until the next write
// the driver confirms. Only one thread writes a value, so between two calls
// of that thread the processor holds one of these.
//
// A hot-backup pair keeps one value in each of its two processors, and the
// driver may reach either. The processor of the last confirmed write holds
// one of the possible values; the other may hold any earlier one, so reads
// of a pair are checked against every value the pair was ever given.
#pragma once

#include <algorithm>
#include <set>
#include <vector>

#include "tests/soak/soak_items.h"

namespace soak {

class TrackedValue {
public:
    TrackedValue() = default;
    TrackedValue(Value initial, bool pair) : confirmed_(std::move(initial)), pair_(pair) {
        if (pair_) history_.insert(confirmed_);
    }

    void Attempt(const Value &v) {
        attempts_.push_back(v);
        if (pair_) history_.insert(v);
    }
    void Confirm(const Value &v) {
        confirmed_ = v;
        attempts_.clear();
    }

    // A value the current processor can hold now.
    bool Possible(const Value &v) const {
        return v == confirmed_ ||
               std::find(attempts_.begin(), attempts_.end(), v) != attempts_.end();
    }
    // A value a read may return: for a pair, also one the other processor
    // may still hold.
    bool Readable(const Value &v) const { return Possible(v) || history_.count(v) != 0; }

    const Value &confirmed() const { return confirmed_; }
    std::size_t pending() const { return attempts_.size(); }

private:
    Value confirmed_;
    std::vector<Value> attempts_;
    bool pair_ = false;
    std::set<Value> history_;
};

}  // namespace soak
