#include "controls/DatePicker.h"

#include <QLocale>

namespace qor {

DatePicker::DatePicker(QWidget *parent) : QDateTimeEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
}

bool DatePicker::focusNextPrevChild(bool next)
{
    return QWidget::focusNextPrevChild(next);
}

} // namespace qor
