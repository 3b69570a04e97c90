#pragma once

#include <QDateTimeEdit>

namespace qor {

// A date picker: the local short date with a drop-down month calendar,
// holding a date and time. Left and Right move between day, month and year;
// Tab leaves it, as it leaves every other control.
class DatePicker : public QDateTimeEdit
{
    Q_OBJECT

public:
    explicit DatePicker(QWidget *parent = nullptr);

protected:
    bool focusNextPrevChild(bool next) override;
};

} // namespace qor
