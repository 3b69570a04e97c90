#include "controls/LookupDelegate.h"

#include "controls/QueryModel.h"
#include "controls/RowEditor.h"

#include <QComboBox>

namespace qor {

LookupDelegate::LookupDelegate(const GridColumn &column, QObject *parent)
    : CellDelegate(column, parent)
{
}

bool LookupDelegate::sameKey(const QVariant &a, const QVariant &b)
{
    if (!a.isValid() || a.isNull() || !b.isValid() || b.isNull())
        return (!a.isValid() || a.isNull()) && (!b.isValid() || b.isNull());
    bool aNumber = false;
    bool bNumber = false;
    const qlonglong x = a.toLongLong(&aNumber);
    const qlonglong y = b.toLongLong(&bNumber);
    if (aNumber && bNumber)
        return x == y;
    return a == b;
}

QWidget *LookupDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                      const QModelIndex &index) const
{
    if (column().readOnly)
        return nullptr;
    auto *combo = new QComboBox(parent);
    combo->setFrame(false);
    colourEditor(combo);
    if (column().lookup.items) {
        for (const auto &[key, text] : column().lookup.items())
            combo->addItem(text, key);
    }
    // A choice goes into the row at once, so the cell shows it; Up and Down
    // on the closed list move between rows, as the grid's other cells do.
    int field = -1;
    if (RowEditor *rows = rowEditorOf(index, &field)) {
        const QPersistentModelIndex cell(index);
        connect(combo, &QComboBox::activated, rows, [rows, field, combo, cell] {
            if (!sameKey(combo->currentData(), cell.data(Qt::EditRole)))
                rows->choose(field, combo->currentData());
        });
    } else {
        auto *self = const_cast<LookupDelegate *>(this);
        connect(combo, &QComboBox::activated, self, [self, combo] { emit self->commitData(combo); });
    }
    return combo;
}

void LookupDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo)
        return;
    const QVariant key = index.data(Qt::EditRole);
    int found = -1;
    for (int i = 0; i < combo->count() && found < 0; ++i) {
        if (sameKey(combo->itemData(i), key))
            found = i;
    }
    combo->setCurrentIndex(found);
}

void LookupDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    // A result set had the choice when it was made.
    auto *combo = qobject_cast<QComboBox *>(editor);
    if (!combo || combo->currentIndex() < 0 || qobject_cast<const QueryModel *>(model))
        return;
    const QVariant key = combo->currentData();
    if (!sameKey(key, index.data(Qt::EditRole)))
        model->setData(index, key, Qt::EditRole);
}

} // namespace qor
