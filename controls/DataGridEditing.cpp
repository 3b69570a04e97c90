// The data grid's row editing: binding to a data source, the keys that
// insert, append, delete and undo rows, and the rule that a row is written
// (or the move refused) before the grid leaves it.
#include "controls/DataGrid.h"

#include "controls/InputSerial.h"
#include "controls/MessageBoxes.h"
#include "controls/QueryModel.h"
#include "controls/TwoLevelHeader.h"
#include "data/DataSource.h"
#include "data/Query.h"

#include <QApplication>
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

    Query *query = source->dataSet();
    connect(query, &Query::currentRowChanged, this, &DataGrid::showQueryRow);
    connect(query, &Query::stateChanged, this, [this] {
        updateIndicator();
        emit recordStateChanged();
    });
    connect(query, &Query::opened, this, &DataGrid::recordStateChanged);
    connect(query, &Query::closed, this, &DataGrid::recordStateChanged);
    connect(query, &Query::rowInserted, this, &DataGrid::recordStateChanged);
    connect(query, &Query::rowRemoved, this, &DataGrid::recordStateChanged);
    connect(qApp, &QApplication::focusChanged, this, &DataGrid::onFocusChanged);
    showQueryRow();
}

QueryModel *DataGrid::queryModel() const
{
    return m_queryModel;
}

void DataGrid::showQueryRow()
{
    const int row = m_queryModel ? m_queryModel->currentRow() : -1;
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
    if (!m_queryModel || m_leavingRow || m_queryModel->isChangingRows())
        return true;
    if (!target.isValid() || target.row() == m_queryModel->currentRow())
        return true;
    return leaveRowFor(target);
}

bool DataGrid::leaveRowFor(const QPersistentModelIndex &target)
{
    QScopedValueRollback leaving(m_leavingRow, true);
    if (!commitEditor())
        return false;
    return report(m_queryModel->moveToRow(target.row())) && target.isValid();
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
    // Refused already in this same key or mouse press, as its focus moved away.
    if (isFreshRefusal(editor))
        return false;
    if (!commitEditorKeepingOnRefusal(editor))
        return false;
    QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return true;
}

bool DataGrid::commitEditorKeepingOnRefusal(QWidget *editor)
{
    QTableView::commitData(editor);
    const QString refusal = m_queryModel ? m_queryModel->takeError() : QString();
    if (refusal.isEmpty())
        return true;
    // A window being taken down has nobody to read the reason to; its rows
    // were written, or their writing refused, when it was closed.
    if (!isVisible())
        return false;
    // The editor keeps the refused text for correction: the closing that
    // follows a commit, and the commit and closing the error box's taking
    // the focus brings, leave it open, and the press that caused them asks
    // nothing more of it.
    m_keptEditor = editor;
    {
        QScopedValueRollback reporting(m_reporting, true);
        showErrorDisplay(refusal);
    }
    // Counted after the message, whose own keys and clicks belong to it.
    m_refusedAt = inputSerial();
    if (m_keptEditor)
        m_keptEditor->setFocus();
    // Once the key or click that left the cell is handled, the editor takes
    // the focus again (the toolkit may have moved it meanwhile).
    QTimer::singleShot(0, this, [editor = m_keptEditor] {
        if (editor)
            editor->setFocus();
    });
    return false;
}

bool DataGrid::isFreshRefusal(QWidget *editor) const
{
    return editor && editor == m_keptEditor && (m_reporting || m_refusedAt == inputSerial());
}

void DataGrid::commitData(QWidget *editor)
{
    if (m_reporting || isFreshRefusal(editor))
        return;
    commitEditorKeepingOnRefusal(editor);
}

void DataGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    if (isFreshRefusal(editor)) {
        editor->setFocus();
        return;
    }
    // A cell's editor closing neither writes nor undoes its row: the row is
    // written when the user leaves it, and undone by Escape on the grid.
    if (hint == QAbstractItemDelegate::SubmitModelCache || hint == QAbstractItemDelegate::RevertModelCache)
        hint = QAbstractItemDelegate::NoHint;
    if (hint == QAbstractItemDelegate::EditNextItem && m_queryModel && isLastCell(currentIndex())) {
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
        // Tab past the last cell goes on to the first cell of a new row.
        if (!m_queryModel->isUntouchedNewRow() && appendRow()) {
            moveToFirstEditableCell(m_queryModel->currentRow());
            edit(currentIndex());
        }
        return;
    }
    QTableView::closeEditor(editor, hint);
}

bool DataGrid::edit(const QModelIndex &index, EditTrigger trigger, QEvent *event)
{
    const bool editing = QTableView::edit(index, trigger, event);
    // Typing into a cell puts its row into editing at once, as the
    // navigator's post button shows.
    auto *line = editing && m_queryModel ? qobject_cast<QLineEdit *>(indexWidget(index)) : nullptr;
    if (line && !line->property("qorWatched").toBool()) {
        line->setProperty("qorWatched", true);
        line->installEventFilter(this); // Ctrl+Delete deletes the row, also from a cell's editor
        connect(line, &QLineEdit::textEdited, this, [this] { report(m_queryModel->beginEdit()); });
        // The key that opened the editor was typed into it already.
        if (line->isModified())
            report(m_queryModel->beginEdit());
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
    }
    return QTableView::eventFilter(watched, event);
}

bool DataGrid::report(bool done)
{
    if (!done && m_queryModel) {
        QScopedValueRollback reporting(m_reporting, true);
        const QString error = m_queryModel->takeError();
        if (!error.isEmpty())
            showErrorDisplay(error);
    }
    return done;
}

bool DataGrid::insertRow()
{
    if (!m_queryModel || !m_queryModel->canModify())
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    if (!commitEditor())
        return false;
    return report(m_queryModel->insertRows(std::max(0, m_queryModel->currentRow()), 1));
}

bool DataGrid::appendRow()
{
    if (!m_queryModel || !m_queryModel->canModify())
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    if (!commitEditor())
        return false;
    return report(m_queryModel->insertRows(model()->rowCount(), 1));
}

bool DataGrid::deleteRow()
{
    if (!m_queryModel || !m_queryModel->canModify() || model()->rowCount() == 0)
        return false;
    if (!confirmDeletion())
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    // The row goes, and with it the text typed into it.
    if (QWidget *editor = openEditor())
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return report(m_queryModel->removeRows(m_queryModel->currentRow(), 1));
}

bool DataGrid::postRow()
{
    if (!m_queryModel)
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    return commitEditor() && report(m_queryModel->postRow());
}

bool DataGrid::leaveRow()
{
    if (!m_queryModel)
        return true;
    QScopedValueRollback leaving(m_leavingRow, true);
    return commitEditor() && report(m_queryModel->leaveRow());
}

bool DataGrid::cancelRow()
{
    if (!m_queryModel)
        return false;
    QScopedValueRollback leaving(m_leavingRow, true);
    if (QWidget *editor = openEditor())
        QTableView::closeEditor(editor, QAbstractItemDelegate::NoHint);
    return report(m_queryModel->cancelRow());
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
    if (!m_queryModel) {
        QTableView::keyPressEvent(event);
        return;
    }
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    const int row = currentIndex().row();
    const bool lastRow = row == model()->rowCount() - 1;
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
        if (plain && m_queryModel->isEditing())
            cancelRow();
        event->accept();
        return;
    case Qt::Key_Down:
        if (plain && lastRow) {
            // One new row at a time: no further row while it is unchanged.
            if (!m_queryModel->isUntouchedNewRow())
                appendRow();
            return;
        }
        break;
    case Qt::Key_Up:
        // Nothing is above the first row; leaving an untouched new row drops it.
        if (plain && row == 0 && m_queryModel->isUntouchedNewRow()) {
            cancelRow();
            return;
        }
        break;
    case Qt::Key_Tab:
        if (plain && isLastCell(currentIndex())) {
            if (!m_queryModel->isUntouchedNewRow() && appendRow())
                moveToFirstEditableCell(m_queryModel->currentRow());
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
    const QPersistentModelIndex target = indexAt(event->position().toPoint());
    if (m_queryModel && target.isValid() && target.row() != m_queryModel->currentRow()) {
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

void DataGrid::onFocusChanged(QWidget *old, QWidget *now)
{
    if (!m_queryModel || !old || !now || m_reporting)
        return;
    const auto inside = [this](QWidget *w) { return w == this || isAncestorOf(w); };
    // Focus going to another window (a message, a drop-down) is no leaving.
    if (!inside(old) || inside(now) || now->window() != window())
        return;
    // The text being edited went into the row as its editor lost the focus;
    // a changed row stays in editing, an untouched new one is dropped.
    if (m_queryModel->isUntouchedNewRow())
        cancelRow();
}

} // namespace qor
