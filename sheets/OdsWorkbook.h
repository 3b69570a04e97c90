#pragma once

#include "sheets/Workbook.h"

#include <memory>

class QXmlStreamReader;

namespace qor {

class ZipArchive;

// An OpenDocument spreadsheet (.ods, as LibreOffice saves it): the tables of
// its content part, their repeated rows and cells as many as they stand
// for, numbers and dates by their values, texts by their paragraphs.
class OdsWorkbook : public Workbook
{
public:
    // Throws qor::Error saying the file is damaged when its content is not whole.
    OdsWorkbook(std::unique_ptr<ZipArchive> zip, const QString &fileName);
    ~OdsWorkbook() override;

    QStringList sheetNames() const override { return m_sheetNames; }
    void readRows(int sheet, const RowReader &row, const Progress &progress) override;

private:
    void parseContent(const std::function<bool(QXmlStreamReader &)> &token, const Progress &progress = {}) const;

    std::unique_ptr<ZipArchive> m_zip;
    QString m_fileName;
    QStringList m_sheetNames;
};

} // namespace qor
