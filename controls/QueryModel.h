#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QSet>
#include <QStringList>

namespace qor {

class DataSource;
class Query;

// Shows chosen fields of a query's rows to item views and passes the user's
// edits back to it. Display text follows the interface's rules (local dates,
// looked-up texts); the edit value of a lookup column is its key. Each
// column tells views its field's kind, length and lookup choices through the
// roles of GridColumn.h.
//
// Row operations (moving, inserting, deleting, undoing) go to the query, one
// row at a time as the query edits. An operation that fails returns false
// and keeps its error for the view to show: a model shows nothing itself.
class QueryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    QueryModel(DataSource *source, const QStringList &fields, QObject *parent = nullptr);

    Query *query() const;
    int fieldOfColumn(int column) const; // the query's field index, -1 when the query lacks it

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Typed text is converted to the field's type; refused text changes nothing.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    // One row: inserted before row, or appended when row is the row count.
    bool insertRows(int row, int count, const QModelIndex &parent = {}) override;
    // One row, the current one.
    bool removeRows(int row, int count, const QModelIndex &parent = {}) override;
    // Views call submit() and revert() on every row change and closed
    // editor; rows are written and undone by the grid's own steps instead.
    bool submit() override { return true; }
    void revert() override {}
    // Leaves the current row: writes it, or drops a new row nobody changed.
    bool leaveRow();
    // Undoes the changes of the current row; a new row is dropped.
    bool cancelRow();

    int currentRow() const;
    // Moves the query to row, leaving the current one first.
    bool moveToRow(int row);
    // Puts the current row into editing, as typing into it does.
    bool beginEdit();
    bool canModify() const;
    bool isEditing() const;
    bool isNewRow() const;
    // Writes the row being edited, also a new row nobody changed.
    bool postRow();
    // True while the query inserts, removes or re-reads rows: views must
    // not start row operations of their own then.
    bool isChangingRows() const { return m_changingRows; }
    bool isUntouchedNewRow() const;

    // The error of the last operation that failed; empty once taken.
    QString takeError();

private:
    void watchLookupSources();
    bool attempt(const std::function<void()> &operation);

    QPointer<Query> m_query;
    QStringList m_fields;
    QSet<const Query *> m_watched; // lookup sources already connected
    QString m_error;
    bool m_changingRows = false;
};

} // namespace qor
