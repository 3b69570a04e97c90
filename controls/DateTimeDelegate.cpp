#include "controls/DateTimeDelegate.h"

#include "controls/QueryModel.h"
#include "data/DateTimeText.h"

#include <QCalendarWidget>
#include <QFrame>
#include <QKeyEvent>
#include <QScreen>
#include <QToolButton>
#include <QVBoxLayout>

namespace qor {

namespace {

// Escape closes the calendar without picking.
class CalendarPopup : public QFrame {
public:
    using QFrame::QFrame;

protected:
    void keyPressEvent(QKeyEvent *event) override
    {
        if (event->key() == Qt::Key_Escape) {
            hide();
            parentWidget()->setFocus();
            return;
        }
        QFrame::keyPressEvent(event);
    }
};

} // namespace

DateTimeEdit::DateTimeEdit(QWidget *parent)
    : QLineEdit(parent)
    // Parented to the editor, so that the grid does not take focus moving
    // into the calendar for the editor being left.
    , m_popup(new CalendarPopup(this, Qt::Popup))
    , m_calendar(new QCalendarWidget(m_popup))
    , m_button(new QToolButton(this))
{
    m_popup->setFrameStyle(QFrame::Box | QFrame::Plain);
    auto *layout = new QVBoxLayout(m_popup);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_calendar);
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    connect(m_calendar, &QCalendarWidget::clicked, this, &DateTimeEdit::pickDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &DateTimeEdit::pickDate);

    // The drop-down button at the right, drawn by the style as a combo box's.
    m_button->setArrowType(Qt::DownArrow);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->setCursor(Qt::ArrowCursor);
    m_button->setToolTip(tr("Календарь"));
    connect(m_button, &QToolButton::clicked, this, &DateTimeEdit::showCalendar);
}

void DateTimeEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    const int side = std::min(height(), 17);
    m_button->setGeometry(width() - side, (height() - side) / 2, side, side);
    setTextMargins(0, 0, side, 0);
}

void DateTimeEdit::showCalendar()
{
    const QDateTime current = parseLocalDateTime(text());
    const QDate date = current.isValid() ? current.date() : QDate::currentDate();
    m_calendar->setSelectedDate(date);

    m_popup->adjustSize();
    const QSize size = m_popup->sizeHint();
    QPoint at = mapToGlobal(QPoint(0, height()));
    if (const QScreen *screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        if (at.y() + size.height() > area.bottom())
            at.setY(mapToGlobal(QPoint(0, 0)).y() - size.height());
        at.setX(qBound(area.left(), at.x(), area.right() - size.width()));
    }
    m_popup->move(at);
    m_popup->show();
    m_calendar->setFocus();
}

void DateTimeEdit::hideCalendar()
{
    m_popup->hide();
}

void DateTimeEdit::pickDate(const QDate &date)
{
    const QDateTime current = parseLocalDateTime(text());
    const QTime time = current.isValid() ? current.time() : QTime(0, 0);
    setText(localDateTimeText(QDateTime(date, time)));
    setModified(true);
    // A picked day is an edit like typing it.
    emit textEdited(text());
    hideCalendar();
    setFocus();
}

void DateTimeEdit::keyPressEvent(QKeyEvent *event)
{
    const bool altArrow = (event->modifiers() & Qt::AltModifier)
        && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up);
    if (altArrow || (event->key() == Qt::Key_F4 && event->modifiers() == Qt::NoModifier)) {
        showCalendar();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

DateTimeDelegate::DateTimeDelegate(const GridColumn &column, QObject *parent)
    : CellDelegate(column, parent)
{
}

QWidget *DateTimeDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                        const QModelIndex &index) const
{
    if (column().readOnly)
        return nullptr;
    auto *edit = new DateTimeEdit(parent);
    edit->setFrame(false);
    edit->setAlignment(column().alignment);
    colourEditor(edit);
    handTypedText(edit, index);
    return edit;
}

void DateTimeDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *edit = qobject_cast<DateTimeEdit *>(editor);
    if (!edit)
        return;
    const QVariant value = index.data(Qt::EditRole);
    const QDateTime dateTime = value.toDateTime();
    edit->setText(dateTime.isValid() ? localDateTimeText(dateTime) : QString());
}

void DateTimeDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    // A result set is handed the text, which it converts itself.
    auto *edit = qobject_cast<DateTimeEdit *>(editor);
    if (!edit || handFinalText(edit, index) || !edit->isModified())
        return;
    const QString text = edit->text().trimmed();
    if (text.isEmpty()) {
        model->setData(index, QVariant(), Qt::EditRole);
        return;
    }
    const QDateTime value = parseLocalDateTime(text);
    model->setData(index, value.isValid() ? QVariant(value) : QVariant(text), Qt::EditRole);
}

} // namespace qor
