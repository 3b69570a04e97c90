#include "data/NameIndex.h"

#include "data/PrefixIndex.h"
#include "engine/RowSet.h"

#include <QChar>

#include <algorithm>
#include <bit>
#include <unordered_map>

namespace qor {

namespace {

// Small letters as PrefixIndex folds them, then ё as е (both two bytes in
// UTF-8). Letters of other alphabets, rare in names here, are case-folded
// one by one.
void foldForSearch(std::string &utf8)
{
    PrefixIndex::fold(utf8);
    bool otherLetters = false;
    for (size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = quint8(utf8[i]);
        if (byte == 0xD1 && i + 1 < utf8.size() && quint8(utf8[i + 1]) == 0x91) {
            utf8[i] = char(0xD0);
            utf8[i + 1] = char(0xB5);
            ++i;
        } else if (byte == 0xD0 || byte == 0xD1) {
            ++i;
        } else if (byte >= 0x80) {
            otherLetters = true;
        }
    }
    if (otherLetters)
        utf8 = QString::fromStdString(utf8).toCaseFolded().toStdString();
}

// The length in bytes of the UTF-8 character at text[i], and whether it
// belongs to a word. Latin letters, digits and the Cyrillic block are read
// byte by byte; any other character is decoded and asked whether it is a
// letter or a digit.
struct Character
{
    size_t length;
    bool inWord;
};
Character characterAt(std::string_view text, size_t i)
{
    const auto byte = quint8(text[i]);
    if (byte < 0x80)
        return {1, (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z')};
    if (byte == 0xD0 || byte == 0xD1)
        return {2, true};
    const size_t length = std::min(text.size() - i, size_t(byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1));
    const QString character = QString::fromUtf8(text.substr(i, length));
    return {length, character.size() > 1 || (character.size() == 1 && character.front().isLetterOrNumber())};
}

// Calls found(offset, length) for every word of a UTF-8 text.
template<typename Found>
void forEachWord(std::string_view text, Found found)
{
    size_t wordStart = 0;
    bool inWord = false;
    for (size_t i = 0; i < text.size();) {
        const Character character = characterAt(text, i);
        if (character.inWord && !inWord)
            wordStart = i;
        else if (!character.inWord && inWord)
            found(wordStart, i - wordStart);
        inWord = character.inWord;
        i += character.length;
    }
    if (inWord)
        found(wordStart, text.size() - wordStart);
}

void setBit(std::vector<quint64> &bits, int row)
{
    bits[size_t(row) / 64] |= quint64(1) << (row % 64);
}

} // namespace

std::string NameIndex::folded(const QString &text)
{
    std::string utf8 = text.toStdString();
    foldForSearch(utf8);
    return utf8;
}

std::vector<std::string> NameIndex::typedWords(const QString &typed)
{
    const std::string text = folded(typed);
    std::vector<std::string> words;
    forEachWord(text, [&](size_t offset, size_t length) { words.emplace_back(text.substr(offset, length)); });
    return words;
}

NameIndex::NameIndex(const RowSet &rows, int column)
{
    if (column < 0)
        return;
    m_rowCount = rows.rowCount();
    std::string folded;
    std::vector<quint32> start;
    start.reserve(size_t(m_rowCount) + 1);
    for (int row = 0; row < m_rowCount; ++row) {
        start.push_back(quint32(folded.size()));
        folded.append(rows.utf8(row, column));
    }
    start.push_back(quint32(folded.size()));
    foldForSearch(folded);

    // Each distinct word gets a number; every word of every row is noted as
    // (number, row), in row order.
    std::unordered_map<std::string_view, quint32> numberOf;
    std::vector<std::string_view> distinct;
    std::vector<std::pair<quint32, qint32>> found;
    found.reserve(size_t(m_rowCount) * 3);
    for (int row = 0; row < m_rowCount; ++row) {
        const std::string_view name =
            std::string_view(folded).substr(start[size_t(row)], start[size_t(row) + 1] - start[size_t(row)]);
        forEachWord(name, [&](size_t offset, size_t length) {
            const auto [it, added] = numberOf.try_emplace(name.substr(offset, length), quint32(distinct.size()));
            if (added)
                distinct.push_back(it->first);
            found.emplace_back(it->second, row);
        });
    }

    // The words in folded-text order, each with its rows, which stay in row
    // order because they are placed in the order they were found.
    std::vector<quint32> order(distinct.size());
    for (quint32 i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](quint32 a, quint32 b) { return distinct[a] < distinct[b]; });
    std::vector<quint32> placeOf(distinct.size());
    std::vector<quint32> count(distinct.size() + 1, 0);
    for (quint32 place = 0; place < order.size(); ++place)
        placeOf[order[place]] = place;
    for (const auto &[number, row] : found)
        ++count[placeOf[number] + 1];
    m_words.reserve(distinct.size() + 1);
    quint32 firstRow = 0;
    for (quint32 place = 0; place < order.size(); ++place) {
        const std::string_view word = distinct[order[place]];
        m_words.push_back({quint32(m_text.size()), quint32(word.size()), firstRow});
        m_text.append(word);
        firstRow += count[place + 1];
    }
    m_words.push_back({quint32(m_text.size()), 0, firstRow});
    std::vector<quint32> next(order.size());
    for (quint32 place = 0; place < order.size(); ++place)
        next[place] = m_words[place].firstRow;
    m_rows.resize(found.size());
    for (const auto &[number, row] : found)
        m_rows[next[placeOf[number]]++] = row;
}

void NameIndex::markRowsWithWord(const std::string &typedWord, std::vector<quint64> &bits) const
{
    const auto last = m_words.end() - (m_words.empty() ? 0 : 1);
    auto word = std::lower_bound(m_words.begin(), last, typedWord, [this](const Word &w, const std::string &typed) {
        return textOf(w) < std::string_view(typed);
    });
    for (; word != last && textOf(*word).starts_with(typedWord); ++word) {
        for (quint32 i = word->firstRow; i < (word + 1)->firstRow; ++i)
            setBit(bits, m_rows[i]);
    }
}

std::vector<int> NameIndex::matchingRows(const QString &typed) const
{
    const int count = rowCount();
    const std::vector<std::string> words = typedWords(typed);
    std::vector<int> rows;
    if (words.empty()) {
        rows.resize(size_t(count));
        for (int row = 0; row < count; ++row)
            rows[size_t(row)] = row;
        return rows;
    }
    const size_t wordsOfBits = (size_t(count) + 63) / 64;
    std::vector<quint64> found(wordsOfBits, 0);
    markRowsWithWord(words.front(), found);
    std::vector<quint64> more;
    for (size_t i = 1; i < words.size(); ++i) {
        more.assign(wordsOfBits, 0);
        markRowsWithWord(words[i], more);
        for (size_t w = 0; w < wordsOfBits; ++w)
            found[w] &= more[w];
    }
    for (size_t w = 0; w < wordsOfBits; ++w) {
        for (quint64 bitsLeft = found[w]; bitsLeft != 0; bitsLeft &= bitsLeft - 1)
            rows.push_back(int(w * 64 + size_t(std::countr_zero(bitsLeft))));
    }
    return rows;
}

bool NameIndex::matches(const QString &name, const QString &typed)
{
    const std::string text = folded(name);
    std::vector<std::string_view> suffixes;
    forEachWord(text, [&](size_t offset, size_t) { suffixes.push_back(std::string_view(text).substr(offset)); });
    for (const std::string &word : typedWords(typed)) {
        if (std::none_of(suffixes.begin(), suffixes.end(),
                         [&](std::string_view suffix) { return suffix.starts_with(word); }))
            return false;
    }
    return true;
}

} // namespace qor
