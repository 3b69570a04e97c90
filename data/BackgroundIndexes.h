#pragma once

#include "data/KeyIndex.h"
#include "data/PrefixIndex.h"

#include <atomic>
#include <thread>

namespace qor {

class RowSet;

// The prefix index of one text column and the key index of one key column
// of a long result, made on a thread of their own, so that the window that
// shows the rows takes keys at once. The rows must stay as they are until it
// is done or destroyed; destroying it stops the thread first, which takes
// microseconds, not the rest of the work.
class BackgroundIndexes
{
public:
    BackgroundIndexes(const RowSet &rows, int textColumn, int keyColumn);
    ~BackgroundIndexes();
    BackgroundIndexes(const BackgroundIndexes &) = delete;
    BackgroundIndexes &operator=(const BackgroundIndexes &) = delete;

    int textColumn() const { return m_textColumn; }
    int keyColumn() const { return m_keyColumn; }
    // Both indexes are made; then they may be taken, once.
    bool isDone() const { return m_done.load(std::memory_order_acquire); }
    PrefixIndex takePrefixIndex() { return std::move(m_prefix); }
    KeyIndex takeKeyIndex() { return std::move(m_key); }

private:
    const int m_textColumn;
    const int m_keyColumn;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_done{false};
    PrefixIndex m_prefix;
    KeyIndex m_key;
    std::thread m_thread; // last: it starts when everything else is ready
};

} // namespace qor
