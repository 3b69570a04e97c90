#pragma once

#include <QString>

#include <functional>

class QXmlStreamReader;

namespace qor {

class ZipArchive;

// Feeds a workbook part's XML to a reader as it is unpacked: token is called
// with the reader at every token and returns false to stop; progress is told
// the share unpacked. Throws ZipError with the reason when the archive fails
// or the part is no whole XML (broken, or cut short), for the caller to say
// what that means for the file; what token throws passes through.
void parseXmlPart(const ZipArchive &zip, const QString &part, const std::function<bool(QXmlStreamReader &)> &token,
                  const std::function<void(double share)> &progress = {});

} // namespace qor
