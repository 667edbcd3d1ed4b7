#pragma once
// Hands the display lookup table from the GUI thread, which rebuilds it on every change
// of a handle, to the frame path, which reads it for one composed frame. Each version is
// a table of its own: the frame path keeps the one it took for the whole frame, and the
// GUI thread never writes into a table that is being read.
//
// Threads: Publish on the GUI thread; Current on any thread.

#include "display/DisplayStretch.h"

#include <memory>
#include <mutex>

namespace orva {

class LookupTableSlot {
public:
    using Table = DisplayStretch::LookupTable;

    void Publish(std::shared_ptr<const Table> table) {
        std::lock_guard lock(mutex_);
        table_ = std::move(table);
    }
    std::shared_ptr<const Table> Current() const {
        std::lock_guard lock(mutex_);
        return table_;
    }

private:
    mutable std::mutex mutex_;
    std::shared_ptr<const Table> table_;
};

}  // namespace orva
