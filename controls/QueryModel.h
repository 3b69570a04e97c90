#pragma once

#include <QAbstractTableModel>
#include <QPointer>
#include <QSet>
#include <QStringList>

namespace qor {

class DataSource;
class Query;

// Shows chosen columns of a query's rows to item views, and passes the
// user's edits back to it. Display text follows the interface's rules
// (local dates, looked-up texts); the edit value of a lookup column is its key.
// An edit that fails is shown by the default error display and changes nothing.
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
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

private:
    void watchLookupSources();

    QPointer<Query> m_query;
    QStringList m_fields;
    QSet<const Query *> m_watched; // lookup sources already connected
};

} // namespace qor
