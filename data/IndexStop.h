#pragma once

#include <atomic>

namespace qor {

// Thrown out of an index's making when it is asked to stop (its rows are
// about to change): the part made is thrown away.
struct IndexStopped
{
};

inline void stopWhenAsked(const std::atomic<bool> *stop)
{
    if (stop && stop->load(std::memory_order_relaxed))
        throw IndexStopped{};
}

} // namespace qor
