#include "data/StudentImport.h"

#include "data/Registers.h"
#include "data/Statements.h"
#include "engine/Engine.h"
#include "engine/TextCodec.h"
#include "sheets/CellDates.h"

#include <QHash>
#include <QLocale>

#include <set>
#include <unordered_map>
#include <unordered_set>

namespace qor {

namespace {

// The lengths the tables take.
constexpr int MostNameLength = 100;
constexpr int MostOrderLength = 50;
constexpr int MostNumberLength = 20;
// Rows a statement inserts at once; SQL Server takes up to 1000 in one VALUES list.
constexpr int RowsPerStatement = 500;
// The days a datetime column keeps on either engine, and a register would.
constexpr int FirstYear = 1900;
constexpr int LastYear = 2100;

const Cell *cellAt(const SheetRow &row, int column)
{
    return column >= 0 && column < row.cells.size() ? &row.cells[column] : nullptr;
}

QString textAt(const SheetRow &row, int column)
{
    const Cell *cell = cellAt(row, column);
    return cell ? normalisedName(cell->text) : QString();
}

bool isBlank(const SheetRow &row)
{
    return std::all_of(row.cells.cbegin(), row.cells.cend(),
                       [](const Cell &cell) { return normalisedName(cell.text).isEmpty(); });
}

QString rowsList(const QList<int> &numbers)
{
    QStringList texts;
    for (int number : numbers)
        texts.append(QString::number(number));
    return texts.join(QStringLiteral(", "));
}

// What the database holds that the rows are matched with.
struct Known
{
    struct Group
    {
        qint64 id;
        QString fullName;
        std::string fullKey;
        std::string shortKey;
    };
    std::vector<Group> groups;
    std::unordered_map<std::string, std::vector<size_t>> groupsByFullName; // indexes into groups
    std::unordered_map<std::string, std::vector<size_t>> groupsByShortName;
    std::unordered_map<std::string, qint64> orders;                // by sameNameKey of the text
    std::unordered_map<std::string, std::vector<qint64>> students; // by sameNameKey of the name
    std::set<std::pair<qint64, qint64>> placements;                // (student, group)
};

// The group a text names, by its full name or else its short one.
struct GroupMatch
{
    const Known::Group *group = nullptr;
    bool several = false;
};
GroupMatch groupNamed(const Known &known, const std::string &key)
{
    for (const auto *names : {&known.groupsByFullName, &known.groupsByShortName}) {
        const auto found = names->find(key);
        if (found != names->end())
            return {&known.groups[found->second.front()], found->second.size() > 1};
    }
    return {};
}

void readGroupsAndOrders(Engine &engine, Known &known)
{
    const RowSet groups = engine.select(
        QStringLiteral("SELECT id_group_slushatel, name_short, name_full FROM [QOR].[dbo].[group_slushatel]"));
    for (int row = 0; row < groups.rowCount(); ++row) {
        known.groups.push_back({groups.integer(row, 0), groups.text(row, 2), sameNameKey(groups.text(row, 2)),
                                sameNameKey(groups.text(row, 1))});
        known.groupsByFullName[known.groups.back().fullKey].push_back(known.groups.size() - 1);
        known.groupsByShortName[known.groups.back().shortKey].push_back(known.groups.size() - 1);
    }
    const RowSet orders = engine.select(
        QStringLiteral("SELECT id_prikaz_come_slushatel, prikaz_come FROM [QOR].[dbo].[prikaz_come_slushatel]"));
    for (int row = 0; row < orders.rowCount(); ++row)
        known.orders.emplace(sameNameKey(orders.text(row, 1)), orders.integer(row, 0));
}

// The students whose names the rows have, of all in the database.
void readStudentsNamed(Engine &engine, const std::unordered_set<std::string> &keys, Known &known)
{
    if (keys.empty())
        return;
    const RowSet students = engine.select(QStringLiteral("SELECT id_student, s_fio FROM [QOR].[dbo].[s_fio]"));
    for (int row = 0; row < students.rowCount(); ++row) {
        const std::string key = sameNameKey(students.text(row, 1));
        if (keys.count(key))
            known.students[key].push_back(students.integer(row, 0));
    }
}

// Who is in the groups the rows name already.
void readPlacements(Engine &engine, const std::set<qint64> &groups, Known &known)
{
    QStringList ids;
    const auto readSome = [&] {
        const RowSet rows =
            engine.select(QStringLiteral("SELECT id_student, id_group_slushatel FROM [QOR].[dbo].[movement_slushatel] "
                                         "WHERE id_group_slushatel IN (%1)")
                              .arg(ids.join(u',')));
        for (int row = 0; row < rows.rowCount(); ++row)
            known.placements.emplace(rows.integer(row, 0), rows.integer(row, 1));
        ids.clear();
    };
    for (qint64 group : groups) {
        ids.append(QString::number(group));
        if (ids.size() == RowsPerStatement)
            readSome();
    }
    if (!ids.isEmpty())
        readSome();
}

// The row's own texts, checked as far as they go without the database.
struct ReadRow
{
    QString groupText;
    QString orderText;
};

ReadRow readRow(const ImportSheet &sheet, const SheetRow &row, const ColumnMapping &mapping, RowPlan &plan)
{
    ReadRow read;
    const auto refuse = [&](const QString &reason) {
        plan.outcome = RowPlan::Outcome::Refused;
        plan.reason = reason;
        return read;
    };
    if (isBlank(row))
        return read; // Outcome::Blank
    if (mapping[ImportField::FullName] >= 0) {
        plan.name = textAt(row, mapping[ImportField::FullName]);
    } else {
        const QString surname = textAt(row, mapping[ImportField::Surname]);
        const QString firstName = textAt(row, mapping[ImportField::FirstName]);
        if (surname.isEmpty() != firstName.isEmpty())
            return refuse(QStringLiteral("не указаны фамилия или имя"));
        plan.name =
            normalisedName(QStringList{surname, firstName, textAt(row, mapping[ImportField::Patronymic])}.join(u' '));
    }
    if (plan.name.isEmpty())
        return refuse(QStringLiteral("не указано ФИО"));
    if (plan.name.size() > MostNameLength)
        return refuse(QStringLiteral("ФИО длиннее %1 знаков").arg(MostNameLength));

    read.groupText = textAt(row, mapping[ImportField::Group]);
    read.orderText = textAt(row, mapping[ImportField::Order]);
    plan.orderNumber = textAt(row, mapping[ImportField::OrderNumber]);
    const Cell *date = cellAt(row, mapping[ImportField::OrderDate]);
    const QString dateText = date ? normalisedName(date->text) : QString();
    if (!dateText.isEmpty()) {
        plan.orderDate = date->date;
        if (!plan.orderDate.isValid() && date->number && sheet.keepsNumbers && sheet.workbook)
            plan.orderDate = sheet.workbook->dateOfSerial(*date->number);
        if (!plan.orderDate.isValid())
            plan.orderDate = dateOfText(dateText);
        if (!plan.orderDate.isValid() || plan.orderDate.year() < FirstYear || plan.orderDate.year() > LastYear)
            return refuse(QStringLiteral("«%1» — не дата приказа").arg(dateText));
    }
    if (read.groupText.isEmpty() && (!read.orderText.isEmpty() || !plan.orderNumber.isEmpty() || !dateText.isEmpty()))
        return refuse(QStringLiteral("приказ, его номер или дата указаны без группы"));
    if (read.orderText.size() > MostOrderLength)
        return refuse(QStringLiteral("текст приказа длиннее %1 знаков").arg(MostOrderLength));
    if (plan.orderNumber.size() > MostNumberLength)
        return refuse(QStringLiteral("№ приказа длиннее %1 знаков").arg(MostNumberLength));
    plan.outcome = RowPlan::Outcome::Added; // for now: a student to find or add
    return read;
}

// A refused row is written nowhere: it shows its texts as they were read,
// so that the person sees what to mend in the file.
void keepReadTexts(const SheetRow &read, const ColumnMapping &mapping, RowPlan &row)
{
    if (row.group.isEmpty())
        row.group = textAt(read, mapping[ImportField::Group]);
    if (row.order.isEmpty())
        row.order = textAt(read, mapping[ImportField::Order]);
    if (row.orderNumber.isEmpty())
        row.orderNumber = textAt(read, mapping[ImportField::OrderNumber]);
}

// A name as a database of Windows-1251 texts keeps it: a character the code
// page lacks becomes "?", as SQL Server makes it; the embedded engine keeps
// every character, and both sides are compared alike.
QString asStored(const QString &name)
{
    bool whole = true;
    const QByteArray bytes = toWindows1251(name, &whole);
    if (whole)
        return name;
    QString kept = fromWindows1251(bytes);
    kept.replace(QChar(0x1A), u'?');
    return kept;
}

// The date as the add-to-group dialog writes it, or NULL.
QString dateLiteral(const QDate &date)
{
    return date.isValid() ? u'\'' + date.toString(QStringLiteral("yyyyMMdd")) + u'\'' : QStringLiteral("NULL");
}

QString textOrNull(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("NULL") : quotedLiteral(text);
}

QString keyOrNull(qint64 key)
{
    return key > 0 ? QString::number(key) : QStringLiteral("NULL");
}

// Runs INSERT statements of many rows each: head, then the rows' VALUES.
void insertInStatements(Engine &engine, const QString &head, const QStringList &values,
                        const std::function<void(int)> &done)
{
    for (qsizetype from = 0; from < values.size(); from += RowsPerStatement) {
        const QStringList some = values.mid(from, RowsPerStatement);
        engine.execute(head + some.join(u','));
        done(int(some.size()));
    }
}

} // namespace

QString RowPlan::description() const
{
    QString text;
    switch (outcome) {
    case Outcome::Blank:
        return QStringLiteral("пустая строка — пропущена");
    case Outcome::Refused:
        return QStringLiteral("отказ: ") + reason;
    case Outcome::Added:
        text = QStringLiteral("новый слушатель");
        break;
    case Outcome::AlreadyThere:
        text = sameAs >= 0 ? QStringLiteral("тот же, что в строке %1").arg(sameAsNumber)
                           : QStringLiteral("уже есть в базе");
        break;
    }
    if (placement == Placement::Placed)
        text += QStringLiteral("; в группу «%1»").arg(group);
    else if (placement == Placement::AlreadyInGroup)
        text += QStringLiteral("; уже в группе «%1»").arg(group);
    return text;
}

ImportCancelled::ImportCancelled() : Error(QStringLiteral("Импорт отменён. В базу ничего не записано."))
{}

ImportPlan planImport(Engine &engine, const ImportSheet &sheet, const ColumnMapping &mapping,
                      const ImportOptions &options)
{
    if (!mapping.namesTheStudent())
        throw Error(QStringLiteral("Не указано, где ФИО: выберите столбец «ФИО» или столбцы «Фамилия» и «Имя»."));
    ImportPlan plan;
    std::vector<ReadRow> read;
    read.reserve(sheet.rows.size());
    plan.rows.reserve(sheet.rows.size());
    std::unordered_set<std::string> names;
    for (size_t index = size_t(sheet.titleRow + 1); index < sheet.rows.size(); ++index) {
        RowPlan row;
        row.number = sheet.rows[index].number;
        read.push_back(readRow(sheet, sheet.rows[index], mapping, row));
        if (row.outcome == RowPlan::Outcome::Added && !options.namesakes)
            names.insert(sameNameKey(row.name));
        plan.rows.push_back(row);
    }

    Known known;
    readGroupsAndOrders(engine, known);
    readStudentsNamed(engine, names, known);

    // Groups and orders first: a row refused for them adds nobody.
    std::unordered_map<std::string, int> newOrderOf;
    std::set<qint64> groups;
    for (size_t i = 0; i < plan.rows.size(); ++i) {
        RowPlan &row = plan.rows[i];
        if (row.outcome != RowPlan::Outcome::Added || read[i].groupText.isEmpty())
            continue;
        const GroupMatch match = groupNamed(known, sameNameKey(read[i].groupText));
        if (!match.group || match.several) {
            row.outcome = RowPlan::Outcome::Refused;
            row.reason = match.several ? QStringLiteral("групп с названием «%1» несколько").arg(read[i].groupText)
                                       : QStringLiteral("группы «%1» нет (группы создаются в окне «Группы слушателей»)")
                                             .arg(read[i].groupText);
            continue;
        }
        row.groupId = match.group->id;
        row.group = match.group->fullName;
        if (!read[i].orderText.isEmpty()) {
            const std::string key = sameNameKey(read[i].orderText);
            if (const auto known_ = known.orders.find(key); known_ != known.orders.end()) {
                row.orderId = known_->second;
            } else if (options.addUnknownOrders) {
                const auto [it, added] = newOrderOf.try_emplace(key, int(plan.newOrders.size()));
                if (added)
                    plan.newOrders.append(read[i].orderText);
                row.newOrder = it->second;
            } else {
                row.outcome = RowPlan::Outcome::Refused;
                row.reason = QStringLiteral("приказа «%1» нет в списке приказов на зачисление").arg(read[i].orderText);
                continue;
            }
            row.order = row.newOrder >= 0 ? plan.newOrders[row.newOrder] : read[i].orderText;
        }
        groups.insert(row.groupId);
    }
    readPlacements(engine, groups, known);

    // Then the students and their placements, row by row, as a person would.
    std::unordered_map<std::string, int> addedBy; // the row that adds a name
    std::unordered_set<std::string> placedHere; // the student (its key, or "#" and the row that adds it) and the group
    for (size_t i = 0; i < plan.rows.size(); ++i) {
        RowPlan &row = plan.rows[i];
        if (row.outcome != RowPlan::Outcome::Added)
            continue;
        const std::string key = sameNameKey(row.name);
        std::vector<qint64> there;
        if (!options.namesakes) {
            if (const auto earlier = addedBy.find(key); earlier != addedBy.end()) {
                row.outcome = RowPlan::Outcome::AlreadyThere;
                row.sameAs = earlier->second;
                row.sameAsNumber = plan.rows[size_t(earlier->second)].number;
            } else if (const auto found = known.students.find(key); found != known.students.end()) {
                row.outcome = RowPlan::Outcome::AlreadyThere;
                there = found->second;
                if (there.size() == 1)
                    row.student = there.front();
            }
        }
        if (row.groupId > 0) {
            std::vector<qint64> candidates = there;
            const bool ambiguous = candidates.size() > 1;
            const bool inGroup = std::any_of(candidates.cbegin(), candidates.cend(), [&](qint64 id) {
                return known.placements.count({id, row.groupId}) > 0;
            });
            if (ambiguous && !inGroup) {
                row.outcome = RowPlan::Outcome::Refused;
                row.reason =
                    QStringLiteral("в базе несколько слушателей «%1»: неясно, кого включить в группу").arg(row.name);
                continue;
            }
            const std::string who = row.student > 0   ? std::to_string(row.student)
                                    : row.sameAs >= 0 ? '#' + std::to_string(row.sameAs)
                                    : ambiguous       ? std::string()
                                                      : '#' + std::to_string(i);
            if (inGroup || (!who.empty() && !placedHere.insert(who + '/' + std::to_string(row.groupId)).second))
                row.placement = RowPlan::Placement::AlreadyInGroup;
            else
                row.placement = RowPlan::Placement::Placed;
        }
        if (row.outcome == RowPlan::Outcome::Added && !options.namesakes)
            addedBy.emplace(key, int(i));
    }

    for (size_t i = 0; i < plan.rows.size(); ++i) {
        RowPlan &row = plan.rows[i];
        switch (row.outcome) {
        case RowPlan::Outcome::Blank:
            ++plan.blank;
            break;
        case RowPlan::Outcome::Refused:
            plan.refusedRows.append(row.number);
            keepReadTexts(sheet.rows[size_t(sheet.titleRow + 1) + i], mapping, row);
            break;
        case RowPlan::Outcome::Added:
            ++plan.added;
            break;
        case RowPlan::Outcome::AlreadyThere:
            ++plan.alreadyThere;
            break;
        }
        if (row.placement == RowPlan::Placement::Placed)
            ++plan.placed;
        else if (row.placement == RowPlan::Placement::AlreadyInGroup)
            ++plan.alreadyInGroup;
    }
    return plan;
}

ImportPlan importStudents(Engine &engine, const ImportSheet &sheet, const ColumnMapping &mapping,
                          const ImportOptions &options, const ImportProgress &progress)
{
    ImportPlan plan = planImport(engine, sheet, mapping, options);
    if (options.allOrNothing && !plan.refusedRows.isEmpty())
        throw Error(
            QStringLiteral("В базу ничего не записано: отказано в строках %1.").arg(rowsList(plan.refusedRows)));

    const double total = std::max(1, int(plan.newOrders.size()) + plan.added + plan.placed);
    int done = 0;
    const auto advance = [&](int rows) {
        done += rows;
        if (progress && !progress(done / total))
            throw ImportCancelled();
    };
    advance(0);

    QList<qint64> orderIds;
    for (const QString &text : std::as_const(plan.newOrders)) {
        RowWrite write;
        write.table = QStringLiteral("prikaz_come_slushatel");
        write.keyColumn = QStringLiteral("id_prikaz_come_slushatel");
        write.columns = {QStringLiteral("prikaz_come")};
        write.values = {text};
        orderIds.append(engine.insertRow(write).toLongLong());
        advance(1);
    }

    // New students, many to a statement; their keys are read back after, in
    // the order the database gave them, and matched by name.
    const RowSet last = engine.select(QStringLiteral("SELECT MAX(id_student) FROM [QOR].[dbo].[s_fio]"));
    const qint64 before = last.rowCount() > 0 && !last.isNull(0, 0) ? last.integer(0, 0) : 0;
    QStringList names;
    for (const RowPlan &row : plan.rows) {
        if (row.outcome == RowPlan::Outcome::Added)
            names.append(u'(' + quotedLiteral(row.name) + u')');
    }
    insertInStatements(engine, QStringLiteral("INSERT INTO [QOR].[dbo].[s_fio] ([s_fio]) VALUES "), names, advance);
    if (!names.isEmpty()) {
        const RowSet added = engine.select(
            QStringLiteral(
                "SELECT id_student, s_fio FROM [QOR].[dbo].[s_fio] WHERE id_student > %1 ORDER BY id_student")
                .arg(before));
        QHash<QString, QList<qint64>> keysOf;
        for (int row = 0; row < added.rowCount(); ++row)
            keysOf[asStored(added.text(row, 1))].append(added.integer(row, 0));
        for (RowPlan &row : plan.rows) {
            if (row.outcome != RowPlan::Outcome::Added)
                continue;
            QList<qint64> &keys = keysOf[asStored(row.name)];
            if (keys.isEmpty())
                break;
            row.student = keys.takeFirst();
        }
        const bool allMatched = added.rowCount() == names.size()
                                && std::all_of(plan.rows.cbegin(), plan.rows.cend(), [](const RowPlan &row) {
                                       return row.outcome != RowPlan::Outcome::Added || row.student > 0;
                                   });
        // Another program added students meanwhile: whose key is whose cannot be told.
        if (!allMatched)
            throw Error(
                QStringLiteral("Пока шёл импорт, в базу добавили других слушателей. В базу ничего не записано; "
                               "загрузите список ещё раз."));
    }

    QStringList placements;
    for (const RowPlan &row : plan.rows) {
        if (row.placement != RowPlan::Placement::Placed)
            continue;
        const qint64 student = row.sameAs >= 0 ? plan.rows[size_t(row.sameAs)].student : row.student;
        const qint64 order = row.newOrder >= 0 ? orderIds[row.newOrder] : row.orderId;
        placements.append(QStringLiteral("(%1,%2,%3,%4,%5)")
                              .arg(student)
                              .arg(row.groupId)
                              .arg(keyOrNull(order), dateLiteral(row.orderDate), textOrNull(row.orderNumber)));
    }
    insertInStatements(engine,
                       QStringLiteral("INSERT INTO [QOR].[dbo].[movement_slushatel] ([id_student],[id_group_slushatel],"
                                      "[id_prikaz_come_slushatel],[come_date],[come_reg]) VALUES "),
                       placements, advance);
    return plan;
}

QString importSummary(const ImportPlan &plan, bool willBe)
{
    QStringList lines;
    const auto line = [&](const char *done, const char *toDo, int count) {
        lines.append(QStringLiteral("%1: %2").arg(QString::fromUtf8(willBe ? toDo : done)).arg(count));
    };
    line("Добавлено слушателей", "Будет добавлено слушателей", plan.added);
    line("Уже были в базе", "Уже есть в базе", plan.alreadyThere);
    line("Включено в группы", "Будет включено в группы", plan.placed);
    if (plan.alreadyInGroup > 0)
        line("Уже были в своих группах", "Уже в своих группах", plan.alreadyInGroup);
    if (!plan.newOrders.isEmpty())
        lines.append(QStringLiteral("%1: %2").arg(willBe ? QStringLiteral("Будут добавлены приказы на зачисление")
                                                         : QStringLiteral("Добавлены приказы на зачисление"),
                                                  QStringLiteral("«") + plan.newOrders.join(QStringLiteral("», «"))
                                                      + QStringLiteral("»")));
    QString refused = QStringLiteral("Отказано: %1").arg(plan.refusedRows.size());
    if (!plan.refusedRows.isEmpty()) {
        constexpr int Shown = 50;
        refused += (plan.refusedRows.size() == 1 ? QStringLiteral(" (строка %1") : QStringLiteral(" (строки %1"))
                       .arg(rowsList(plan.refusedRows.mid(0, Shown)));
        if (plan.refusedRows.size() > Shown)
            refused += QStringLiteral(" и ещё %1").arg(plan.refusedRows.size() - Shown);
        refused += u')';
    }
    lines.append(refused);
    if (plan.blank > 0)
        lines.append(QStringLiteral("Пустых строк пропущено: %1").arg(plan.blank));
    return lines.join(u'\n');
}

} // namespace qor
