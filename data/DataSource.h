#pragma once

#include <QObject>

namespace qor {

class Query;

// What lookup lists, grids and navigators bind to: one query's rows.
class DataSource : public QObject
{
    Q_OBJECT

public:
    DataSource(Query *dataSet, const QString &name, QObject *parent)
        : QObject(parent), m_dataSet(dataSet)
    {
        setObjectName(name);
    }
    Query *dataSet() const { return m_dataSet; }

private:
    Query *m_dataSet;
};

} // namespace qor
