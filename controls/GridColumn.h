#pragma once

#include <QColor>
#include <QList>
#include <QString>
#include <QVariant>

#include <functional>
#include <utility>

namespace qor {

// The (key, text) pairs a lookup column offers; read each time its
// drop-down list opens, so it follows changes of the looked-up rows.
struct LookupChoices {
    std::function<QList<std::pair<QVariant, QString>>()> items;
};

// A model may answer headerData(column, Qt::Horizontal, FieldNameRole) with
// the column's field name; without it the grid matches the display text.
inline constexpr int FieldNameRole = Qt::UserRole + 0x100;

// How a screen describes one grid column.
struct GridColumn {
    enum class Kind { Text, Integer, Float, DateTime, Lookup };

    QString field;             // model column by field name ...
    int modelColumn = -1;      // ... or by position, when not negative
    QString upperTitle;
    QString lowerTitle;        // empty: the upper title spans both levels
    int width = 64;            // design width, the column's proportion
    QColor color;              // cell background; invalid: the grid's colour
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool readOnly = false;
    Kind kind = Kind::Text;
    LookupChoices lookup;      // for Kind::Lookup
    QColor upperTitleColor;    // invalid: black
    QColor lowerTitleColor;    // invalid: black
};

} // namespace qor
