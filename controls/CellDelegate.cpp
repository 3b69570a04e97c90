#include "controls/CellDelegate.h"

#include "controls/QueryModel.h"
#include "controls/RowEditor.h"

#include <QLineEdit>

namespace qor {

CellDelegate::CellDelegate(const GridColumn &column, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_column(column)
{
}

QWidget *CellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                    const QModelIndex &index) const
{
    if (m_column.readOnly)
        return nullptr;
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(m_column.alignment);
    if (m_column.maxLength > 0)
        edit->setMaxLength(m_column.maxLength);
    colourEditor(edit);
    handTypedText(edit, index);
    return edit;
}

RowEditor *CellDelegate::rowEditorOf(const QModelIndex &index, int *field)
{
    const auto *model = qobject_cast<const QueryModel *>(index.model());
    if (!model)
        return nullptr;
    *field = model->fieldOfColumn(index.column());
    return *field < 0 ? nullptr : model->rowEditor();
}

bool CellDelegate::handFinalText(QLineEdit *edit, const QModelIndex &index)
{
    int field = -1;
    RowEditor *rows = rowEditorOf(index, &field);
    if (!rows)
        return false;
    // The text as it stands now, also when it was changed other than by
    // typing; a cell left untouched must not put its row into editing.
    if (edit->isModified() || rows->hasPendingText())
        rows->textTyped(field, edit->text());
    return true;
}

void CellDelegate::handTypedText(QLineEdit *edit, const QModelIndex &index)
{
    int field = -1;
    RowEditor *rows = rowEditorOf(index, &field);
    if (!rows)
        return;
    QObject::connect(edit, &QLineEdit::textEdited, rows, [rows, field](const QString &text) { rows->textTyped(field, text); });
}

void CellDelegate::colourEditor(QWidget *editor) const
{
    if (!m_column.color.isValid())
        return;
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Base, m_column.color);
    palette.setColor(QPalette::Button, m_column.color);
    editor->setPalette(palette);
}

void CellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *edit = qobject_cast<QLineEdit *>(editor))
        edit->setText(index.data(Qt::DisplayRole).toString());
}

void CellDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (edit && !handFinalText(edit, index) && edit->isModified())
        model->setData(index, edit->text(), Qt::EditRole);
}

void CellDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                        const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}

void CellDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (m_column.color.isValid() && !index.data(Qt::BackgroundRole).isValid())
        option->backgroundBrush = m_column.color;
    option->displayAlignment = m_column.alignment;
}

} // namespace qor
