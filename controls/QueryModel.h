#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QSet>
#include <QStringList>

namespace qor {

class DataSource;
class Query;
class RowEditor;

// Shows chosen fields of a query's rows to item views and passes the user's
// edits back to it. Display text follows the interface's rules (local dates,
// looked-up texts); the edit value of a lookup column is its key. Each
// column tells views its field's kind, length and lookup choices through the
// roles of GridColumn.h.
//
// Editing goes to the result set's row editor, which the views ask too.
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
    // A value put into a cell goes through the result set's row editor.
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;
    // Views call submit() and revert() on every row change and closed
    // editor; rows are written and undone by the row editor instead.
    bool submit() override { return true; }
    void revert() override {}

    // Where the rows shown here are edited.
    RowEditor *rowEditor() const { return m_rowEditor; }
    // True while the query inserts, removes or re-reads rows: views must
    // not start row operations of their own then.
    bool isChangingRows() const { return m_changingRows; }

private:
    void watchLookupSources();

    QPointer<Query> m_query;
    QStringList m_fields;
    QSet<const Query *> m_watched; // lookup sources already connected
    RowEditor *m_rowEditor;
    bool m_changingRows = false;
};

} // namespace qor
