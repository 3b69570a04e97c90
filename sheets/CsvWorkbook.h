#pragma once

#include "sheets/Workbook.h"

#include <QString>

namespace qor {

// A CSV text as one sheet named after the file: UTF-8 with or without a
// byte order mark, UTF-16 with one, or else Windows-1251 (what older
// Russian Excel writes); fields separated by ";", "," or a tab, whichever
// the first line holds most of; a field in double quotes may hold the
// separator, line breaks and doubled quotes. Every cell is a text.
class CsvWorkbook : public Workbook
{
public:
    // Throws qor::Error when the file cannot be read or holds no text.
    explicit CsvWorkbook(const QString &path);

    QStringList sheetNames() const override { return {m_sheetName}; }
    void readRows(int sheet, const RowReader &row, const Progress &progress) override;

    enum class Encoding { Utf8, Utf16LE, Utf16BE, Windows1251 };
    Encoding encoding() const { return m_encoding; }
    QChar separator() const { return m_separator; }

private:
    QString m_path;
    QString m_fileName;
    QString m_sheetName;
    Encoding m_encoding = Encoding::Utf8;
    qsizetype m_bomSize = 0;
    QChar m_separator = u';';
};

} // namespace qor
