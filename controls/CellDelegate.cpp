#include "controls/CellDelegate.h"

#include <QLineEdit>

namespace qor {

CellDelegate::CellDelegate(const GridColumn &column, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_column(column)
{
}

QWidget *CellDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                    const QModelIndex &) const
{
    if (m_column.readOnly)
        return nullptr;
    auto *edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(m_column.alignment);
    if (m_column.maxLength > 0)
        edit->setMaxLength(m_column.maxLength);
    colourEditor(edit);
    return edit;
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
    // Leaving a cell untouched must not put its row into editing.
    auto *edit = qobject_cast<QLineEdit *>(editor);
    if (edit && edit->isModified())
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
