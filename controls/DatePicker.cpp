#include "controls/DatePicker.h"

#include <QKeyEvent>
#include <QLocale>

namespace qor {

DatePicker::DatePicker(QWidget *parent) : QDateTimeEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
}

bool DatePicker::event(QEvent *event)
{
    // The toolkit's editor would take Tab to move between its sections.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool tab = key->key() == Qt::Key_Tab && !(key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier));
        const bool backtab = key->key() == Qt::Key_Backtab || (tab && (key->modifiers() & Qt::ShiftModifier));
        if (tab || backtab) {
            QWidget::focusNextPrevChild(!backtab);
            return true;
        }
    }
    return QDateTimeEdit::event(event);
}

void DatePicker::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    if (plain && text.size() == 1 && QStringLiteral("./,- ").contains(text[0])) {
        // A separator ends the part being typed and moves to the next one,
        // unless the part was full and the toolkit moved on already.
        const int next = currentSectionIndex() + 1;
        if (!m_justAdvanced && next < sectionCount()) {
            setCurrentSectionIndex(next);
            setSelectedSection(currentSection());
        }
        m_justAdvanced = false;
        return;
    }
    const int before = currentSectionIndex();
    QDateTimeEdit::keyPressEvent(event);
    m_justAdvanced = plain && text.size() == 1 && text[0].isDigit() && currentSectionIndex() != before;
}

void DatePicker::focusInEvent(QFocusEvent *event)
{
    QDateTimeEdit::focusInEvent(event);
    m_justAdvanced = false;
    // From whichever side it is entered, typing starts with the day.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        setSelectedSection(QDateTimeEdit::DaySection);
}

} // namespace qor
