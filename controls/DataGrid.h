#pragma once

#include "controls/GridColumn.h"

#include <QList>
#include <QPointer>
#include <QTableView>

namespace qor {

class DataSource;
class QueryModel;
class RowEditor;
class TwoLevelHeader;

// Data grid over any item model. The screen describes its columns (which
// field, titles, width, colours, alignment); only described columns are
// shown, in the order described, each with an editor for its kind, which
// with its read-only flag, length and lookup choices the model tells when it
// can. The indicator column at the left marks the current row.
// With fitting on, columns share the grid's width in proportion to their
// widths and there is no horizontal scroll bar; dragging a border scales that
// column's proportion against the next column's.
//
// Bound to a data source, the grid edits the query's rows one at a time:
// a row is written when the user moves to another row or starts a new one,
// and a move that cannot go ahead (a refused cell text, a row the database
// refuses) is refused before the grid moves, with the reason shown. Keys:
// Insert inserts, Down on the last row (or Tab past its last cell) appends,
// Up from an untouched new row drops it, Ctrl+Delete deletes after the
// confirmation, Escape restores the cell and, again, undoes the row.
class DataGrid : public QTableView {
    Q_OBJECT
public:
    explicit DataGrid(QWidget *parent = nullptr);
    using QTableView::edit;

    void setModel(QAbstractItemModel *model) override;
    // Shows the data source's fields named by the described columns.
    void setDataSource(DataSource *source);
    // The model made by setDataSource; null over any other model.
    QueryModel *queryModel() const;
    // Where the data source's rows are edited; null over any other model.
    RowEditor *rowEditor() const;

    // Row operations of the keys and of a navigator. Each first puts the
    // text being edited into the row; what fails is shown and changes nothing.
    bool insertRow();  // a new row before the current one
    bool appendRow();  // a new row after the last one
    bool deleteRow();  // the current row, after the confirmation
    bool postRow();    // writes the row being edited
    bool cancelRow();  // undoes the current row's changes; a new row is dropped
    bool leaveRow();   // writes a changed row, drops an untouched new one
    // Puts the text of an open cell editor into the row; false (with the
    // reason shown and the editor kept) when the text is refused.
    bool commitEditor();

    // Several whole rows may be selected for a command that works on many:
    // Shift+click and Shift with Up, Down, Page Up or Page Down select the
    // rows from the row where the selection began, Ctrl+click adds or takes
    // away one row, Ctrl+A selects every row. The current row moves as with
    // any click or key (a row left is written first) and is edited as
    // always; a plain click or key selects its cell alone again.
    void setRowsSelectable(bool on) { m_rowsSelectable = on; }
    // The rows of the data source that are selected, in their order; the
    // current row alone when no row is. Empty when there is none.
    QList<int> selectedQueryRows() const;
    // Every row selected, as Ctrl+A does.
    void selectAllRows();

    void setColumns(const QList<GridColumn> &columns);
    const QList<GridColumn> &columns() const { return m_columns; }
    // Model column shown by the described column, -1 when the model lacks it.
    int modelColumn(int describedColumn) const;

    void setGridBackground(const QColor &color);
    void setCellFont(const QFont &font);
    void setTitleFont(const QFont &font);
    void setTwoLevelTitles(bool on);
    void setFitColumns(bool on);

    // Proportion widths of the shown columns, in visual order.
    QList<double> columnProportions() const;
    // Width the fitting shares: the indicator column and the cells' area.
    int fittingClientWidth() const;
    // Fits the columns now (fitting on).
    void fitToWidth();

signals:
    // The current row, its state or the rows changed: for navigators.
    void recordStateChanged();

protected:
    bool viewportEvent(QEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool edit(const QModelIndex &index, EditTrigger trigger, QEvent *event) override;
    void commitData(QWidget *editor) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    friend class RowGuard;
    bool mayMoveTo(const QPersistentModelIndex &target);
    bool leaveRowFor(const QPersistentModelIndex &target);
    bool selectRowsByKey(QKeyEvent *event);
    bool selectRowsByClick(QMouseEvent *event);
    void moveSelectingRows(const QModelIndex &target, bool extend, bool keepOthers);
    QList<int> selectedModelRows() const;
    void selectModelRows(const QList<int> &rows);
    bool commitEditorText(QWidget *editor);
    void keepRefusedEditor();
    bool isKeptEditor(QWidget *editor) const;
    bool openDropDown();
    void showQueryRow();
    // The row of the grid that shows the result set's current row; -1 when none does.
    int currentQueryRowShown() const;
    void onFocusChanged(QWidget *old, QWidget *now);
    bool isLastCell(const QModelIndex &index);
    void moveToFirstEditableCell(int row);
    QWidget *openEditor() const;
    void updateIndicator();
    GridColumn resolvedColumn(const GridColumn &described, int modelColumn) const;

    void applyColumns();
    void applyDelegates(const QList<std::pair<int, GridColumn>> &editors);
    QList<int> findModelColumns() const;
    void updateRowHeight();
    void onSectionResized(int logicalIndex, int oldSize, int newSize);
    QList<int> shownColumnsInVisualOrder() const;
    bool isCellEditable(const QModelIndex &index) const;
    int describedColumnOf(int modelColumn) const;

    TwoLevelHeader *m_header;
    QList<GridColumn> m_described;     // as the screen gave them
    QList<GridColumn> m_columns;       // shown: the described ones, or one per model column
    QList<int> m_modelColumnOf;        // per column of m_columns
    QList<double> m_proportions;       // per column of m_columns
    QList<int> m_order;                // columns of m_columns in visual order, as the user left them
    QList<int> m_delegateColumns;
    QList<QAbstractItemDelegate *> m_delegates;
    QList<QString> m_delegateSignature; // what the delegates were made for
    QList<QMetaObject::Connection> m_modelConnections;
    bool m_fit = false;
    bool m_settingWidths = false;

    QueryModel *m_queryModel = nullptr;
    RowEditor *m_rows = nullptr;
    bool m_leavingRow = false;     // a row change is being prepared
    bool m_clickEdits = false;     // the press was on the current cell
    bool m_rowsSelectable = false;
    bool m_extendingRows = false;  // the current cell moves with Shift: the selection's start stays
    QPersistentModelIndex m_selectionStart; // where Shift selects rows from
};

} // namespace qor
