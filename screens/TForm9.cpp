#include "screens/TForm9.h"

#include "controls/ClassicLook.h"
#include "controls/DatePicker.h"
#include "controls/UserAction.h"
#include "data/TDM.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

namespace qor {

TForm9 *Form9 = nullptr;

namespace {

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(tahoma(11, true));
    return label;
}

} // namespace

TForm9::TForm9(QWidget *parent) : ReportWindow(QStringLiteral("Движение контингента"), parent)
{
    const QDate today = QDate::currentDate();
    m_first = new DatePicker(this);
    m_first->setObjectName(QStringLiteral("DateTimePicker1"));
    m_first->setDate(QDate(today.year(), today.month(), 1));
    m_last = new DatePicker(this);
    m_last->setObjectName(QStringLiteral("DateTimePicker2"));
    m_last->setDate(today);
    m_faculty = new QComboBox(this);
    m_faculty->setObjectName(QStringLiteral("ComboBox1"));
    m_faculty->setMinimumWidth(260);
    choices()->addWidget(boldLabel(QStringLiteral("Период с:"), this));
    choices()->addWidget(m_first);
    choices()->addWidget(boldLabel(QStringLiteral("по:"), this));
    choices()->addWidget(m_last);
    choices()->addSpacing(16);
    choices()->addWidget(boldLabel(QStringLiteral("Факультет:"), this));
    choices()->addWidget(m_faculty);
    choices()->addStretch(1);

    orderTabs({m_first, m_last, m_faculty});
    loadFaculties();
    refresh();
    // Connected once the window holds its first report: setting the
    // defaults reads nothing twice.
    connect(m_first, &QDateTimeEdit::dateChanged, this, [this] { choiceChanged(false); });
    connect(m_last, &QDateTimeEdit::dateChanged, this, [this] { choiceChanged(false); });
    connect(m_faculty, &QComboBox::currentIndexChanged, this, [this] { choiceChanged(true); });
}

TForm9::~TForm9() = default;

void TForm9::loadFaculties()
{
    m_faculty->addItem(QStringLiteral("Все факультеты"), QVariant());
    runUserAction([this] {
        for (const FacultyChoice &faculty : facultiesWithGroups(DM->ADOCon))
            m_faculty->addItem(faculty.name, faculty.key);
    });
}

void TForm9::choiceChanged(bool picked)
{
    if (m_first->date() > m_last->date()) {
        showNoReport(QStringLiteral("Начало периода позже его конца. Поставьте в поле «Период с» день не позже дня в поле «по»."));
        return;
    }
    // A date is typed digit by digit; a faculty is picked at once.
    if (picked)
        refresh();
    else
        refreshSoon();
}

GroupReport TForm9::readReport()
{
    const bool all = m_faculty->currentIndex() <= 0;
    return contingentReport(DM->ADOCon, m_first->date(), m_last->date(), all ? QVariant() : m_faculty->currentData(),
                            all ? QString() : m_faculty->currentText());
}

} // namespace qor
