#include "tools/BenchmarkData.h"

#include "data/Error.h"
#include "data/SqliteEngine.h"
#include "tools/AdminCommands.h"

#include <QRandomGenerator>
#include <QStringList>

namespace qor::admin {

namespace {

const QStringList Surnames{QStringLiteral("Иванов"), QStringLiteral("Петров"), QStringLiteral("Сидоров"), QStringLiteral("Ёлкин"),
                           QStringLiteral("Елисеев"), QStringLiteral("Жуков"), QStringLiteral("Алексеев"), QStringLiteral("Кузнецов"),
                           QStringLiteral("Смирнов"), QStringLiteral("Орлов"), QStringLiteral("Волков"), QStringLiteral("Морозов"),
                           QStringLiteral("Новиков"), QStringLiteral("Фёдоров"), QStringLiteral("Беляев"), QStringLiteral("Тарасов")};
const QStringList Names{QStringLiteral("Иван"), QStringLiteral("Павел"), QStringLiteral("Дмитрий"), QStringLiteral("Сергей"),
                        QStringLiteral("Алексей"), QStringLiteral("Артём"), QStringLiteral("Никита"), QStringLiteral("Глеб")};

} // namespace

void createBenchmarkDatabase(const QString &file, const BenchmarkSize &size)
{
    if (size.students < 1 || size.groups < 1 || size.rosterRows < 0)
        throw Error(QStringLiteral("The benchmark sizes must be positive"));
    createDatabase(file, QStringLiteral("qor_gate"), randomSecret());
    {
        auto db = SqliteEngine::openAsOwner(file);
        QRandomGenerator random(20140901); // the same data at every run
        db->execute(QStringLiteral("BEGIN"));
        db->execute(QStringLiteral("INSERT INTO faculty ([p23-1], [p23-2]) VALUES ('Факультет А', 'А'), ('Факультет Б', 'Б'), ('Факультет В', 'В')"));
        db->execute(QStringLiteral("INSERT INTO prikaz_come_slushatel (prikaz_come) VALUES ('Приказ о зачислении 1'), ('Приказ о зачислении 2')"));
        db->execute(QStringLiteral("INSERT INTO prikaz_leave_slushatel (prikaz_leave) VALUES ('Приказ об отчислении 1')"));
        RowWrite group;
        group.table = QStringLiteral("group_slushatel");
        group.keyColumn = QStringLiteral("id_group_slushatel");
        group.columns = {QStringLiteral("id_faculty"), QStringLiteral("name_short"), QStringLiteral("name_full"), QStringLiteral("oplata")};
        for (int g = 1; g <= size.groups; ++g) {
            group.values = {1 + g % 3, QStringLiteral("Г-%1").arg(g), QStringLiteral("Группа номер %1").arg(g), 10000.0};
            db->insertRow(group);
        }
        RowWrite student;
        student.table = QStringLiteral("s_fio");
        student.keyColumn = QStringLiteral("id_student");
        student.columns = {QStringLiteral("s_fio")};
        for (int s = 1; s <= size.students; ++s) {
            student.values = {QStringLiteral("%1 %2 %3").arg(Surnames[random.bounded(Surnames.size())], Names[random.bounded(Names.size())])
                                  .arg(s)};
            db->insertRow(student);
        }
        RowWrite movement;
        movement.table = QStringLiteral("movement_slushatel");
        movement.keyColumn = QStringLiteral("id_movement");
        movement.columns = {QStringLiteral("id_student"), QStringLiteral("id_group_slushatel"), QStringLiteral("id_prikaz_come_slushatel"),
                            QStringLiteral("come_date"), QStringLiteral("come_reg")};
        for (int m = 0; m < size.rosterRows; ++m) {
            movement.values = {1 + random.bounded(size.students), 1 + m % size.groups, 1, QStringLiteral("2014-09-01 00:00:00"),
                               QStringLiteral("%1-к").arg(m % 100)};
            db->insertRow(movement);
        }
        db->execute(QStringLiteral("COMMIT"));
    }
    addUser(file, {QStringLiteral("demo"), QStringLiteral("demo123"), false, std::nullopt});
}

} // namespace qor::admin
