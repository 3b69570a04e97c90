#pragma once

#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QTableView>

// A group pick as a typical Qt program would do it: QSqlQueryModel on the
// QSQLITE driver, read to the end with fetchMore, the roster shown in a
// QTableView; the same statements and the same collation as the client.
class TypicalQt
{
public:
    explicit TypicalQt(const QString &file);
    ~TypicalQt();

    void pick(const QString &students, const QString &roster);

private:
    QString m_connection;
    QSqlQueryModel m_students;
    QSqlQueryModel m_roster;
    QTableView m_view;
};
