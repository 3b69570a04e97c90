#include "controls/DatePicker.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>

#include <utility>

namespace qor {

DatePicker::DatePicker(QWidget *parent) : QDateTimeEdit(parent)
{
    setCalendarPopup(true);
    setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    lineEdit()->installEventFilter(this);
}

bool DatePicker::eventFilter(QObject *watched, QEvent *event)
{
    // A click leaves a bare caret inside a part, where the toolkit's editor
    // would insert digits and then refuse the too long part silently: the
    // next digit replaces the part under the caret instead.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonPress) {
        m_caretPlaced = true;
        m_justAdvanced = false;
    }
    return QDateTimeEdit::eventFilter(watched, event);
}

void DatePicker::selectPartAtCaret()
{
    // The editor's own idea of the current part is stale when the click
    // did not move the caret, so the part is found from the text.
    const QString shown = lineEdit()->text();
    const int caret = lineEdit()->cursorPosition();
    int from = 0;
    for (int i = 0; i < sectionCount(); ++i) {
        const QString part = sectionText(sectionAt(i));
        const int start = shown.indexOf(part, from);
        if (start < 0)
            return;
        from = start + part.size();
        if (caret <= from || i == sectionCount() - 1) {
            setCurrentSectionIndex(i);
            setSelectedSection(sectionAt(i));
            return;
        }
    }
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
    const bool digit = plain && text.size() == 1 && text[0].isDigit();
    const bool separator = plain && text.size() == 1 && QStringLiteral("./,- ").contains(text[0]);
    if (std::exchange(m_caretPlaced, false) && (digit || separator) && !lineEdit()->hasSelectedText())
        selectPartAtCaret();
    if (separator) {
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
    m_justAdvanced = digit && currentSectionIndex() != before;
    // Home, End and the arrows leave a bare caret as a click does.
    const bool caretMoved = !(event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier))
                            && (event->key() == Qt::Key_Home || event->key() == Qt::Key_End
                                || event->key() == Qt::Key_Left || event->key() == Qt::Key_Right);
    if (caretMoved && !lineEdit()->hasSelectedText())
        m_caretPlaced = true;
}

void DatePicker::focusInEvent(QFocusEvent *event)
{
    QDateTimeEdit::focusInEvent(event);
    m_justAdvanced = false;
    m_caretPlaced = false;
    // From whichever side it is entered, typing starts with the day.
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason)
        setSelectedSection(QDateTimeEdit::DaySection);
}

} // namespace qor
