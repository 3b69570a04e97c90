#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QSet>
#include <QStringList>

#include <memory>
#include <vector>

namespace qor {

class DataSource;
class NameFilter;
class Query;
class RowEditor;

// Shows chosen fields of a query's rows to item views and passes the user's
// edits back to it. Display text follows the interface's rules (local dates,
// looked-up texts); the edit value of a lookup column is its key. Each
// column tells views its field's kind, length and lookup choices through the
// roles of GridColumn.h.
//
// Editing goes to the result set's row editor, which the views ask too.
//
// It may show some of the query's rows only, those matching what a person
// types into a search field (filterRows); its rows are then not the query's
// rows by number, and views translate with queryRow and modelRow.
class QueryModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    QueryModel(DataSource *source, const QStringList &fields, QObject *parent = nullptr);
    ~QueryModel() override;

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

    // Lets filterRows search these fields' texts.
    void setFilterFields(const QStringList &fields);
    // Shows the rows whose texts match what was typed, by NameIndex's rule,
    // in the query's order; every row when nothing but separators is typed.
    // The row being edited stays shown, whatever it holds, so that nothing
    // typed leaves the screen; a row added or changed stays shown until the
    // next filtering. A current row that is filtered away gives its place to
    // the first row shown, so that the grid's keys and a navigator never act
    // on a row nobody sees.
    void filterRows(const QString &typed);
    bool isFiltered() const { return m_filtered; }
    // The query's row shown as a row of this model, and back: the same number
    // unless filtered; -1 when the query's row is not shown.
    int queryRow(int modelRow) const;
    int modelRow(int queryRow) const;

signals:
    // The rows shown were chosen again: views find the query's current row anew.
    void rowsFiltered();

private:
    void watchLookupSources();
    void onRowAboutToBeInserted(int row);
    void onRowAboutToBeRemoved(int row);
    void onRowRemoved(int row);
    void chooseShownRows();
    void keepCurrentRowShown();

    QPointer<Query> m_query;
    QStringList m_fields;
    QSet<const Query *> m_watched; // lookup sources already connected
    RowEditor *m_rowEditor;
    bool m_changingRows = false;

    std::unique_ptr<NameFilter> m_filter;
    QString m_typed;
    bool m_filtered = false;     // some rows only, m_shown
    std::vector<int> m_shown;    // the query's rows shown, in order
    bool m_removingShown = false; // between a shown row's about-to-be-removed and removed
};

} // namespace qor
