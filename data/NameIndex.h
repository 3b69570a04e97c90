#pragma once

#include <QString>

#include <string>
#include <string_view>
#include <vector>

namespace qor {

class RowSet;

// Finds people by the starts of the words of their names, as a person at
// the desk types them: every word typed must begin some word of the name,
// without regard to letter case, with ё read as е ("иван" finds "Иванов Пётр"
// and "Петров Иван", "пет ив" finds "Петров Иван"). A word is a run of
// letters and digits; hyphens, dots and spaces separate words.
//
// Built once over a column of rows, it answers each search without reading
// every name: it keeps each distinct word once, sorted, with the rows that
// hold it, so the rows with one typed word are the words of a range found by
// a binary search, and several typed words are a bit set per word,
// intersected. Rows come back in row order, so a result keeps the order the
// rows were read in. Names share most of their words (first names,
// patronymics), which keeps it small and quick to build.
class NameIndex
{
public:
    NameIndex() = default;
    NameIndex(const RowSet &rows, int column);

    int rowCount() const { return m_rowCount; }

    // The rows whose names match, in row order; every row when nothing but
    // separators is typed.
    std::vector<int> matchingRows(const QString &typed) const;

    // One name against what was typed, by the same rule.
    static bool matches(const QString &name, const QString &typed);

    // The text as the search compares it: small letters for Latin and
    // Cyrillic capitals, ё and Ё as е, UTF-8.
    static std::string folded(const QString &text);
    // The typed words, folded; empty when nothing but separators was typed.
    static std::vector<std::string> typedWords(const QString &typed);

private:
    struct Word
    {
        quint32 offset; // in m_text
        quint32 length;
        quint32 firstRow; // in m_rows; the next word's firstRow ends its rows
    };
    std::string_view textOf(const Word &word) const
    {
        return std::string_view(m_text).substr(word.offset, word.length);
    }
    void markRowsWithWord(const std::string &typedWord, std::vector<quint64> &bits) const;

    int m_rowCount = 0;
    std::string m_text;         // every distinct folded word once, one after another
    std::vector<Word> m_words;  // the distinct words in folded-text order, and one more to end the last
    std::vector<qint32> m_rows; // the rows of each word, each word's in row order
};

} // namespace qor
