#pragma once

#include <QColor>
#include <QList>
#include <QMetaType>
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

// What a model may tell a grid about a column, through
// headerData(column, Qt::Horizontal, role):
inline constexpr int FieldNameRole = Qt::UserRole + 0x100;     // the field name; else the display text is matched
inline constexpr int FieldKindRole = Qt::UserRole + 0x101;     // a GridColumn::Kind, as int
inline constexpr int MaxLengthRole = Qt::UserRole + 0x102;     // longest text a cell takes, 0 for any
inline constexpr int LookupChoicesRole = Qt::UserRole + 0x103; // a LookupChoices, for lookup columns

// How a screen describes one grid column: which field, its titles, width and
// colours. What the field is (its kind, whether it can be edited, its length,
// the choices of a lookup) comes from the model's column when the model says.
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
    int maxLength = 0;         // 0: any length
    LookupChoices lookup;      // for Kind::Lookup
    QColor upperTitleColor;    // invalid: black
    QColor lowerTitleColor;    // invalid: black

    // A column of the field with its titles from a caption "upper|lower"
    // (no "|": one title over both levels), and its design width.
    static GridColumn titled(const QString &field, const QString &caption, int width, const QColor &color = {});
};

} // namespace qor

Q_DECLARE_METATYPE(qor::LookupChoices)
