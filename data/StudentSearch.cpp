#include "data/StudentSearch.h"

#include "data/Connection.h"
#include "data/StudentStatements.h"
#include "engine/Error.h"

#include <QPromise>
#include <QThreadPool>

#include <algorithm>
#include <exception>

namespace qor {

namespace {
constexpr int KeyColumn = 0;
constexpr int NameColumn = 1;
} // namespace

StudentNames::StudentNames(RowSet rows) : m_rows(std::move(rows)), m_index(m_rows, NameColumn)
{}

std::shared_ptr<const StudentNames> StudentNames::read(const QString &connectionString)
{
    RowSet rows;
    {
        Connection connection;
        connection.setConnectionString(connectionString);
        connection.engine().selectInto(statements::studentsByName(), rows);
    }
    return std::make_shared<const StudentNames>(std::move(rows));
}

QFuture<StudentNamesRead> StudentNames::readLater(const QString &connectionString)
{
    auto promise = std::make_shared<QPromise<StudentNamesRead>>();
    QFuture<StudentNamesRead> future = promise->future();
    promise->start();
    QThreadPool::globalInstance()->start([promise, connectionString] {
        StudentNamesRead done;
        try {
            done.names = read(connectionString);
        } catch (const Error &e) {
            done.error = e.text();
        } catch (const std::exception &e) {
            done.error = QString::fromUtf8(e.what());
        }
        promise->addResult(std::move(done));
        promise->finish();
    });
    return future;
}

namespace {
struct KeptNames
{
    QString connectionString;
    std::shared_ptr<const StudentNames> names;
};
KeptNames &keptNames()
{
    static KeptNames kept;
    return kept;
}
} // namespace

std::shared_ptr<const StudentNames> StudentNames::kept(const QString &connectionString)
{
    const KeptNames &kept = keptNames();
    return kept.connectionString == connectionString ? kept.names : nullptr;
}

void StudentNames::keep(const QString &connectionString, std::shared_ptr<const StudentNames> names)
{
    keptNames() = {connectionString, std::move(names)};
}

std::vector<int> StudentNames::matching(const QString &typed) const
{
    if (NameIndex::typedWords(typed).empty())
        return {};
    return m_index.matchingRows(typed);
}

qint64 StudentNames::studentAt(int place) const
{
    return m_rows.integer(place, KeyColumn);
}

QString StudentNames::nameAt(int place) const
{
    return m_rows.text(place, NameColumn);
}

StudentSearch StudentSearch::of(const StudentNames &names, const QString &typed)
{
    const std::vector<int> places = names.matching(typed);
    StudentSearch search;
    search.found = int(places.size());
    const int shown = std::min(search.found, ShownStudents);
    search.shown.reserve(shown);
    for (int i = 0; i < shown; ++i)
        search.shown.append(names.studentAt(places[size_t(i)]));
    return search;
}

} // namespace qor
