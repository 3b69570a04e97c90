#pragma once

#include "controls/CellDelegate.h"

namespace qor {

// Edits a lookup column with a drop-down list of its lookup texts. The
// model's edit value is the key; choosing a text commits that text's key.
class LookupDelegate : public CellDelegate {
    Q_OBJECT
public:
    explicit LookupDelegate(const GridColumn &column, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // Keys compare by number when both are numbers (a qlonglong key from the
    // model equals an int key from the list).
    static bool sameKey(const QVariant &a, const QVariant &b);
};

} // namespace qor
