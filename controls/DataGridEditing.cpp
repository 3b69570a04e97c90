// The data grid's row editing: binding to a data source, the keys that
// insert, append, delete and undo rows, and the rule that a row is written
// (or the move refused) before the grid leaves it.
#include "controls/DataGrid.h"

#include "controls/DateTimeDelegate.h"
#include "controls/MessageBoxes.h"
#include "controls/QueryModel.h"
#include "controls/RowEditor.h"
#include "controls/TwoLevelHeader.h"
#include "data/DataSource.h"
#include "data/Query.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QTimer>

namespace qor {

void DataGrid::setDataSource(DataSource *source)
{
    QStringList fields;
    for (const GridColumn &column : std::as_const(m_described))
        fields.append(column.field);
    auto *model = new QueryModel(source, fields, this);
    setModel(model);
    m_queryModel = model;
    m_rows = model->rowEditor();

    connect(source->dataSet(), &Query::currentRowChanged, this, &DataGrid::showQueryRow);
    connect(model, &QueryModel::rowsFiltered, this, &DataGrid::showQueryRow);
    connect(m_rows, &RowEditor::changed, this, [this] {
        updateIndicator();
        emit recordStateChanged();
    });
    connect(m_rows, &RowEditor::refused, this, &DataGrid::keepRefusedEditor);
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::onFocusChanged);
    showQueryRow();
}

QueryModel *DataGrid::queryModel() const
{
    return m_queryModel;
}

RowEditor *DataGrid::rowEditor() const
{
    return m_rows;
}

int DataGrid::currentQueryRowShown() const
{
    return m_rows ? m_queryModel->modelRow(m_rows->currentRow()) : -1;
}

void DataGrid::showQueryRow()
{
    const int row = currentQueryRowShown();
    if (row < 0 || row >= model()->rowCount())
        return;
    const QModelIndex current = currentIndex();
    if (current.row() == row)
        return;
    int column = current.isValid() ? current.column() : -1;
    if (column < 0 && !m_modelColumnOf.isEmpty())
        column = m_header->logicalIndex(0);
    setCurrentIndex(model()->index(row, std::max(0, column)));
    emit recordStateChanged();
}

bool DataGrid::mayMoveTo(const QPersistentModelIndex &target)
{
    if (!m_rows || m_leavingRow || m_queryModel->isChangingRows())
        return true;
    if (!target.isValid() || target.row() == currentQueryRowShown())
        return true;
    return leaveRowFor(target);
}

bool DataGrid::leaveRowFor(const QPersistentModelIndex &target)
{
    QScopedValueRollback leaving(m_leavingRow, true);
    if (!commitEditor())
        return false;
    return m_rows->moveTo(m_queryModel->queryRow(target.row())) && target.isValid();
}

QWidget *DataGrid::openEditor() const
{
    return state() == EditingState ? indexWidget(currentIndex()) : nullptr;
}

bool DataGrid::commitEditor()
{
    QWidget *editor = openEditor();
    if (!editor)
        return true;
    if (m_rows && !commitEditorText(editor))
        return false;
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

bool DataGrid::commitEditorText(QWidget *editor)
{
    // The delegate hands the editor's text as it stands, then it goes into the row.
    QTableView::commitData(editor);
    return m_rows->commitText();
}

void DataGrid::keepRefusedEditor()
{
    // The editor keeps the refused text for correction: the closing that
    // follows a commit, and the commit and closing the error box's taking
    // the focus brings, leave it open (the row editor tells they belong to
    // the refused press).
    QWidget *editor = openEditor();
    if (!editor || !m_rows->hasPendingText())
        return;
    editor->setFocus();
    // The key or click that left the cell may move the focus on once it is
    // handled: the editor takes it back then.
    QTimer::singleShot(0, editor, [editor] { editor->setFocus(); });
}

bool DataGrid::isKeptEditor(QWidget *editor) const
{
    return m_rows && editor && editor == openEditor() && m_rows->hasPendingText() && m_rows->isRefusing();
}

void DataGrid::commitData(QWidget *editor)
{
    if (!m_rows) {
        QTableView::commitData(editor);
        return;
    }
    // A window being taken down has nobody to read a refusal to; its rows
    // were written, or their writing refused, when it was closed.
    if (isVisible())
        commitEditorText(editor);
}

void DataGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (isKeptEditor(editor)) {
        editor->setFocus();
        return;
    }
    // Escape in the cell: its text is dropped, the row keeps what it had.
    if (m_rows && hint == QAbstractItemDelegate::RevertModelCache)
        m_rows->dropText();
    // A cell's editor closing neither writes nor undoes its row: the row is
    // written when the user leaves it, and undone by Escape on the grid.
    if (hint == QAbstractItemDelegate::SubmitModelCache || hint == QAbstractItemDelegate::RevertModelCache)
        hint = QAbstractItemDelegate::NoHint;
    if (hint == QAbstractItemDelegate::EditNextItem && m_rows && isLastCell(currentIndex())) {
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        // Tab past the last cell goes on to the first cell of a new row.
        if (!m_rows->isUntouchedNewRow() && appendRow()) {
            moveToFirstEditableCell(currentQueryRowShown());
            edit(currentIndex());
        }
        return;
    }
    QTableView::closeEditor(editor, hint);
}

bool DataGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const bool editing = QTableView::edit(index, trigger, event);
    // Ctrl+Delete deletes the row, also from a cell's editor; Up and Down
    // in a cell's closed list move between rows, as in every other cell.
    QWidget *editor = editing && m_rows ? indexWidget(index) : nullptr;
    if ((qobject_cast<QLineEdit *>(editor) || qobject_cast<QComboBox *>(editor))
        && !editor->property("qorWatched").toBool()) {
        editor->setProperty("qorWatched", true);
        editor->installEventFilter(this);
    }
    return editing;
}

bool DataGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (watched != this && key->key() == Qt::Key_Delete
            && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            // The editor would delete a word; the grid deletes the row.
            event->accept();
            if (event->type() == QEvent::KeyPress)
                deleteRow();
            return true;
        }
        auto *list = qobject_cast<QComboBox *>(watched);
        const bool arrow = key->key() == Qt::Key_Up || key->key() == Qt::Key_Down;
        if (list && arrow && event->type() == QEvent::KeyPress && key->modifiers() == Qt::NoModifier) {
            // The list's choice went into the row when it was made.
            QTableView::closeEditor(list, QAbstractItemDelegate::NoHint);
            setFocus();
            keyPressEvent(key);
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

bool DataGrid::insertRow()
{
    if (!m_rows || !m_rows->canModify())
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    return commitEditor() && m_rows->insertBefore(std::max(0, m_rows->currentRow()));
}

bool DataGrid::appendRow()
{
    if (!m_rows || !m_rows->canModify())
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    return commitEditor() && m_rows->append();
}

bool DataGrid::deleteRow()
{
    if (!m_rows || !m_rows->canModify() || model()->rowCount() == 0)
        return false;
    if (!confirmDeletion())
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    // The row goes, and with it the text typed into it.
    m_rows->dropText();
    if (QWidget *editor = openEditor())
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return m_rows->deleteCurrent();
}

bool DataGrid::postRow()
{
    if (!m_rows)
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    return commitEditor() && m_rows->post();
}

bool DataGrid::leaveRow()
{
    if (!m_rows)
        return true;
    QScopedValueRollback leaving(m_leavingRow, true);
    return commitEditor() && m_rows->leaveRow();
}

bool DataGrid::cancelRow()
{
    if (!m_rows)
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    m_rows->dropText();
    if (QWidget *editor = openEditor())
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return m_rows->cancelRow();
}

bool DataGrid::isLastCell(const QModelIndex &index)
{
    return index.isValid() && index.row() == model()->rowCount() - 1
        && moveCursor(MoveNext, Qt::NoModifier) == index;
}

void DataGrid::moveToFirstEditableCell(int row)
{
    for (int visual = 0; visual < m_header->count(); ++visual) {
        const int logical = m_header->logicalIndex(visual);
        const QModelIndex cell = model()->index(row, logical);
        if (!isColumnHidden(logical) && isCellEditable(cell)) {
            setCurrentIndex(cell);
            return;
        }
    }
}

void DataGrid::keyPressEvent(QKeyEvent *event)
{
    if (m_rowsSelectable && selectRowsByKey(event))
        return;
    if (!m_rows) {
        QTableView::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const int row = currentIndex().row();
    const bool lastRow = row == model()->rowCount() - 1;
    // Alt+Down or Alt+Up opens the cell's list or calendar, as on the lists.
    const bool altArrow = event->key() == Qt::Key_Down || event->key() == Qt::Key_Up;
    if (altArrow && modifiers == Qt::AltModifier && openDropDown())
        return;
    switch (event->key()) {
    case Qt::Key_Insert:
        if (plain) {
            insertRow();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (modifiers == Qt::ControlModifier) {
            deleteRow();
            return;
        }
        break;
    case Qt::Key_Escape:
        // Undoes the row; never closes the window the grid is in.
        if (plain && m_rows->isEditing())
            cancelRow();
        event->accept();
        return;
    case Qt::Key_Down:
        if (plain && lastRow) {
            // One new row at a time: no further row while it is unchanged.
            if (!m_rows->isUntouchedNewRow())
                appendRow();
            return;
        }
        break;
    case Qt::Key_Up:
        // Nothing is above the first row; leaving an untouched new row drops it.
        if (plain && row == 0 && m_rows->isUntouchedNewRow()) {
            cancelRow();
            return;
        }
        break;
    case Qt::Key_Tab:
        if (plain && isLastCell(currentIndex())) {
            if (!m_rows->isUntouchedNewRow() && appendRow())
                moveToFirstEditableCell(currentQueryRowShown());
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::mousePressEvent(QMouseEvent *event)
{
    if (m_rowsSelectable && selectRowsByClick(event))
        return;
    const QPersistentModelIndex target = indexAt(event->position().toPoint());
    // A click on the current cell edits it at once: the toolkit would wait a
    // double-click interval first, and keys typed meanwhile would be lost.
    m_clickEdits = m_rows && target.isValid() && QModelIndex(target) == currentIndex() && state() != EditingState
        && event->button() == Qt::LeftButton && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (m_rows && target.isValid() && target.row() != currentQueryRowShown()) {
        if (!leaveRowFor(target))
            return;
        // A new row above the target was dropped: keep to the row clicked.
        if (indexAt(event->position().toPoint()) != QModelIndex(target)) {
            setCurrentIndex(target);
            return;
        }
        // Moving there selected the cell; a click on a selected cell edits it,
        // which only a second click may do.
        selectionModel()->clearSelection();
    }
    QTableView::mousePressEvent(event);
}

void DataGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    const QModelIndex released = indexAt(event->position().toPoint());
    if (std::exchange(m_clickEdits, false) && released == currentIndex() && state() != EditingState)
        edit(released, AllEditTriggers, nullptr);
}

bool DataGrid::openDropDown()
{
    const QModelIndex current = currentIndex();
    if (!current.isValid() || !isCellEditable(current))
        return false;
    const QVariant kind = model()->headerData(current.column(), Qt::Horizontal, FieldKindRole);
    if (kind != int(GridColumn::Kind::Lookup) && kind != int(GridColumn::Kind::DateTime))
        return false;
    if (state() != EditingState && !edit(current, AllEditTriggers, nullptr))
        return false;
    if (auto *list = qobject_cast<QComboBox *>(indexWidget(current)))
        list->showPopup();
    else if (auto *date = qobject_cast<DateTimeEdit *>(indexWidget(current)))
        date->showCalendar();
    return true;
}

void DataGrid::onFocusChanged(QWidget *old, QWidget *now)
{
    if (!m_rows || !old || !now || m_rows->isRefusing())
        return;
    const auto inside = [this](QWidget *w) { return w == this || isAncestorOf(w); };
    // Focus going to another window (a message, a drop-down) is no leaving.
    if (!inside(old) || inside(now) || now->window() != window())
        return;
    // The text being edited went into the row as its editor lost the focus;
    // a changed row stays in editing, an untouched new one is dropped.
    if (m_rows->isUntouchedNewRow())
        cancelRow();
}

} // namespace qor
