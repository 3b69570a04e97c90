#include "screens/TForm17.h"

#include "controls/ClassicLook.h"
#include "controls/DatePicker.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "controls/OrderFields.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/BulkOrders.h"
#include "data/Query.h"
#include "data/TDM.h"
#include "engine/Error.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QProgressDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace qor {

TForm17 *Form17 = nullptr;

namespace {

constexpr int ProgressAfterMs = 500;

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(tahoma(11, true));
    return label;
}

QString valueText(const Query &rows, int row, const char *field)
{
    return rows.valueAt(row, rows.findField(QString::fromLatin1(field))).toString();
}

QString dayText(const Query &rows, int row, const char *field)
{
    return rows.valueAt(row, rows.findField(QString::fromLatin1(field))).toDateTime().date().toString(QStringLiteral("dd.MM.yyyy"));
}

} // namespace

TForm17::TForm17(Query *roster, const QList<int> &chosen, QWidget *parent)
    : SecondaryWindow(parent)
    , m_roster(roster)
    , m_rows(BulkExpulsion::toBeExpelled(*roster, chosen))
    , m_expelledAlready(BulkExpulsion::alreadyExpelled(*roster, chosen))
{
    setFont(tahoma(11));
    setWindowTitle(QStringLiteral("Отчисление выбранных слушателей"));

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    new DecorativeStrip(this);

    m_toExpelTitle = boldLabel(QString(), this);
    m_toExpelTitle->setObjectName(QStringLiteral("Label1"));
    m_toExpel = new QListWidget(this);
    m_toExpel->setObjectName(QStringLiteral("ListBox1"));
    m_leftAloneTitle = boldLabel(QString(), this);
    m_leftAloneTitle->setObjectName(QStringLiteral("Label2"));
    m_leftAlone = new QListWidget(this);
    m_leftAlone->setObjectName(QStringLiteral("ListBox2"));
    for (QListWidget *list : {m_toExpel, m_leftAlone})
        list->setFocusPolicy(Qt::NoFocus);
    auto *lists = new QHBoxLayout;
    auto *toExpel = new QVBoxLayout;
    toExpel->addWidget(m_toExpelTitle);
    toExpel->addWidget(m_toExpel, 1);
    auto *leftAlone = new QVBoxLayout;
    leftAlone->addWidget(m_leftAloneTitle);
    leftAlone->addWidget(m_leftAlone, 1);
    lists->addLayout(toExpel, 1);
    lists->addLayout(leftAlone, 1);
    layout->addLayout(lists, 1);

    layout->addSpacing(6);
    layout->addWidget(boldLabel(QStringLiteral("Приказ на отчисление"), this));
    m_order = new OrderFields(OrderKind::Expulsion, DM->DS_prikaz_leave_slushatel, this);
    layout->addWidget(m_order);

    auto *buttons = new QHBoxLayout;
    m_expel = new QPushButton(QStringLiteral("Отчислить"), this);
    m_expel->setObjectName(QStringLiteral("Button1"));
    m_cancel = new QPushButton(QStringLiteral("Отмена"), this);
    m_cancel->setObjectName(QStringLiteral("Button2"));
    for (QPushButton *button : {m_expel, m_cancel}) {
        button->setFont(tahoma(11, true));
        button->setMinimumWidth(108);
    }
    buttons->addStretch(1);
    buttons->addWidget(m_expel);
    buttons->addWidget(m_cancel);
    layout->addSpacing(6);
    layout->addLayout(buttons);

    setTabOrder(m_order->dateField(), m_expel);
    setTabOrder(m_expel, m_cancel);
    connect(m_expel, &QPushButton::clicked, this, [this] { runUserAction([this] { Button1Click(); }); });
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    setOuterSize(this, QSize(720, 480), mainWindow());
    listRows();
    m_order->orderList()->setFocus();
}

TForm17::~TForm17() = default;

void TForm17::listRows()
{
    for (int row : std::as_const(m_rows)) {
        const QString come = dayText(*m_roster, row, "come_date");
        m_toExpel->addItem(come.isEmpty() ? valueText(*m_roster, row, "FIO")
                                          : QStringLiteral("%1 (зачислен %2)").arg(valueText(*m_roster, row, "FIO"), come));
    }
    for (int row : std::as_const(m_expelledAlready))
        m_leftAlone->addItem(QStringLiteral("%1 (отчислен %2)")
                                 .arg(valueText(*m_roster, row, "FIO"), dayText(*m_roster, row, "leave_date")));
    // Rows as tall as the grid's, so that the dots of a capital Ё are not cut off.
    for (QListWidget *list : {m_toExpel, m_leftAlone}) {
        for (int i = 0; i < list->count(); ++i)
            list->item(i)->setSizeHint(QSize(0, list->fontMetrics().height() + 6));
    }
    m_toExpelTitle->setText(QStringLiteral("Будут отчислены (%1):").arg(m_rows.size()));
    m_leftAloneTitle->setText(QStringLiteral("Уже отчислены, не меняются (%1):").arg(m_expelledAlready.size()));
    m_expel->setEnabled(!m_rows.isEmpty());
}

void TForm17::Button1Click()
{
    BulkExpulsion expulsion;
    expulsion.expulsion = m_order->entry();
    if (const QString reason = expulsion.refusal(*m_roster, m_rows); !reason.isEmpty()) {
        showMessage(reason);
        return;
    }
    for (const QString &question : questionsBeforeOrder(DM->ADOCon, m_order->orderText(), expulsion.expulsion)) {
        if (!askYesNo(question))
            return;
    }
    // Shown only when the writing lasts: a group of thousands.
    QProgressDialog progress(QStringLiteral("Отчисление слушателей…"), QStringLiteral("Отмена"), 0, 1000, this);
    progress.setWindowTitle(applicationTitle());
    widenForTitle(&progress);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(ProgressAfterMs);
    try {
        expulsion.writeTo(DM->ADOCon, *m_roster, m_rows, [&](double share) {
            progress.setValue(int(share * 1000));
            return !progress.wasCanceled();
        });
    } catch (const ExpulsionCancelled &cancelled) {
        progress.reset();
        showMessage(cancelled.text()); // the user's own choice: no error
        return;
    } catch (const Error &e) {
        if (e.text() != Query::rowChangedText())
            throw;
        // Nothing was written; trying again on the same rows would only be refused again.
        emit rowsChangedElsewhere();
        throw Error(e.text()
                    + QStringLiteral("\nСписок группы будет прочитан заново, когда это окно закроется: "
                                     "выберите строки снова."));
    }
    accept();
    emit expelled(int(m_rows.size()));
}

} // namespace qor
