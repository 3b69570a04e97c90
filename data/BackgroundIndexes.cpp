#include "data/BackgroundIndexes.h"

#include "engine/RowSet.h"

namespace qor {

BackgroundIndexes::BackgroundIndexes(const RowSet &rows, int textColumn, int keyColumn)
    : m_textColumn(textColumn), m_keyColumn(keyColumn), m_thread([this, &rows] {
          try {
              m_prefix = PrefixIndex(rows, m_textColumn, &m_stop);
              m_key = KeyIndex(rows, m_keyColumn, &m_stop);
              m_done.store(true, std::memory_order_release);
          } catch (const IndexStopped &) {
              // The rows are about to change: what was made is of no use.
          }
      })
{
}

BackgroundIndexes::~BackgroundIndexes()
{
    m_stop.store(true, std::memory_order_relaxed);
    m_thread.join();
}

} // namespace qor
