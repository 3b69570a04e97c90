#pragma once

#include "controls/GridColumn.h"

#include <QStyledItemDelegate>

namespace qor {

// Paints a grid cell in its column's colour and alignment and edits it as
// plain text; typed text is committed as it is, for the model to convert.
// Read-only columns get no editor.
class CellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CellDelegate(const GridColumn &column, QObject *parent = nullptr);

    const GridColumn &column() const { return m_column; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

protected:
    // Gives an editor the cell's colour.
    void colourEditor(QWidget *editor) const;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    GridColumn m_column;
};

} // namespace qor
