#include "screens/TForm16.h"

#include "controls/ClassicLook.h"
#include "controls/DatePicker.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/DataSource.h"
#include "data/RowValues.h"
#include "data/Statements.h"
#include "data/StudentStatements.h"
#include "data/TDM.h"
#include "engine/Error.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor {

TForm16 *Form16 = nullptr;

namespace {

// As long as the order numbers the roster keeps.
constexpr int OrderNumberLength = 20;

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(tahoma(11, true));
    return label;
}

} // namespace

TForm16::TForm16(Query *rows, int row, const QString &studentName, QWidget *parent)
    : SecondaryWindow(parent), m_rows(rows), m_row(row)
{
    setFont(tahoma(11));
    setWindowTitle(QStringLiteral("Перевод в другую группу"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    new DecorativeStrip(this);
    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);

    auto *name = new QLabel(studentName, this);
    name->setObjectName(QStringLiteral("Label1"));
    name->setFont(tahoma(13, true));
    grid->addWidget(boldLabel(QStringLiteral("Слушатель:"), this), 0, 0);
    grid->addWidget(name, 0, 1, 1, 5);
    m_fromWhere = new QLabel(this);
    m_fromWhere->setObjectName(QStringLiteral("Label2"));
    m_fromWhere->setWordWrap(true);
    grid->addWidget(boldLabel(QStringLiteral("Сейчас:"), this), 1, 0);
    grid->addWidget(m_fromWhere, 1, 1, 1, 5);

    m_faculties = new Query(DM->ADOCon, QStringLiteral("ADOQ_transfer_faculties"), this);
    m_groups = new Query(DM->ADOCon, QStringLiteral("ADOQ_transfer_groups"), this);
    m_facultyList = new LookupList(this);
    m_facultyList->setObjectName(QStringLiteral("DBLookupComboBox1"));
    m_facultyList->setListSource(new DataSource(m_faculties, QStringLiteral("DS_transfer_faculties"), this),
                                 QStringLiteral("p23-1"), QStringLiteral("id_faculty"));
    m_groupList = new LookupList(this);
    m_groupList->setObjectName(QStringLiteral("DBLookupComboBox2"));
    m_groupList->setListSource(new DataSource(m_groups, QStringLiteral("DS_transfer_groups"), this),
                               QStringLiteral("name_full"), QStringLiteral("id_group_slushatel"));
    grid->addWidget(boldLabel(QStringLiteral("Перевести в группу"), this), 3, 0, 1, 6);
    grid->addWidget(boldLabel(QStringLiteral("Факультет:"), this), 4, 0);
    grid->addWidget(m_facultyList, 4, 1, 1, 5);
    grid->addWidget(boldLabel(QStringLiteral("Группа:"), this), 5, 0);
    grid->addWidget(m_groupList, 5, 1, 1, 5);

    const auto orderLine = [&](int line, const QString &heading, LookupList *&order, QLineEdit *&number,
                               DatePicker *&day, int firstName) {
        order = new LookupList(this);
        order->setObjectName(QStringLiteral("DBLookupComboBox%1").arg(firstName));
        number = new QLineEdit(this);
        number->setObjectName(QStringLiteral("Edit%1").arg(firstName - 2));
        number->setMaxLength(OrderNumberLength);
        number->setFixedWidth(110);
        day = new DatePicker(this);
        day->setObjectName(QStringLiteral("DateTimePicker%1").arg(firstName - 2));
        day->setFixedWidth(120);
        grid->addWidget(boldLabel(heading, this), line, 0, 1, 6);
        grid->addWidget(boldLabel(QStringLiteral("Приказ:"), this), line + 1, 0);
        grid->addWidget(order, line + 1, 1);
        grid->addWidget(boldLabel(QStringLiteral("№:"), this), line + 1, 2);
        grid->addWidget(number, line + 1, 3);
        grid->addWidget(boldLabel(QStringLiteral("Дата:"), this), line + 1, 4);
        grid->addWidget(day, line + 1, 5);
    };
    // A little room between the parts: where from, where to, the two orders.
    for (int gap : {2, 6, 9})
        grid->setRowMinimumHeight(gap, 6);
    orderLine(7, QStringLiteral("Отчисление из нынешней группы"), m_leaveOrder, m_leaveNumber, m_leaveDate, 3);
    orderLine(10, QStringLiteral("Зачисление в новую группу"), m_comeOrder, m_comeNumber, m_comeDate, 4);
    m_leaveOrder->setListSource(DM->DS_prikaz_leave_slushatel, QStringLiteral("prikaz_leave"),
                                QStringLiteral("id_prikaz_leave_slushatel"));
    m_comeOrder->setListSource(DM->DS_Prikaz_come_slushatel, QStringLiteral("prikaz_come"),
                               QStringLiteral("id_prikaz_come_slushatel"));

    auto *buttons = new QHBoxLayout;
    m_transfer = new QPushButton(QStringLiteral("Перевести"), this);
    m_transfer->setObjectName(QStringLiteral("Button1"));
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    for (QPushButton *button : {m_transfer, m_cancel}) {
        button->setFont(tahoma(11, true));
        button->setMinimumWidth(108);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_transfer);
    buttons->addWidget(m_cancel);
    layout->addStretch(1);
    layout->addLayout(buttons);

    for (auto [from, to] : {std::pair<QWidget *, QWidget *>{m_facultyList, m_groupList},
                            {m_groupList, m_leaveOrder},
                            {m_leaveOrder, m_leaveNumber},
                            {m_leaveNumber, m_leaveDate},
                            {m_leaveDate, m_comeOrder},
                            {m_comeOrder, m_comeNumber},
                            {m_comeNumber, m_comeDate},
                            {m_comeDate, m_transfer},
                            {m_transfer, m_cancel}})
        setTabOrder(from, to);

    connect(m_facultyList, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox1Click(); }); });
    connect(m_transfer, &QPushButton::clicked, this, [this] { runUserAction([this] { Button1Click(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // One transfer order usually serves both rows: the enrolment's number and
    // day follow the expulsion's until the user changes them.
    connect(m_leaveNumber, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!m_comeNumberOwn)
            m_comeNumber->setText(text);
    });
    connect(m_comeNumber, &QLineEdit::textEdited, this, [this] { m_comeNumberOwn = true; });
    connect(m_leaveDate, &QDateTimeEdit::dateChanged, this, [this](const QDate &day) {
        if (m_comeDateOwn)
            return;
        m_following = true;
        m_comeDate->setDate(day);
        m_following = false;
    });
    connect(m_comeDate, &QDateTimeEdit::dateChanged, this, [this] {
        if (!m_following)
            m_comeDateOwn = true;
    });
    m_leaveDate->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0))); // the enrolment's day follows

    setOuterSize(this, QSize(660, 320), mainWindow());
    TDM::reopen(m_faculties, statements::facultiesWithGroups());
    showFromWhere();
    m_facultyList->setFocus();
}

TForm16::~TForm16() = default;

void TForm16::showFromWhere()
{
    const QVariant group = m_rows->valueAt(m_row, m_rows->findField(QStringLiteral("id_group_slushatel")));
    const QDate come = m_rows->valueAt(m_row, m_rows->findField(QStringLiteral("come_date"))).toDateTime().date();
    Query place(DM->ADOCon);
    place.setSql(statements::groupPlace(group));
    place.open();
    QString text = place.isEmpty() ? QStringLiteral("группа не найдена")
                                   : QStringLiteral("группа «%1», %2").arg(place.asString(0), place.asString(1));
    if (come.isValid())
        text += QStringLiteral(", зачислен %1").arg(dayText(come));
    m_fromWhere->setText(text);
    // The target is usually a group of the same faculty.
    if (!place.isEmpty()) {
        m_facultyList->setKeyValue(place.value(2));
        DBLookupComboBox1Click();
    }
}

void TForm16::DBLookupComboBox1Click()
{
    m_groupList->setKeyValue({});
    TDM::reopen(m_groups, statements::groupsOfFaculty(m_facultyList->keyValue()));
}

Transfer TForm16::transfer() const
{
    Transfer transfer;
    transfer.targetGroup = m_groupList->keyValue();
    transfer.expulsion = {m_leaveOrder->keyValue(), m_leaveNumber->text(), m_leaveDate->date()};
    transfer.enrolment = {m_comeOrder->keyValue(), m_comeNumber->text(), m_comeDate->date()};
    return transfer;
}

bool TForm16::groupTermAccepted(const Transfer &transfer)
{
    const int row = m_groups->lookupRow(QStringLiteral("id_group_slushatel"), transfer.targetGroup);
    if (row < 0)
        return true;
    const QVariant termEnd = m_groups->valueAt(row, m_groups->findField(QStringLiteral("srok_obuchenia")));
    const QDate today = QDate::currentDate();
    if (!termEndedBy(termEnd, transfer.enrolment.date, today))
        return true;
    const QString group = m_groups->valueAt(row, m_groups->findField(QStringLiteral("name_full"))).toString();
    const QDate end = termEnd.toDateTime().date();
    const QString question =
        end < today ? QStringLiteral("Срок обучения группы «%1» истёк %2. Всё равно перевести слушателя в эту группу?")
                          .arg(group, dayText(end))
                    : QStringLiteral(
                          "Срок обучения группы «%1» истекает %2, раньше дня зачисления %3. Всё равно перевести "
                          "слушателя в эту группу?")
                          .arg(group, dayText(end), dayText(transfer.enrolment.date));
    return askYesNo(question);
}

void TForm16::Button1Click()
{
    const Transfer request = transfer();
    if (const QString reason = request.refusal(*m_rows, m_row); !reason.isEmpty()) {
        showMessage(reason);
        return;
    }
    // Refused before the question, so that nobody answers one in vain.
    const QVariant student = m_rows->valueAt(m_row, m_rows->findField(QStringLiteral("id_student")));
    try {
        request.refuseWhenEnrolledInTarget(DM->ADOCon, student);
    } catch (const Error &e) {
        showMessage(e.text());
        return;
    }
    if (!groupTermAccepted(request))
        return;
    const QVariant added = request.writeFrom(DM->ADOCon, *m_rows, m_row);
    accept();
    emit transferred(added);
}

} // namespace qor
