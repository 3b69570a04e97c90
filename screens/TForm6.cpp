#include "screens/TForm6.h"

#include "controls/ClassicLook.h"
#include "controls/LookupList.h"
#include "controls/UserAction.h"
#include "controls/WindowPlacement.h"
#include "data/Statements.h"
#include "data/TDM.h"
#include "ui_TForm6.h"

namespace qor {

TForm6 *Form6 = nullptr;

TForm6::TForm6(const QVariant &group, QWidget *parent)
    : SecondaryWindow(parent), ui(std::make_unique<Ui::TForm6>()), m_group(group)
{
    ui->setupUi(this);
    setFont(tahoma(11));
    for (QWidget *bold : findChildren<QLabel *>())
        bold->setFont(tahoma(11, true));
    ui->Button1->setFont(tahoma(11, true));
    ui->Button2->setFont(tahoma(11, true));
    setOuterSize(this, QSize(490, 263), mainWindow());

    ui->DBLookupComboBox1->setListSource(DM->DS_add_student, QStringLiteral("s_fio"), QStringLiteral("id_student"));
    ui->DBLookupComboBox2->setListSource(DM->DS_Prikaz_come_slushatel, QStringLiteral("prikaz_come"),
                                         QStringLiteral("id_prikaz_come_slushatel"));
    connect(ui->DBLookupComboBox1, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox1Click(); }); });
    connect(ui->DBLookupComboBox2, &LookupList::picked, this, [this] { runUserAction([this] { DBLookupComboBox2Click(); }); });
    connect(ui->Button1, &QPushButton::clicked, this, [this] { runUserAction([this] { Button1Click(); }); });
    connect(ui->Button2, &QPushButton::clicked, this, [this] { runUserAction([this] { Button2Click(); }); });
    FormCreate();
}

TForm6::~TForm6() = default;

void TForm6::FormCreate()
{
    TDM::reopen(DM->ADOQ_add_student, statements::studentsNotInGroup(m_group));
    ui->DateTimePicker1->setDateTime(QDateTime::currentDateTime());
}

void TForm6::enableAddWhenBothPicked()
{
    const auto chosen = [](const LookupList *list) { return !list->keyValue().isNull() && list->keyValue().isValid(); };
    ui->Button1->setEnabled(chosen(ui->DBLookupComboBox1) && chosen(ui->DBLookupComboBox2));
}

void TForm6::DBLookupComboBox1Click()
{
    enableAddWhenBothPicked();
}

void TForm6::DBLookupComboBox2Click()
{
    enableAddWhenBothPicked();
}

void TForm6::Button1Click()
{
    Query *exec = DM->ADOQ_Exec;
    exec->setSql(statements::addToGroup(ui->DBLookupComboBox1->keyValue(), m_group,
                                        ui->DBLookupComboBox2->keyValue(), ui->DateTimePicker1->date(), ui->Edit1->text()));
    exec->execSql();
    emit studentAdded();
    // Ready for the next student; the order number is often the same.
    ui->DBLookupComboBox1->setKeyValue({});
    ui->DBLookupComboBox2->setKeyValue({});
    ui->DateTimePicker1->setDateTime(QDateTime::currentDateTime());
    enableAddWhenBothPicked();
    // The disabled button would hand the focus to "Отмена", and Enter would
    // then close the dialog: go on with the next student instead.
    ui->DBLookupComboBox1->setFocus();
}

void TForm6::Button2Click()
{
    close();
}

} // namespace qor
