#include "controls/RowEditor.h"

#include "controls/MessageBoxes.h"
#include "data/Query.h"
#include "engine/Error.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScopedValueRollback>

namespace qor {

namespace {

// Counts the key presses, mouse presses and window close requests the
// program receives. A refusal's message box takes the focus and, under a
// window manager, hands it back only after its own loop has ended, so the
// focus changes that one press causes reach the editor after the refusal
// has been shown; by the count they are told apart from what the next
// press asks, which is asked afresh.
class InputCounter : public QObject
{
public:
    quint64 serial = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::Close: // a window's close button is pressed outside the program
            ++serial;
            break;
        default:
            break;
        }
        return false;
    }
};

quint64 inputSerial()
{
    static InputCounter *counter = [] {
        auto *c = new InputCounter;
        c->setParent(QCoreApplication::instance());
        QCoreApplication::instance()->installEventFilter(c);
        return c;
    }();
    return counter->serial;
}

} // namespace

RowEditor *RowEditor::of(Query *query)
{
    if (auto *editor = query->findChild<RowEditor *>(QString(), Qt::FindDirectChildrenOnly))
        return editor;
    return new RowEditor(query);
}

RowEditor::RowEditor(Query *query) : QObject(query), m_query(query)
{
    inputSerial(); // counting from now on
    // The rows the text was typed into are gone or left.
    connect(query, &Query::opened, this, &RowEditor::forgetText);
    connect(query, &Query::closed, this, &RowEditor::forgetText);
    connect(query, &Query::currentRowChanged, this, &RowEditor::forgetText);
    connect(query, &Query::opened, this, &RowEditor::changed);
    connect(query, &Query::closed, this, &RowEditor::changed);
    connect(query, &Query::stateChanged, this, &RowEditor::changed);
    connect(query, &Query::rowInserted, this, &RowEditor::changed);
    connect(query, &Query::rowRemoved, this, &RowEditor::changed);
    connect(query, &Query::currentRowChanged, this, &RowEditor::changed);
}

bool RowEditor::canModify() const
{
    return m_query && m_query->canModify();
}

bool RowEditor::isEditing() const
{
    return m_query && m_query->isEditing();
}

bool RowEditor::isNewRow() const
{
    return m_query && m_query->state() == Query::State::Insert;
}

bool RowEditor::isUntouchedNewRow() const
{
    // Text typed into a cell is a change, even before it goes into the row.
    return m_query && m_query->isUntouchedNewRow() && !hasPendingText();
}

int RowEditor::currentRow() const
{
    return m_query ? m_query->currentRow() : -1;
}

bool RowEditor::isRefusing() const
{
    return m_reporting || (m_textRefused && m_refusedAt == inputSerial());
}

void RowEditor::forgetText()
{
    m_pending = {};
    m_textRefused = false;
}

void RowEditor::textTyped(int field, const QString &text)
{
    // The same text again is no new edit: a refusal of it stands.
    if (hasPendingText() && m_pending.field == field && m_pending.text == text && m_pending.row == currentRow())
        return;
    m_pending = {currentRow(), field, text};
    m_textRefused = false;
    // Typing into a row puts it into editing at once, as the navigator's
    // post button and the row marker show.
    attempt([&] {
        if (m_query->state() == Query::State::Browse && !m_query->eof())
            m_query->edit();
    });
}

void RowEditor::dropText()
{
    forgetText();
}

bool RowEditor::commitText()
{
    if (!hasPendingText())
        return true;
    // A refusal is on screen: the focus its message box takes and gives back
    // asks nothing. Or refused already in this same press, as its focus moved on.
    if (m_reporting || (m_textRefused && isRefusing()))
        return false;
    if (m_pending.row != currentRow()) {
        forgetText(); // typed into a row that is no longer current
        return true;
    }
    const PendingText pending = m_pending;
    const QString reason = reasonOf([&] { m_query->setText(pending.field, pending.text); });
    if (reason.isNull()) {
        forgetText();
        return true;
    }
    m_textRefused = true;
    if (!reason.isEmpty())
        show(reason);
    // Counted after the message, whose own keys and clicks belong to it.
    m_refusedAt = inputSerial();
    emit refused();
    return false;
}

bool RowEditor::choose(int field, const QVariant &value)
{
    return attempt([&] { m_query->setValue(field, value); });
}

bool RowEditor::leaveRow()
{
    return commitText() && attempt([&] {
               if (m_query->isOpen())
                   m_query->leaveRow();
           });
}

bool RowEditor::moveTo(int row)
{
    return commitText() && attempt([&] { m_query->setCurrentRow(row); });
}

bool RowEditor::insertBefore(int row)
{
    return commitText() && attempt([&] {
               if (row >= m_query->rowCount()) {
                   m_query->append();
               } else {
                   m_query->setCurrentRow(row);
                   m_query->insert();
               }
           });
}

bool RowEditor::append()
{
    return commitText() && attempt([&] { m_query->append(); });
}

bool RowEditor::deleteCurrent()
{
    forgetText();
    return attempt([&] { m_query->deleteCurrent(); });
}

bool RowEditor::post()
{
    return commitText() && attempt([&] { m_query->post(); });
}

bool RowEditor::cancelRow()
{
    forgetText();
    return attempt([&] { m_query->cancel(); });
}

bool RowEditor::attempt(const std::function<void()> &operation)
{
    const QString reason = reasonOf(operation);
    if (reason.isNull())
        return true;
    // Declined when asked: the person knows why, and nothing is shown.
    if (!reason.isEmpty())
        show(reason);
    emit refused();
    return false;
}

QString RowEditor::reasonOf(const std::function<void()> &operation)
{
    try {
        operation();
        return {};
    } catch (const Declined &) {
        return QStringLiteral("");
    } catch (const Error &e) {
        return e.text();
    } catch (const std::exception &e) {
        return QString::fromUtf8(e.what());
    }
}

void RowEditor::show(const QString &reason)
{
    QScopedValueRollback reporting(m_reporting, true);
    showErrorDisplay(reason);
}

} // namespace qor
