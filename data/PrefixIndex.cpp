#include "data/PrefixIndex.h"

#include "engine/RowSet.h"

#include <algorithm>

namespace qor {

namespace {

// The first eight bytes of a text, big-endian, so that numbers order as texts do.
quint64 headOf(std::string_view text)
{
    quint64 head = 0;
    for (size_t i = 0; i < 8; ++i)
        head = (head << 8) | (i < text.size() ? quint8(text[i]) : 0);
    return head;
}

} // namespace

void PrefixIndex::fold(std::string &utf8)
{
    for (size_t i = 0; i < utf8.size(); ++i) {
        auto byte = quint8(utf8[i]);
        if (byte >= 'A' && byte <= 'Z') {
            utf8[i] = char(byte + 32);
        } else if (byte == 0xD0 && i + 1 < utf8.size()) {
            // U+0400..U+043F: Ѐ..Џ and А..П have their small letters 0x50 and 0x20 on.
            const auto next = quint8(utf8[i + 1]);
            if (next >= 0x80 && next <= 0x8F) { // Ѐ..Џ, Ё among them -> ѐ..џ
                utf8[i] = char(0xD1);
                utf8[i + 1] = char(next + 0x10);
            } else if (next >= 0x90 && next <= 0x9F) { // А..П -> а..п
                utf8[i + 1] = char(next + 0x20);
            } else if (next >= 0xA0 && next <= 0xAF) { // Р..Я -> р..я
                utf8[i] = char(0xD1);
                utf8[i + 1] = char(next - 0x20);
            }
            ++i;
        }
    }
}

PrefixIndex::PrefixIndex(const RowSet &rows, int column, const std::atomic<bool> *stop)
{
    if (column < 0)
        return;
    const int count = rows.rowCount();
    m_start.reserve(size_t(count) + 1);
    m_sorted.reserve(size_t(count));
    for (int row = 0; row < count; ++row) {
        if (row % 4096 == 0)
            stopWhenAsked(stop);
        m_start.push_back(quint32(m_folded.size()));
        const std::string_view text = rows.utf8(row, column);
        m_folded.append(text);
    }
    m_start.push_back(quint32(m_folded.size()));
    fold(m_folded);
    for (int row = 0; row < count; ++row)
        m_sorted.push_back({headOf(textOf(row)), row});
    std::sort(m_sorted.begin(), m_sorted.end(), [this, stop](const Entry &a, const Entry &b) {
        stopWhenAsked(stop);
        return before(a, b);
    });
}

bool PrefixIndex::before(const Entry &a, const Entry &b) const
{
    if (a.head != b.head)
        return a.head < b.head;
    const int order = textOf(a.row).compare(textOf(b.row));
    return order < 0 || (order == 0 && a.row < b.row);
}

int PrefixIndex::firstRowWithPrefix(const RowSet &rows, int column, const QString &prefix)
{
    if (column < 0)
        return -1;
    std::string folded = prefix.toStdString();
    fold(folded);
    std::string start;
    const int count = rows.rowCount();
    for (int row = 0; row < count; ++row) {
        const std::string_view text = rows.utf8(row, column);
        if (text.size() < folded.size())
            continue;
        // Folding keeps every byte's place, so the text's start folds alone.
        start.assign(text.substr(0, folded.size()));
        fold(start);
        if (start == folded)
            return row;
    }
    return -1;
}

int PrefixIndex::firstRowWithPrefix(const QString &prefix) const
{
    std::string folded = prefix.toStdString();
    fold(folded);
    const auto first = std::lower_bound(m_sorted.begin(), m_sorted.end(), folded,
                                        [this](const Entry &e, const std::string &p) { return textOf(e.row) < p; });
    const auto last = std::partition_point(first, m_sorted.end(),
                                           [this, &folded](const Entry &e) { return textOf(e.row).starts_with(folded); });
    // The list's own order may differ from the folded order: the first row
    // shown with the prefix is the lowest row number in the range.
    int lowest = -1;
    for (auto it = first; it != last; ++it) {
        if (lowest < 0 || it->row < lowest)
            lowest = it->row;
    }
    return lowest;
}

} // namespace qor
