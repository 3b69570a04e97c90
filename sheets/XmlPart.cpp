#include "sheets/XmlPart.h"

#include "sheets/ZipArchive.h"

#include <QXmlStreamReader>

namespace qor {

void parseXmlPart(const ZipArchive &zip, const QString &part, const std::function<bool(QXmlStreamReader &)> &token,
                  const std::function<void(double share)> &progress)
{
    QXmlStreamReader xml;
    bool stopped = false;
    bool ended = false;
    zip.stream(part, [&](const QByteArray &piece, double share) {
        xml.addData(piece);
        for (;;) {
            const QXmlStreamReader::TokenType type = xml.readNext();
            if (xml.hasError()) {
                if (xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                    break; // more to come
                throw ZipError(QStringLiteral("%1, строка %2: %3").arg(part).arg(xml.lineNumber()).arg(xml.errorString()));
            }
            if (type == QXmlStreamReader::EndDocument) {
                ended = true;
                break;
            }
            if (!token(xml)) {
                stopped = true;
                return false;
            }
        }
        if (progress)
            progress(share);
        return !ended;
    });
    if (!stopped && !ended)
        throw ZipError(QStringLiteral("%1 обрывается").arg(part));
}

} // namespace qor
