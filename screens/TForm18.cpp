#include "screens/TForm18.h"

#include "controls/CheckList.h"
#include "controls/ClassicLook.h"
#include "controls/DatePicker.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "controls/OrderFields.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/BulkOrders.h"
#include "data/Query.h"
#include "data/Statements.h"
#include "data/TDM.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor {

TForm18 *Form18 = nullptr;

namespace {

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(tahoma(11, true));
    return label;
}

// The group's full name and its faculty's, as its roster is headed.
QString groupName(const QVariant &group)
{
    Query place(DM->ADOCon);
    place.setSql(statements::groupAndFaculty(group));
    place.open();
    return place.isEmpty() ? QString() : QStringLiteral("%1 (%2)").arg(place.asString(0), place.asString(1));
}

} // namespace

TForm18::TForm18(const QVariant &group, QWidget *parent) : SecondaryWindow(parent), m_group(group)
{
    setFont(tahoma(11));
    setWindowTitle(QStringLiteral("Зачисление слушателей списком"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    new DecorativeStrip(this);

    auto *groupLine = new QHBoxLayout;
    auto *name = new QLabel(groupName(group), this);
    name->setObjectName(QStringLiteral("Label2"));
    name->setFont(tahoma(13, true));
    groupLine->addWidget(boldLabel(QStringLiteral("Группа:"), this));
    groupLine->addWidget(name, 1);
    layout->addLayout(groupLine);
    layout->addSpacing(4);
    layout->addWidget(boldLabel(QStringLiteral("Слушатели, ещё не зачисленные в группу (отметьте щелчком или пробелом):"), this));

    m_candidates = new Query(DM->ADOCon, QStringLiteral("ADOQ_enrol_list"), this);
    m_candidates->setReadOnly(true);
    m_students = new CheckList(this);
    m_students->setObjectName(QStringLiteral("CheckList1"));
    m_students->filterField()->setFont(tahoma(12));
    layout->addWidget(m_students, 1);

    layout->addSpacing(6);
    layout->addWidget(boldLabel(QStringLiteral("Приказ на зачисление"), this));
    m_order = new OrderFields(OrderKind::Enrolment, DM->DS_Prikaz_come_slushatel, this);
    layout->addWidget(m_order);

    auto *buttons = new QHBoxLayout;
    m_enrol = new QPushButton(QStringLiteral("Зачислить"), this);
    m_enrol->setObjectName(QStringLiteral("Button1"));
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    for (QPushButton *button : {m_enrol, m_cancel}) {
        button->setFont(tahoma(11, true));
        button->setMinimumWidth(108);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_enrol);
    buttons->addWidget(m_cancel);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    setTabOrder(m_students->filterField(), m_students->listView());
    setTabOrder(m_students->listView(), m_order->orderList());
    setTabOrder(m_order->dateField(), m_enrol);
    setTabOrder(m_enrol, m_cancel);
    connect(m_enrol, &QPushButton::clicked, this, [this] { runUserAction([this] { Button1Click(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setOuterSize(this, QSize(640, 600), mainWindow());
    m_candidates->setSql(statements::studentsNotInGroup(group));
    m_candidates->open();
    m_students->setSource(m_candidates, QStringLiteral("s_fio"), QStringLiteral("id_student"));
    m_students->filterField()->setFocus();
}

TForm18::~TForm18() = default;

void TForm18::Button1Click()
{
    BulkEnrolment enrolment;
    enrolment.group = m_group;
    enrolment.enrolment = m_order->entry();
    enrolment.students = m_students->checkedKeys();
    if (const QString reason = enrolment.refusal(); !reason.isEmpty()) {
        showMessage(reason);
        return;
    }
    for (const QString &question : questionsBeforeOrder(DM->ADOCon, m_order->orderText(), enrolment.enrolment)) {
        if (!askYesNo(question))
            return;
    }
    enrolment.writeTo(DM->ADOCon);
    accept();
    emit enrolled(int(enrolment.students.size()));
}

} // namespace qor
