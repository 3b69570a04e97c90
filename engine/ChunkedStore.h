#pragma once

#include <QtGlobal>

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

namespace qor {

// Storage for the rows of a result that grows in fixed chunks and keeps
// them when emptied: reading a result again reuses the memory of the last
// one, where one growing buffer would be copied as it doubles, handed back to
// the system at every re-read and faulted in anew.

// Values by index, ChunkSize of them to a chunk (a power of two). A chunk's
// memory is touched only as far as values are stored in it, so the small
// results of lists do not hold whole chunks resident.
template <typename T, size_t ChunkSize>
class ChunkedArray
{
    static_assert((ChunkSize & (ChunkSize - 1)) == 0);
    static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>);
    static_assert(alignof(T) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__);

public:
    size_t size() const { return m_size; }
    T &operator[](size_t i) { return slot(i); }
    const T &operator[](size_t i) const { return slot(i); }

    // Grows to n values, the new ones value-initialised, or shrinks.
    void resize(size_t n)
    {
        while (m_chunks.size() * ChunkSize < n)
            m_chunks.push_back(std::make_unique_for_overwrite<std::byte[]>(ChunkSize * sizeof(T)));
        for (size_t i = m_size; i < n; ++i)
            std::construct_at(&slot(i));
        m_size = n;
    }
    // Empty, keeping the chunks for the next values.
    void clear() { m_size = 0; }

private:
    T &slot(size_t i) const { return std::launder(reinterpret_cast<T *>(m_chunks[i / ChunkSize].get()))[i % ChunkSize]; }

    std::vector<std::unique_ptr<std::byte[]>> m_chunks;
    size_t m_size = 0;
};

// Texts one after another, each in one piece, found again by the handle
// append() returns.
class TextStore
{
public:
    quint64 append(const char *text, size_t size)
    {
        if (m_chunk < m_chunks.size() && m_used + size > m_chunks[m_chunk].size) {
            ++m_chunk;
            m_used = 0;
        }
        if (m_chunk == m_chunks.size() || m_chunks[m_chunk].size < size)
            m_chunks.insert(m_chunks.begin() + qsizetype(m_chunk), Chunk(std::max(size, ChunkBytes)));
        std::memcpy(m_chunks[m_chunk].bytes.get() + m_used, text, size);
        const quint64 handle = (quint64(m_chunk) << 32) | m_used;
        m_used += size;
        return handle;
    }
    std::string_view at(quint64 handle, size_t size) const
    {
        return std::string_view(m_chunks[handle >> 32].bytes.get() + (handle & 0xFFFFFFFFu), size);
    }
    // Empty, keeping the chunks for the next texts.
    void clear()
    {
        m_chunk = 0;
        m_used = 0;
    }

private:
    static constexpr size_t ChunkBytes = size_t(1) << 20;
    struct Chunk
    {
        explicit Chunk(size_t bytes) : bytes(std::make_unique_for_overwrite<char[]>(bytes)), size(bytes) {}
        std::unique_ptr<char[]> bytes;
        size_t size;
    };
    std::vector<Chunk> m_chunks;
    size_t m_chunk = 0; // the chunk being filled
    size_t m_used = 0;  // bytes of it in use
};

} // namespace qor
