#include "reports/CsvWriting.h"

#include <QDateTime>

namespace qor {

namespace {

// A text as the file can hold it: a NUL, which ends a text for many
// programs reading the file, and half a surrogate pair, which UTF-8 cannot
// encode, become U+FFFD, the replacement character.
QString heldText(const QString &text)
{
    QString held = text;
    for (qsizetype i = 0; i < held.size(); ++i) {
        if (held[i].isHighSurrogate() && i + 1 < held.size() && held[i + 1].isLowSurrogate())
            ++i;
        else if (held[i].isNull() || held[i].isSurrogate())
            held[i] = QChar::ReplacementCharacter;
    }
    return held;
}

QString csvField(const QString &raw)
{
    const QString text = heldText(raw);
    if (!text.contains(u';') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString quoted = text;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

// A typed text that a spreadsheet would take for a formula ("=HYPERLINK(...)",
// "@SUM(...)") is saved with a leading apostrophe, so that opening the file
// shows the text instead of running it.
QString formulaDefused(const QString &text)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && starts.contains(text.front()) ? u'\'' + text : text;
}

QString csvValue(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QDateTime) {
        const QDateTime moment = value.toDateTime();
        return moment.toString(moment.time() == QTime(0, 0) ? QStringLiteral("dd.MM.yyyy") : QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    }
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15).replace(u'.', u','); // the Russian decimal comma
    if (value.typeId() == QMetaType::QString)
        return formulaDefused(value.toString());
    return value.toString();
}

QString titleOf(const ReportColumn &column)
{
    return column.lowerTitle.isEmpty() ? column.upperTitle : column.upperTitle + QStringLiteral(": ") + column.lowerTitle;
}

} // namespace

QByteArray csvBytes(const ReportTable &table)
{
    QStringList lines;
    lines.reserve(table.rows.size() + 1);
    QStringList fields;
    for (const ReportColumn &column : table.columns)
        fields.append(csvField(titleOf(column)));
    lines.append(fields.join(u';'));
    for (const QList<QVariant> &row : table.rows) {
        fields.clear();
        for (const QVariant &value : row)
            fields.append(csvField(csvValue(value)));
        lines.append(fields.join(u';'));
    }
    // What was counted, after a blank line, one line a field, as under a printed table.
    if (!table.notes.isEmpty())
        lines.append(QString());
    for (const QString &note : table.notes)
        lines.append(csvField(note));
    return QByteArrayLiteral("\xEF\xBB\xBF") + lines.join(QStringLiteral("\r\n")).toUtf8() + QByteArrayLiteral("\r\n");
}

} // namespace qor
