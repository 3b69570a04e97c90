#include "sheets/Workbook.h"

#include "engine/Error.h"
#include "sheets/CellDates.h"
#include "sheets/CsvWorkbook.h"
#include "sheets/OdsWorkbook.h"
#include "sheets/XlsxWorkbook.h"
#include "sheets/ZipArchive.h"

#include <QFile>
#include <QFileInfo>

namespace qor {

namespace {

// A compound file of the older Office formats: an .xls workbook, or an
// .xlsx encrypted with a password (Office keeps those in one).
const QByteArray CompoundFileSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

QString passwordProtected(const QString &fileName)
{
    return QStringLiteral(
               "Книга «%1» защищена паролем. Откройте её в Excel или LibreOffice, снимите пароль "
               "(сохраните без пароля) и загрузите снова.")
        .arg(fileName);
}

// An encrypted Office workbook names its "EncryptionInfo" stream in UTF-16.
bool holdsEncryptedPackage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray name = QByteArray("E\0n\0c\0r\0y\0p\0t\0i\0o\0n\0I\0n\0f\0o\0", 28);
    return file.read(1 << 20).contains(name);
}

} // namespace

QDate Workbook::dateOfSerial(double days) const
{
    return qor::dateOfSerial(days, DateSystem::Since1900);
}

std::unique_ptr<Workbook> openWorkbook(const QString &path)
{
    const QFileInfo info(path);
    const QString fileName = info.fileName();
    if (!info.exists())
        throw Error(QStringLiteral("Файла «%1» нет.").arg(path));
    if (info.isDir())
        throw Error(QStringLiteral("«%1» — папка, а не файл.").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Файл «%1» не удаётся открыть: нет права читать его.").arg(fileName));
    const QByteArray head = file.read(8);
    file.close();
    if (head.isEmpty())
        throw Error(QStringLiteral("Файл «%1» пуст.").arg(fileName));

    if (head == CompoundFileSignature) {
        if (holdsEncryptedPackage(path))
            throw Error(passwordProtected(fileName));
        throw Error(
            QStringLiteral("Файл «%1» — книга старого формата Excel (.xls). Сохраните её в Excel или LibreOffice "
                           "как .xlsx или CSV и загрузите снова.")
                .arg(fileName));
    }
    if (!head.startsWith("PK\x03\x04") && !head.startsWith("PK\x05\x06"))
        return std::make_unique<CsvWorkbook>(path);

    std::unique_ptr<ZipArchive> zip;
    try {
        zip = std::make_unique<ZipArchive>(path);
    } catch (const ZipError &e) {
        throw Error(QStringLiteral("Файл «%1» повреждён: архив книги не читается (%2). Откройте его в Excel или "
                                   "LibreOffice, сохраните заново и загрузите снова.")
                        .arg(fileName, e.text()));
    }
    if (zip->hasEncryptedMember())
        throw Error(passwordProtected(fileName));
    if (zip->contains(QStringLiteral("mimetype")) && zip->contains(QStringLiteral("content.xml"))) {
        if (zip->contains(QStringLiteral("META-INF/manifest.xml"))) {
            QByteArray manifest;
            try {
                manifest = zip->read(QStringLiteral("META-INF/manifest.xml"), 4 << 20);
            } catch (const ZipError &) {
            }
            if (manifest.contains("encryption-data"))
                throw Error(passwordProtected(fileName));
        }
        return std::make_unique<OdsWorkbook>(std::move(zip), fileName);
    }
    if (zip->contains(QStringLiteral("[Content_Types].xml")) || zip->contains(QStringLiteral("xl/workbook.xml")))
        return std::make_unique<XlsxWorkbook>(std::move(zip), fileName);
    throw Error(QStringLiteral("Файл «%1» — архив, но не книга .xlsx или .ods: загрузить его нельзя.").arg(fileName));
}

} // namespace qor
