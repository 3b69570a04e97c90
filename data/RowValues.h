#pragma once

#include "data/Query.h"

#include <QDate>
#include <QString>
#include <QVariant>

namespace qor {

// The small readings the roster's commands make of rows as read.

// A value the row holds: neither missing nor NULL.
inline bool isSet(const QVariant &value)
{
    return value.isValid() && !value.isNull();
}

// The row's value of a field, by the field's name.
inline QVariant valueOf(const Query &rows, int row, const char *field)
{
    return rows.valueAt(row, rows.findField(QString::fromLatin1(field)));
}

// A day as the messages name it.
inline QString dayText(const QDate &day)
{
    return day.toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace qor
