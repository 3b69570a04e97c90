#include "tools/DemoData.h"

#include "engine/Engine.h"

#include <QDate>
#include <QStringList>

namespace qor::admin {

namespace {

QVariant insert(Engine &db, const QString &table, const QString &key, const QStringList &columns,
                const QList<QVariant> &values)
{
    RowWrite write;
    write.table = table;
    write.keyColumn = key;
    write.columns = columns;
    write.values = values;
    return db.insertRow(write);
}

const QStringList Students = {
    QStringLiteral("Иванов Иван Иванович"),        QStringLiteral("Петрова Анна Сергеевна"),
    QStringLiteral("Сидоров Павел Андреевич"),     QStringLiteral("Ёлкина Мария Петровна"),
    QStringLiteral("Елисеев Константин Олегович"), QStringLiteral("Жукова Дарья Викторовна"),
    QStringLiteral("Алексеев Дмитрий Юрьевич"),    QStringLiteral("Кузнецова Ольга Николаевна"),
    QStringLiteral("Смирнов Алексей Владимирович"), QStringLiteral("Орлова Екатерина Игоревна"),
    QStringLiteral("Волков Сергей Михайлович"),    QStringLiteral("Морозова Наталья Алексеевна"),
    QStringLiteral("Новиков Артём Денисович"),     QStringLiteral("Фёдорова Ирина Васильевна"),
    QStringLiteral("Беляев Никита Романович"),     QStringLiteral("Тарасова Юлия Евгеньевна"),
    QStringLiteral("Широков Глеб Ильич"),          QStringLiteral("Яковлева Вера Степановна"),
    QStringLiteral("Григорьев Максим Олегович"),   QStringLiteral("Лебедева Светлана Павловна"),
    QStringLiteral("Щербаков Роман Витальевич"),   QStringLiteral("Эйдельман Лев Борисович"),
    QStringLiteral("Юдина Полина Артёмовна"),      QStringLiteral("Макаров Егор Станиславович"),
};

} // namespace

void fillDemoData(Engine &engine)
{
    Engine *db = &engine;

    const QString faculty = QStringLiteral("faculty");
    const QStringList facultyColumns{QStringLiteral("p23-1"), QStringLiteral("p23-2")};
    const QVariant training = insert(*db, faculty, QStringLiteral("id_faculty"), facultyColumns,
                                     {QStringLiteral("Факультет повышения квалификации"), QStringLiteral("ФПК")});
    const QVariant retraining = insert(*db, faculty, QStringLiteral("id_faculty"), facultyColumns,
                                       {QStringLiteral("Факультет профессиональной переподготовки"), QStringLiteral("ФПП")});
    const QVariant preparatory = insert(*db, faculty, QStringLiteral("id_faculty"), facultyColumns,
                                        {QStringLiteral("Подготовительное отделение"), QStringLiteral("ПО")});
    insert(*db, faculty, QStringLiteral("id_faculty"), facultyColumns,
           {QStringLiteral("Факультет дистанционного обучения"), QStringLiteral("ФДО")});

    const QString groups = QStringLiteral("group_slushatel");
    const QStringList groupColumns{QStringLiteral("id_faculty"), QStringLiteral("name_short"), QStringLiteral("name_full"),
                                   QStringLiteral("srok_obuchenia"), QStringLiteral("oplata")};
    const QString groupKey = QStringLiteral("id_group_slushatel");
    const QList<QVariant> groupIds{
        insert(*db, groups, groupKey, groupColumns, {training, QStringLiteral("ПК-101"), QStringLiteral("Бухгалтерский учёт и налогообложение"), QDateTime(QDate(2026, 12, 25), QTime()), 18500.0}),
        insert(*db, groups, groupKey, groupColumns, {training, QStringLiteral("ПК-102"), QStringLiteral("Охрана труда на предприятии"), QDateTime(QDate(2027, 2, 15), QTime()), 12000.0}),
        insert(*db, groups, groupKey, groupColumns, {retraining, QStringLiteral("ПП-201"), QStringLiteral("Управление персоналом"), QDateTime(QDate(2027, 6, 30), QTime()), 45000.0}),
        insert(*db, groups, groupKey, groupColumns, {retraining, QStringLiteral("ПП-202"), QStringLiteral("Информационные системы в экономике"), QDateTime(QDate(2027, 5, 31), QTime()), 52000.0}),
        insert(*db, groups, groupKey, groupColumns, {preparatory, QStringLiteral("ПО-1"), QStringLiteral("Подготовка к поступлению: математика и физика"), QDateTime(QDate(2027, 5, 20), QTime()), 30000.0}),
        insert(*db, groups, groupKey, groupColumns, {preparatory, QStringLiteral("ПО-2"), QStringLiteral("Подготовка к поступлению: русский язык"), QDateTime(QDate(2027, 5, 20), QTime()), 0.0}),
    };

    QList<QVariant> students;
    for (const QString &name : Students)
        students.append(insert(*db, QStringLiteral("s_fio"), QStringLiteral("id_student"), {QStringLiteral("s_fio")}, {name}));

    QList<QVariant> comeOrders, leaveOrders;
    for (const QString &text : {QStringLiteral("О зачислении слушателей ФПК"), QStringLiteral("О зачислении слушателей ФПП"),
                                QStringLiteral("О зачислении на подготовительное отделение"), QStringLiteral("О дополнительном зачислении")})
        comeOrders.append(insert(*db, QStringLiteral("prikaz_come_slushatel"), QStringLiteral("id_prikaz_come_slushatel"),
                                 {QStringLiteral("prikaz_come")}, {text}));
    for (const QString &text : {QStringLiteral("Об отчислении по собственному желанию"), QStringLiteral("Об отчислении за неуплату"),
                                QStringLiteral("Об отчислении в связи с окончанием обучения")})
        leaveOrders.append(insert(*db, QStringLiteral("prikaz_leave_slushatel"), QStringLiteral("id_prikaz_leave_slushatel"),
                                  {QStringLiteral("prikaz_leave")}, {text}));

    // Each group but the last gets a run of students; some of them have left.
    const QStringList movementColumns{QStringLiteral("id_student"), QStringLiteral("id_group_slushatel"),
                                      QStringLiteral("id_prikaz_come_slushatel"), QStringLiteral("come_date"), QStringLiteral("come_reg"),
                                      QStringLiteral("id_prikaz_leave_slushatel"), QStringLiteral("leave_date"), QStringLiteral("leave_reg")};
    int student = 0;
    const QList<int> sizes{7, 5, 6, 4, 2, 0};
    for (int g = 0; g < groupIds.size(); ++g) {
        const QDate come(2026, 9, 1 + g);
        for (int k = 0; k < sizes[g]; ++k, ++student) {
            const bool left = k % 4 == 3;
            insert(*db, QStringLiteral("movement_slushatel"), QStringLiteral("id_movement"), movementColumns,
                   {students[student % students.size()], groupIds[g], comeOrders[g / 2 == 2 ? 2 : g % 2],
                    QDateTime(come, QTime()), QStringLiteral("%1-к").arg(10 + g),
                    left ? leaveOrders[k % leaveOrders.size()] : QVariant(),
                    left ? QVariant(QDateTime(come.addDays(40 + k), QTime())) : QVariant(),
                    left ? QVariant(QStringLiteral("%1-о").arg(100 + student)) : QVariant()});
        }
    }
}

} // namespace qor::admin
