#pragma once

#include "controls/SecondaryWindow.h"

#include <QVariant>

#include <memory>

namespace Ui {
class TForm6;
}

namespace qor {

// The add-to-group dialog: lists the students who are not yet in the group
// chosen in the main window and enrols the one picked, by the order picked,
// with its number and date, one row per press of "Добавить".
class TForm6 : public SecondaryWindow
{
    Q_OBJECT

public:
    // group: the group the students are added to.
    explicit TForm6(const QVariant &group, QWidget *parent = nullptr);
    ~TForm6() override;

    void FormCreate();
    void DBLookupComboBox1Click();
    void DBLookupComboBox2Click();
    void Button1Click();
    void Button2Click();

signals:
    // A student was added to the group.
    void studentAdded();

private:
    void enableAddWhenBothPicked();

    std::unique_ptr<Ui::TForm6> ui;
    QVariant m_group;
};

extern TForm6 *Form6;

} // namespace qor
