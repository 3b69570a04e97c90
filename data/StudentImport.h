#pragma once

#include "data/ImportSheet.h"
#include "engine/Error.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace qor {

class Engine;

// The import of students from a list: which rows add a student, which name
// one who is there already, which place a student into a group, and which
// are refused and why; then all of it written in one transaction.

struct ImportOptions
{
    // A name the database or an earlier row has already adds another
    // student all the same (namesakes are real).
    bool namesakes = false;
    // An enrolment order the list names and the database lacks is added to
    // the list of enrolment orders; otherwise its rows are refused.
    bool addUnknownOrders = true;
    // Writes nothing at all when any row is refused.
    bool allOrNothing = false;
};

// What the import does with one row below the titles.
struct RowPlan
{
    enum class Outcome { Blank, Refused, Added, AlreadyThere };
    enum class Placement { None, Placed, AlreadyInGroup };

    int number = 0; // the row's number in the sheet
    Outcome outcome = Outcome::Blank;
    Placement placement = Placement::None;
    QString reason; // why it is refused

    // As they will be written; a refused row's as they were read.
    QString name;
    QString group; // the group's full name, as the database has it
    QString order;
    QString orderNumber;
    QDate orderDate;

    qint64 student = 0;   // the student already there
    int sameAs = -1;      // the earlier row (index into the plan) that adds this student
    int sameAsNumber = 0; // and its number in the sheet
    qint64 groupId = 0;
    qint64 orderId = 0; // 0: none, or a new order (newOrder)
    int newOrder = -1;  // index into ImportPlan::newOrders

    // "будет добавлен", "уже есть; в группу «…»", "отказ: …" and the like.
    QString description() const;
};

struct ImportPlan
{
    std::vector<RowPlan> rows;
    QStringList newOrders; // enrolment orders to add, in the order the list names them

    int added = 0;
    int alreadyThere = 0;
    int placed = 0;
    int alreadyInGroup = 0;
    int blank = 0;
    QList<int> refusedRows; // row numbers
};

// Plans the import of the sheet's rows below its titles, with the columns
// mapped, against the database as it is now. Reads only.
ImportPlan planImport(Engine &engine, const ImportSheet &sheet, const ColumnMapping &mapping,
                      const ImportOptions &options);

// Told the share written (0 to 1); returns false to cancel.
using ImportProgress = std::function<bool(double share)>;

// The import was cancelled: nothing of it was written.
class ImportCancelled : public Error
{
public:
    ImportCancelled();
};

// Plans the import afresh and writes it: new orders, new students, their
// placements. Run inside one transaction (Connection::inTransaction, or the
// engine's own), so that a refusal of the database, a cancel or an ended
// process leaves the database as it was. Throws ImportCancelled when
// progress says so; with allOrNothing, throws when any row is refused.
ImportPlan importStudents(Engine &engine, const ImportSheet &sheet, const ColumnMapping &mapping,
                          const ImportOptions &options, const ImportProgress &progress = {});

// The counts, one a line: what was done, or with willBe what would be.
QString importSummary(const ImportPlan &plan, bool willBe = false);

} // namespace qor
