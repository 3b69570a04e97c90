#pragma once

#include "controls/GridColumn.h"

#include <QStyledItemDelegate>

class QLineEdit;

namespace qor {

class RowEditor;

// Paints a grid cell in its column's colour and alignment and edits it as
// plain text. Over a result set the text goes to its row editor as it is
// typed, to be converted once when it goes into the row; any other model is
// given the text when the editor commits. Read-only columns get no editor.
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
    // The row editor of a cell shown from a result set, null for any other
    // model, and the cell's field there.
    static RowEditor *rowEditorOf(const QModelIndex &index, int *field);
    // Over a result set, every change of the editor's text goes to the row editor.
    static void handTypedText(QLineEdit *edit, const QModelIndex &index);
    // Over a result set, the editor's text as it is when the editor commits;
    // false for any other model.
    static bool handFinalText(QLineEdit *edit, const QModelIndex &index);
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;

private:
    GridColumn m_column;
};

} // namespace qor
