#include "controls/OrderFields.h"

#include "controls/ClassicLook.h"
#include "controls/DatePicker.h"
#include "controls/LookupList.h"
#include "controls/MessageBoxes.h"
#include "controls/UserAction.h"
#include "data/DataSource.h"
#include "data/Query.h"
#include "engine/Error.h"

#include <QGridLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace qor {

namespace {

// As long as the order numbers the roster keeps.
constexpr int OrderNumberLength = 20;
// As long as the texts the order lists keep.
constexpr int OrderTextLength = 50;

QLabel *boldLabel(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(tahoma(11, true));
    return label;
}

QString textField(OrderKind kind)
{
    return kind == OrderKind::Enrolment ? QStringLiteral("prikaz_come") : QStringLiteral("prikaz_leave");
}

QString keyField(OrderKind kind)
{
    return kind == OrderKind::Enrolment ? QStringLiteral("id_prikaz_come_slushatel")
                                        : QStringLiteral("id_prikaz_leave_slushatel");
}

} // namespace

OrderFields::OrderFields(OrderKind kind, DataSource *orders, QWidget *parent)
    : QWidget(parent), m_kind(kind), m_orders(orders)
{
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    grid->setColumnStretch(1, 1);

    m_order = new LookupList(this);
    m_order->setObjectName(QStringLiteral("DBLookupComboBox1"));
    m_order->setListSource(orders, textField(kind), keyField(kind));
    m_newOrder = new QPushButton(QStringLiteral("Новый приказ…"), this);
    m_newOrder->setObjectName(QStringLiteral("SpeedButton1"));
    m_newOrder->setFont(tahoma(11, true));
    m_number = new QLineEdit(this);
    m_number->setObjectName(QStringLiteral("Edit2"));
    m_number->setMaxLength(OrderNumberLength);
    m_number->setFixedWidth(121);
    m_date = new DatePicker(this);
    m_date->setObjectName(QStringLiteral("DateTimePicker1"));
    m_date->setFixedWidth(120);
    m_date->setDateTime(QDateTime(QDate::currentDate(), QTime(0, 0)));

    grid->addWidget(boldLabel(QStringLiteral("Приказ:"), this), 0, 0);
    grid->addWidget(m_order, 0, 1, 1, 3);
    grid->addWidget(m_newOrder, 0, 4);
    grid->addWidget(boldLabel(QStringLiteral("№ приказа:"), this), 1, 0);
    grid->addWidget(m_number, 1, 1, Qt::AlignLeft);
    grid->addWidget(boldLabel(QStringLiteral("Дата приказа:"), this), 1, 2, Qt::AlignRight);
    grid->addWidget(m_date, 1, 3, Qt::AlignLeft);

    setTabOrder(m_order, m_newOrder);
    setTabOrder(m_newOrder, m_number);
    setTabOrder(m_number, m_date);
    connect(m_newOrder, &QPushButton::clicked, this, [this] { runUserAction([this] { SpeedButton1Click(); }); });
}

OrderEntry OrderFields::entry() const
{
    return {m_order->keyValue(), m_number->text().trimmed(), m_date->date()};
}

QString OrderFields::orderText() const
{
    const Query *orders = m_orders->dataSet();
    const int row = orders->lookupRow(keyField(m_kind), m_order->keyValue());
    return row < 0 ? QString() : orders->valueAt(row, orders->findField(textField(m_kind))).toString();
}

void OrderFields::SpeedButton1Click()
{
    const QString caption = m_kind == OrderKind::Enrolment ? QStringLiteral("Новый приказ на зачисление")
                                                            : QStringLiteral("Новый приказ на отчисление");
    QInputDialog ask(this);
    ask.setWindowTitle(caption);
    ask.setLabelText(QStringLiteral("Текст приказа:"));
    ask.setOkButtonText(QStringLiteral("Добавить"));
    ask.setCancelButtonText(QStringLiteral("Отмена"));
    ask.setInputMode(QInputDialog::TextInput);
    // The list keeps no longer a text: the field takes no more than it, and
    // is wide enough to show it.
    if (auto *field = ask.findChild<QLineEdit *>()) {
        field->setMaxLength(OrderTextLength);
        field->setMinimumWidth(field->fontMetrics().averageCharWidth() * OrderTextLength);
    }
    // A text the list refuses is asked again, as it was typed.
    for (;;) {
        if (ask.exec() != QDialog::Accepted)
            return;
        try {
            m_order->setKeyValue(appendOrderText(*m_orders->dataSet(), m_kind, ask.textValue()));
            break;
        } catch (const Error &e) {
            showErrorDisplay(e.text());
        }
    }
    m_number->setFocus();
}

} // namespace qor
