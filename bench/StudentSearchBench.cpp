#include "StudentSearchBench.h"

#include "EventLoopIdle.h"

#include "ClientScreens.h"
#include "RawEngine.h"
#include "Samples.h"

#include "controls/DataGrid.h"
#include "data/Connection.h"
#include "data/NameIndex.h"
#include "data/StudentSearch.h"
#include "data/StudentStatements.h"
#include "data/TDM.h"
#include "embedded/SqliteEngine.h"
#include "screens/TForm14.h"
#include "screens/TForm15.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QThread>

#include <cstdio>
#include <ctime>
#include <functional>

using namespace qor;

namespace {

// What people type: a surname and a first name, narrowed by the number the
// generated names end in; ё typed as е; a first name alone.
const QStringList Typed{QStringLiteral("Сидоров Павел 12"), QStringLiteral("елкин ник"), QStringLiteral("Петров Д 5"),
                        QStringLiteral("глеб"), QStringLiteral("Жуков Артём 77")};

constexpr int CardRows = 10;

void printRow(const QString &what, const Samples &ours, const Samples &raw)
{
    std::printf("| %s | %.2f / %.2f | %.2f / %.2f | | x%.2f / x%.2f | |\n", qPrintable(what), ours.best(),
                ours.median(), raw.best(), raw.median(), raw.best() > 0 ? ours.best() / raw.best() : 0,
                raw.median() > 0 ? ours.median() / raw.median() : 0);
}

// The engine's own way to find names by the starts of their words: a
// full-text index, its words folded as the client folds them (ё as е).
void buildFullTextIndex(RawEngine &raw)
{
    raw.step(QStringLiteral("DROP TABLE IF EXISTS temp.names"));
    raw.step(QStringLiteral("CREATE VIRTUAL TABLE temp.names USING fts5(s_fio, tokenize = 'unicode61')"));
    raw.step(
        QStringLiteral("INSERT INTO temp.names (rowid, s_fio) "
                       "SELECT id_student, replace(replace(s_fio, 'ё', 'е'), 'Ё', 'Е') FROM s_fio"));
}

QString fullTextQuery(const QString &typed)
{
    QStringList words;
    for (const std::string &word : NameIndex::typedWords(typed))
        words.append(u'"' + QString::fromStdString(word) + QStringLiteral("\"*"));
    return words.join(QStringLiteral(" AND "));
}

// The same answer from the engine alone: the matching students counted, the
// roster rows of the first of them by name read in the search's order.
void engineAnswer(RawEngine &raw, const QString &typed)
{
    const QString match =
        QStringLiteral("SELECT rowid FROM temp.names WHERE names MATCH '%1'").arg(fullTextQuery(typed));
    raw.step(QStringLiteral("SELECT count(*) FROM (%1)").arg(match));
    QString rows = statements::rosterRowsOfStudents({});
    rows.replace(QStringLiteral("IN (NULL)"),
                 QStringLiteral("IN (SELECT id_student FROM s_fio WHERE id_student IN (%1) "
                                "ORDER BY s_fio LIMIT %2)")
                     .arg(match)
                     .arg(StudentSearch::ShownStudents));
    raw.step(rows);
}

// The processor time of this thread, in ms: what a key costs whatever else
// the machine runs meanwhile.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Times the work once, by the clock and by this thread's processor time.
void timeTwice(Samples &wall, Samples &cpu, const std::function<void()> &work)
{
    const double cpuBefore = threadCpuMs();
    timeOnce(wall, work);
    cpu.add(threadCpuMs() - cpuBefore);
}

void typeKey(TForm14 &window, const QString &character)
{
    QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(window.searchField(), &key);
    waitUntilIdle();
}

void waitForNames(const TForm14 &window)
{
    while (!window.namesReady()) {
        QApplication::processEvents();
        QThread::usleep(200);
    }
}

// A student with ten roster rows: the generated ones have five each, so
// the first student gets more (once; the database is kept between runs).
QVariant studentWithTenRows(const QString &file)
{
    auto db = SqliteEngine::openAsOwner(file);
    const qint64 student = 1;
    const qint64 rows =
        db->select(QStringLiteral("SELECT count(*) FROM movement_slushatel WHERE id_student = %1").arg(student))
            .integer(0, 0);
    for (qint64 i = rows; i < CardRows; ++i)
        db->execute(
            QStringLiteral("INSERT INTO movement_slushatel (id_student, id_group_slushatel, id_prikaz_come_slushatel, "
                           "come_date, come_reg, id_prikaz_leave_slushatel, leave_date, leave_reg) "
                           "VALUES (%1, %2, 1, '2015-%3-01 00:00:00', '%2-к', 1, '2015-%3-20 00:00:00', '%2-о')")
                .arg(student)
                .arg(i + 1)
                .arg(i + 1, 2, 10, QLatin1Char('0')));
    return student;
}

} // namespace

void measureStudentSearch(ClientScreens &ours, RawEngine &raw, const QString &file, int repeat)
{
    Q_UNUSED(ours); // the main window and the data module the windows open over
    const QVariant cardStudent = studentWithTenRows(file);
    buildFullTextIndex(raw);
    const std::shared_ptr<const StudentNames> names = StudentNames::read(DM->ADOCon->connectionString());

    Samples oursShown, oursReady, rawRead;
    Samples oursFirstKey, rawFirstKey, oursKey, rawKey, rawStatement;
    Samples oursFirstKeyCpu, rawFirstKeyCpu, oursKeyCpu, rawKeyCpu;
    int widest = 0;
    for (int i = -1; i < repeat; ++i) { // the first round warms the caches and is not counted
        Samples skip;
        const bool counted = i >= 0;
        TForm14 *window = nullptr;
        QElapsedTimer opened;
        opened.start();
        timeOnce(counted ? oursShown : skip, [&] {
            window = new TForm14;
            window->show();
            waitUntilIdle();
        });
        waitForNames(*window);
        (counted ? oursReady : skip).add(opened.nsecsElapsed() / 1e6);
        timeOnce(counted ? rawRead : skip, [&] { raw.step(statements::studentsByName()); });

        const QString typed = Typed[std::max(0, i) % Typed.size()];
        for (int k = 0; k < typed.size(); ++k) {
            const QString prefix = typed.left(k + 1);
            Samples skipCpu;
            timeTwice(!counted ? skip
                      : k == 0 ? oursFirstKey
                               : oursKey,
                      !counted ? skipCpu
                      : k == 0 ? oursFirstKeyCpu
                               : oursKeyCpu,
                      [&] { typeKey(*window, typed.mid(k, 1)); });
            timeTwice(!counted ? skip
                      : k == 0 ? rawFirstKey
                               : rawKey,
                      !counted ? skipCpu
                      : k == 0 ? rawFirstKeyCpu
                               : rawKeyCpu,
                      [&] { engineAnswer(raw, prefix); });
            const StudentSearch search = StudentSearch::of(*names, prefix);
            widest = std::max(widest, search.found);
            if (!search.shown.isEmpty())
                timeOnce(counted ? rawStatement : skip,
                         [&] { raw.step(statements::rosterRowsOfStudents(search.shown)); });
        }
        delete window;
    }

    // The two parts of the reading, one after the other on this thread.
    Samples oursNamesRead, oursIndexBuilt;
    for (int i = 0; i < repeat; ++i) {
        RowSet rows;
        timeOnce(oursNamesRead, [&] {
            Connection connection;
            connection.setConnectionString(DM->ADOCon->connectionString());
            connection.engine().selectInto(statements::studentsByName(), rows);
        });
        std::unique_ptr<StudentNames> indexed;
        timeOnce(oursIndexBuilt, [&] { indexed = std::make_unique<StudentNames>(std::move(rows)); });
    }

    Samples oursCard, rawCard;
    int cardRows = 0;
    for (int i = -1; i < repeat; ++i) {
        Samples skip;
        timeOnce(i < 0 ? skip : oursCard, [&] {
            TForm15 card(cardStudent);
            card.show();
            waitUntilIdle();
            cardRows = card.movementGrid()->model()->rowCount();
        });
        timeOnce(i < 0 ? skip : rawCard, [&] {
            raw.step(statements::studentName(cardStudent));
            raw.step(statements::studentCard(cardStudent));
        });
    }

    std::printf("| \"Найти слушателя\" opened, to idle (its names still being read) | %.2f / %.2f | | | | |\n",
                oursShown.best(), oursShown.median());
    printRow(QStringLiteral("its %1 names read and indexed, on a thread of their own (raw: the names read)")
                 .arg(names->count()),
             oursReady, rawRead);
    printRow(QStringLiteral("the names alone read again, on this thread"), oursNamesRead, rawRead);
    std::printf("| their index alone built again, on this thread | %.2f / %.2f | | | | |\n", oursIndexBuilt.best(),
                oursIndexBuilt.median());
    printRow(QStringLiteral("a first letter typed, to idle with the rows found (up to %1 students matching; raw: its own "
                            "full-text index)")
                 .arg(widest),
             oursFirstKey, rawFirstKey);
    printRow(QStringLiteral("further keys typed, to idle (raw: its own full-text index)"), oursKey, rawKey);
    std::printf("| further keys, worst | %.2f | | | | |\n", oursKey.worst());
    printRow(QStringLiteral("a first letter, processor time of the thread"), oursFirstKeyCpu, rawFirstKeyCpu);
    printRow(QStringLiteral("further keys, processor time of the thread"), oursKeyCpu, rawKeyCpu);
    std::printf("| further keys, processor time, worst | %.2f | %.2f | | | |\n", oursKeyCpu.worst(), rawKeyCpu.worst());
    std::printf("| of a key, the statement of the rows shown, stepped by the engine alone | | %.2f / %.2f | | | |\n",
                rawStatement.best(), rawStatement.median());
    printRow(QStringLiteral("the card of a student with %1 roster rows opened, to idle").arg(cardRows), oursCard,
             rawCard);
}
