#include "data/NameIndex.h"

#include "data/PrefixIndex.h"
#include "engine/RowSet.h"

#include <QChar>

#include <algorithm>
#include <bit>
#include <functional>

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

// The distinct words of many names, numbered in the order first met. A
// million names can hold a million distinct words (a number in each), so
// the table is one flat array probed in place, each slot with the word's
// hash beside its number: a word that is not there is told apart without
// reading the text of another.
class DistinctWords
{
public:
    explicit DistinctWords(size_t names)
    {
        size_t capacity = 1024;
        while (capacity < names)
            capacity *= 2;
        m_slots.resize(capacity);
        m_words.reserve(names);
    }

    quint32 numberOf(std::string_view word)
    {
        if (m_words.size() * 2 >= m_slots.size())
            grow();
        const quint32 hash = hashOf(word);
        for (size_t at = hash & (m_slots.size() - 1);; at = (at + 1) & (m_slots.size() - 1)) {
            Slot &slot = m_slots[at];
            if (slot.numberPlusOne == 0) {
                slot = {hash, quint32(m_words.size()) + 1};
                m_words.push_back(word);
                return slot.numberPlusOne - 1;
            }
            if (slot.hash == hash && m_words[slot.numberPlusOne - 1] == word)
                return slot.numberPlusOne - 1;
        }
    }

    size_t size() const { return m_words.size(); }
    std::string_view word(quint32 number) const { return m_words[number]; }

    // The numbers in the words' byte order, which is their order in UTF-8.
    // Sorted by the first eight bytes read as one number, so that most
    // comparisons read no text.
    std::vector<quint32> sortedNumbers() const
    {
        struct Keyed
        {
            quint64 head;
            quint32 number;
        };
        std::vector<Keyed> keyed(m_words.size());
        for (quint32 number = 0; number < keyed.size(); ++number)
            keyed[number] = {headOf(m_words[number]), number};
        std::sort(keyed.begin(), keyed.end(), [this](const Keyed &a, const Keyed &b) {
            if (a.head != b.head)
                return a.head < b.head;
            return m_words[a.number] < m_words[b.number];
        });
        std::vector<quint32> numbers(keyed.size());
        for (size_t i = 0; i < keyed.size(); ++i)
            numbers[i] = keyed[i].number;
        return numbers;
    }

private:
    struct Slot
    {
        quint32 hash = 0;
        quint32 numberPlusOne = 0; // 0: empty
    };

    static quint32 hashOf(std::string_view word)
    {
        const size_t hash = std::hash<std::string_view>{}(word);
        return quint32(hash ^ (hash >> 32));
    }
    // The first eight bytes, big-endian, zeros after a shorter word: the
    // numbers compare as the texts' starts do.
    static quint64 headOf(std::string_view word)
    {
        quint64 head = 0;
        for (size_t i = 0; i < 8; ++i)
            head = (head << 8) | (i < word.size() ? quint8(word[i]) : 0);
        return head;
    }
    void grow()
    {
        std::vector<Slot> old(m_slots.size() * 2);
        old.swap(m_slots);
        for (const Slot &slot : old) {
            if (slot.numberPlusOne == 0)
                continue;
            size_t at = slot.hash & (m_slots.size() - 1);
            while (m_slots[at].numberPlusOne != 0)
                at = (at + 1) & (m_slots.size() - 1);
            m_slots[at] = slot;
        }
    }

    std::vector<Slot> m_slots;
    std::vector<std::string_view> m_words;
};

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
    DistinctWords distinct{size_t(m_rowCount)};
    std::vector<std::pair<quint32, qint32>> found;
    found.reserve(size_t(m_rowCount) * 3);
    for (int row = 0; row < m_rowCount; ++row) {
        const std::string_view name =
            std::string_view(folded).substr(start[size_t(row)], start[size_t(row) + 1] - start[size_t(row)]);
        forEachWord(name, [&](size_t offset, size_t length) {
            found.emplace_back(distinct.numberOf(name.substr(offset, length)), row);
        });
    }

    // The words in folded-text order, each with its rows, which stay in row
    // order because they are placed in the order they were found.
    const std::vector<quint32> order = distinct.sortedNumbers();
    std::vector<quint32> placeOf(distinct.size());
    std::vector<quint32> count(distinct.size() + 1, 0);
    for (quint32 place = 0; place < order.size(); ++place)
        placeOf[order[place]] = place;
    for (const auto &[number, row] : found)
        ++count[placeOf[number] + 1];
    m_words.reserve(distinct.size() + 1);
    quint32 firstRow = 0;
    for (quint32 place = 0; place < order.size(); ++place) {
        const std::string_view word = distinct.word(order[place]);
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
