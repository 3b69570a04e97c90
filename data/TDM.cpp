#include "data/TDM.h"

#include "engine/Error.h"
#include "data/Registers.h"
#include "data/Statements.h"

namespace qor {

TDM *DM = nullptr;

namespace {

// What to do about a group row written while the formation window has no faculty chosen.
const QString NoFormationFacultyAdvice = QStringLiteral(
    "Факультет не выбран. Сначала выберите факультет в списке «Факультет:», затем изменяйте его группы; "
    "чтобы отменить несохранённое изменение, дважды нажмите Escape в таблице групп.");

FieldDef column(const char *name, ColumnType type, int size = 0)
{
    FieldDef def;
    def.name = QString::fromLatin1(name);
    def.type = type;
    def.size = size;
    return def;
}

FieldDef lookupColumn(const char *name, int size, Query *source, const char *key, const char *result)
{
    FieldDef def = column(name, ColumnType::Text, size);
    def.lookupSource = source;
    def.keyField = QString::fromLatin1(key);
    def.lookupKeyField = QString::fromLatin1(key);
    def.lookupResultField = QString::fromLatin1(result);
    return def;
}

} // namespace

TDM::TDM(QObject *parent) : TDM(new Connection, parent) {}

TDM::TDM(Connection *connection, QObject *parent) : QObject(parent), ADOCon(connection)
{
    ADOCon->setParent(this);
    setObjectName(QStringLiteral("DM"));
    ADOCon->setObjectName(QStringLiteral("ADOCon"));

    const auto query = [this](const char *name) { return new Query(ADOCon, QString::fromLatin1(name), this); };
    ADOQ_movement_slushatel = query("ADOQ_movement_slushatel");
    ADOQ_Faculty = query("ADOQ_Faculty");
    ADOQ_GroupSlushatel = query("ADOQ_GroupSlushatel");
    ADOQ_Student = query("ADOQ_Student");
    ADOQ_Prikaz_come_slushatel = query("ADOQ_Prikaz_come_slushatel");
    ADOQ_prikaz_leave_slushatel = query("ADOQ_prikaz_leave_slushatel");
    ADOQ_all_faculties = query("ADOQ_all_faculties");
    ADOQ_GroupSlushatel_Formation = query("ADOQ_GroupSlushatel_Formation");
    ADOQ_add_student = query("ADOQ_add_student");
    ADOQ_Exec = query("ADOQ_Exec");
    ADOQ_Student_Register = query("ADOQ_Student_Register");
    ADOQ_Faculty_Register = query("ADOQ_Faculty_Register");

    const auto source = [this](Query *dataSet, const char *name) { return new DataSource(dataSet, QString::fromLatin1(name), this); };
    DS_movement_slushatel = source(ADOQ_movement_slushatel, "DS_movement_slushatel");
    DS_Faculty = source(ADOQ_Faculty, "DS_Faculty");
    DS_GroupSlushatel = source(ADOQ_GroupSlushatel, "DS_GroupSlushatel");
    DS_Student = source(ADOQ_Student, "DS_Student");
    DS_Prikaz_come_slushatel = source(ADOQ_Prikaz_come_slushatel, "DS_Prikaz_come_slushatel");
    DS_prikaz_leave_slushatel = source(ADOQ_prikaz_leave_slushatel, "DS_prikaz_leave_slushatel");
    DS_all_faculties = source(ADOQ_all_faculties, "DS_all_faculties");
    DS_GroupSlushatel_Formation = source(ADOQ_GroupSlushatel_Formation, "DS_GroupSlushatel_Formation");
    DS_add_student = source(ADOQ_add_student, "DS_add_student");
    DS_Student_Register = source(ADOQ_Student_Register, "DS_Student_Register");
    DS_Faculty_Register = source(ADOQ_Faculty_Register, "DS_Faculty_Register");

    FieldDef row = column("row", ColumnType::BigInt);
    row.readOnly = true; // numbered by the statement, no column of the table
    FieldDef fio = lookupColumn("FIO", 100, ADOQ_Student, "id_student", "s_fio");
    fio.readOnly = true;
    ADOQ_movement_slushatel->setFieldDefs({
        row,
        fio,
        column("id_student", ColumnType::Integer),
        column("id_group_slushatel", ColumnType::Integer),
        column("id_prikaz_come_slushatel", ColumnType::Integer),
        column("come_date", ColumnType::DateTime),
        column("id_prikaz_leave_slushatel", ColumnType::Integer),
        column("leave_date", ColumnType::DateTime),
        lookupColumn("Prikaz_come", 50, ADOQ_Prikaz_come_slushatel, "id_prikaz_come_slushatel", "prikaz_come"),
        lookupColumn("Prikaz_leave", 50, ADOQ_prikaz_leave_slushatel, "id_prikaz_leave_slushatel", "prikaz_leave"),
        column("come_reg", ColumnType::Text, 20),
        column("leave_reg", ColumnType::Text, 20),
    });
    ADOQ_Student->setFieldDefs({column("id_student", ColumnType::Integer), column("s_fio", ColumnType::Text, 100)});
    ADOQ_Prikaz_come_slushatel->setFieldDefs(
        {column("id_prikaz_come_slushatel", ColumnType::Integer), column("prikaz_come", ColumnType::Text, 50)});
    ADOQ_prikaz_leave_slushatel->setFieldDefs(
        {column("id_prikaz_leave_slushatel", ColumnType::Integer), column("prikaz_leave", ColumnType::Text, 50)});
    ADOQ_GroupSlushatel_Formation->setFieldDefs({
        column("name_short", ColumnType::Text, 50),
        column("name_full", ColumnType::Text, 100),
        column("srok_obuchenia", ColumnType::DateTime),
        column("id_faculty", ColumnType::Integer),
        column("oplata", ColumnType::Float),
    });

    ADOQ_Student_Register->setFieldDefs({column("id_student", ColumnType::Integer), column("s_fio", ColumnType::Text, 100)});
    ADOQ_Faculty_Register->setFieldDefs({column("id_faculty", ColumnType::Integer), column("p23-1", ColumnType::Text, 100),
                                         column("p23-2", ColumnType::Text, 100)});

    // The tables the editable lists write to. The roster's rows join the
    // students' names; and a SQL Server driver may not tell a column's table.
    ADOQ_movement_slushatel->setUniqueTable(QStringLiteral("movement_slushatel"));
    ADOQ_GroupSlushatel_Formation->setUniqueTable(QStringLiteral("group_slushatel"));
    ADOQ_Prikaz_come_slushatel->setUniqueTable(QStringLiteral("prikaz_come_slushatel"));
    ADOQ_prikaz_leave_slushatel->setUniqueTable(QStringLiteral("prikaz_leave_slushatel"));
    ADOQ_Student_Register->setUniqueTable(QStringLiteral("s_fio"));
    ADOQ_Faculty_Register->setUniqueTable(QStringLiteral("faculty"));

    ADOQ_movement_slushatel->beforePost = [this](Query &q) { ADOQ_movement_slushatelBeforePost(q); };
    ADOQ_GroupSlushatel_Formation->beforePost = [this](Query &q) { ADOQ_GroupSlushatel_FormationBeforePost(q); };
    ADOQ_Student_Register->beforePost = [this](Query &q) { ADOQ_Student_RegisterBeforePost(q); };
    ADOQ_Faculty_Register->beforePost = [this](Query &q) { ADOQ_Faculty_RegisterBeforePost(q); };
}

TDM::~TDM()
{
    if (DM == this)
        DM = nullptr;
}

void TDM::reopen(Query *query, const QString &statement)
{
    // A change typed into the rows is written, not dropped; if it cannot be,
    // the rows stay as they are and the caller learns why.
    if (query->isOpen())
        query->leaveRow();
    query->close();
    query->setSql(statement);
    query->open();
}

void TDM::writePendingRows()
{
    for (Query *query : {ADOQ_movement_slushatel, ADOQ_GroupSlushatel_Formation, ADOQ_Prikaz_come_slushatel,
                         ADOQ_prikaz_leave_slushatel, ADOQ_Student_Register, ADOQ_Faculty_Register}) {
        if (query->isOpen())
            query->leaveRow();
    }
}

void TDM::loadLists()
{
    reopen(ADOQ_Faculty, statements::facultiesWithGroups());
    reopen(ADOQ_Prikaz_come_slushatel, statements::enrolmentOrders());
    reopen(ADOQ_prikaz_leave_slushatel, statements::expulsionOrders());
}

QString TDM::keyText(const QVariant &key)
{
    if (!key.isValid() || key.isNull())
        return {};
    return QString::number(key.toLongLong());
}

qint32 TDM::keyToInteger(const QVariant &key)
{
    if (!key.isValid() || key.isNull())
        throw Error(QStringLiteral("Could not convert variant of type (Null) into type (Integer)"));
    return qint32(key.toLongLong());
}

void TDM::ADOQ_movement_slushatelBeforePost(Query &dataSet)
{
    dataSet.setValue(QStringLiteral("id_group_slushatel"), keyToInteger(chosen.group));
    // A roster row places a student; one without a student would be a row nobody can see or fix.
    if (dataSet.value(QStringLiteral("id_student")).isNull())
        throw Error(QStringLiteral("В строке не указан слушатель. Слушателей добавляют в группу кнопкой «Добавить студента»."));
}

void TDM::ADOQ_GroupSlushatel_FormationBeforePost(Query &dataSet)
{
    qint32 faculty = 0;
    try {
        faculty = keyToInteger(chosen.formationFaculty);
    } catch (const Error &e) {
        // Nothing the user does with this row can write it now, and picking a
        // faculty writes it first, so the text says how to get on.
        throw Error(e.text() + u'\r' + NoFormationFacultyAdvice);
    }
    dataSet.setValue(QStringLiteral("id_faculty"), faculty);
}

void TDM::ADOQ_Student_RegisterBeforePost(Query &dataSet)
{
    checkStudentRow(dataSet, ADOCon->engine(), confirmNamesake);
}

void TDM::ADOQ_Faculty_RegisterBeforePost(Query &dataSet)
{
    checkFacultyRow(dataSet, ADOCon->engine());
}

} // namespace qor
