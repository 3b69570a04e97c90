#pragma once

#include "sheets/CellDates.h"
#include "sheets/Workbook.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <memory>

namespace qor {

class ZipArchive;

// An Office Open XML workbook (.xlsx, as Excel and LibreOffice save it): the
// sheets the workbook part lists, the shared strings, the styles that show
// numbers as dates, and the workbook's date system. Texts kept in its own
// escapes (_xHHHH_) read as the characters they stand for.
class XlsxWorkbook : public Workbook
{
public:
    // Throws qor::Error saying the file is damaged when its parts are not whole.
    XlsxWorkbook(std::unique_ptr<ZipArchive> zip, const QString &fileName);
    ~XlsxWorkbook() override;

    QStringList sheetNames() const override { return m_sheetNames; }
    void readRows(int sheet, const RowReader &row, const Progress &progress) override;
    QDate dateOfSerial(double days) const override;

private:
    void readWorkbookPart();
    void readSharedStrings();
    void readStyles();

    std::unique_ptr<ZipArchive> m_zip;
    QString m_fileName;
    QStringList m_sheetNames;
    QStringList m_sheetParts;
    DateSystem m_dateSystem = DateSystem::Since1900;
    bool m_sharedRead = false;
    bool m_stylesRead = false;
    QStringList m_shared;
    QSet<int> m_dateStyles; // cell styles (xf indexes) that show a date
};

} // namespace qor
