#include "controls/LookupList.h"

#include "controls/QueryModel.h"
#include "controls/RowEditor.h"
#include "data/DataSource.h"
#include "data/Query.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListView>
#include <QMouseEvent>
#include <QPointer>
#include <QProxyStyle>
#include <QTimer>

namespace qor {

namespace {

constexpr qint64 TypingPause = 2000; // ms
constexpr int MostTyped = 32;

std::function<qint64()> &typingClock()
{
    static std::function<qint64()> clock = [] {
        static QElapsedTimer timer;
        if (!timer.isValid())
            timer.start();
        return timer.elapsed();
    };
    return clock;
}

// When the last character was typed into any list.
qint64 &lastTyped()
{
    static qint64 time = std::numeric_limits<qint64>::min() / 2;
    return time;
}

// Drops the list down below the control, as Windows does, instead of over
// it: the toolkit's over-the-control pop-up measures every row first, which
// takes seconds on a list of 200,000 names.
class DropDownBelow : public QProxyStyle
{
public:
    int styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                  QStyleHintReturn *returnData) const override
    {
        if (hint == QStyle::SH_ComboBox_Popup)
            return 0;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QStyle *dropDownBelow()
{
    static QPointer<QStyle> style;
    if (!style) {
        style = new DropDownBelow;
        style->setParent(qApp);
    }
    return style;
}

// The open list's rows as tall as the font's accented capitals, drawn as
// before. The toolkit makes a row as tall as the font's ascent and descent
// and clips what it draws to it, and Tahoma puts the dots of Ё and the
// breve of Й above its ascent: "Ёлкина" would read "Елкина".
class RowWithRoomForAccents : public QAbstractItemDelegate
{
public:
    RowWithRoomForAccents(QAbstractItemDelegate *drawing, QObject *parent)
        : QAbstractItemDelegate(parent), m_drawing(drawing)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        if (m_drawing)
            m_drawing->paint(painter, option, index);
    }
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QSize size = m_drawing ? m_drawing->sizeHint(option, index) : QSize();
        size.setHeight(std::max(size.height(), heightWithAccents(option.fontMetrics)));
        return size;
    }
    bool editorEvent(QEvent *event, QAbstractItemModel *model, const QStyleOptionViewItem &option,
                     const QModelIndex &index) override
    {
        return m_drawing && m_drawing->editorEvent(event, model, option, index);
    }

private:
    static int heightWithAccents(const QFontMetrics &metrics)
    {
        // The marks above the capitals of the Windows-1251 alphabets.
        const int above = -metrics.tightBoundingRect(QStringLiteral("ЁЙЇЎ")).top() - metrics.ascent();
        // The text is centred in its row: room above it means room below too.
        return metrics.height() + 2 * std::max(0, above);
    }

    QPointer<QAbstractItemDelegate> m_drawing;
};

bool isTyping(const QKeyEvent *event)
{
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

} // namespace

LookupList::LookupList(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(16);
    // The lists are laid out by the windows; measuring every row of a long
    // list for a size hint would cost seconds.
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setStyle(dropDownBelow());
    if (auto *list = qobject_cast<QListView *>(view()))
        list->setUniformItemSizes(true);
    setItemDelegate(new RowWithRoomForAccents(itemDelegate(), this));
    // The pop-up was made under the application's style, which scrolls a
    // menu-like pop-up with arrows and so turns its scroll bar off; dropped
    // down below, it has no arrows, and a longer list than it shows needs the bar.
    view()->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    // A click on a row of the open list.
    connect(this, &QComboBox::activated, this, [this](int row) { choose(row); });
}

void LookupList::setClock(std::function<qint64()> clock)
{
    typingClock() = std::move(clock);
}

void LookupList::setListSource(DataSource *source, const QString &listField, const QString &keyField)
{
    delete m_model;
    m_model = new QueryModel(source, {listField}, this);
    m_listField = listField;
    m_keyField = keyField;
    setModel(m_model);
    setModelColumn(0);
    // QComboBox forgets its choice when the rows are read again.
    connect(m_model, &QAbstractItemModel::modelReset, this, &LookupList::showKey);
    // The type-ahead search of a long list is made on a thread of its own as
    // soon as the rows are read; keys typed meanwhile are answered without it.
    connect(m_model, &QAbstractItemModel::modelReset, this, &LookupList::prepareTypeAhead);
    showKey();
    prepareTypeAhead();
}

void LookupList::prepareTypeAhead()
{
    // Both searches a typed key makes: the text's, then the chosen key's row.
    if (m_model)
        m_model->query()->prepareIndexesInBackground(m_listField, m_keyField);
}

void LookupList::setKeyValue(const QVariant &key)
{
    m_key = key;
    showKey();
}

int LookupList::rowOfKey() const
{
    return m_model ? m_model->query()->lookupRow(m_keyField, m_key) : -1;
}

void LookupList::showKey()
{
    const int row = rowOfKey();
    if (currentIndex() != row)
        setCurrentIndex(row);
}

bool LookupList::writeRowsBeforePick()
{
    // Text typed into a cell of theirs goes into the row first, or is refused.
    for (Query *query : std::as_const(m_writtenBeforePick)) {
        if (!RowEditor::of(query)->leaveRow())
            return false;
    }
    return true;
}

void LookupList::choose(int row)
{
    if (!writeRowsBeforePick()) {
        showKey(); // back on the previous choice
        return;
    }
    if (row >= 0 && m_model && row < m_model->rowCount())
        m_key = m_model->query()->valueAt(row, m_model->query()->fieldIndex(m_keyField));
    showKey();
    emit picked();
}

int LookupList::findTyped(const QString &text)
{
    const qint64 now = typingClock()();
    if (now - lastTyped() > TypingPause)
        m_typed.clear();
    lastTyped() = now;
    if (m_typed.size() + text.size() > MostTyped || !m_model)
        return -1;
    const int row = m_model->query()->locatePrefix(m_listField, m_typed + text);
    if (row >= 0)
        m_typed += text;
    return row;
}

void LookupList::showPopup()
{
    QComboBox::showPopup();
    // The keys of the open list come here before the toolkit's own handling,
    // which would choose its current row on Enter: only a filter on the
    // application runs before the pop-up's own filter.
    qApp->installEventFilter(this);
    // With no row chosen, the open list shows none either, and Enter then
    // chooses none (Qt would make the first row current).
    if (rowOfKey() < 0)
        view()->selectionModel()->clear();
}

void LookupList::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const int key = event->key();
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && (modifiers & Qt::AltModifier)) {
        showPopup();
        return;
    }
    if (key == Qt::Key_F4 && modifiers == Qt::NoModifier) {
        showPopup();
        return;
    }
    if ((key == Qt::Key_Up || key == Qt::Key_Down) && modifiers == Qt::NoModifier) {
        const int rows = count();
        const int current = rowOfKey();
        const int next = current < 0 ? 0 : current + (key == Qt::Key_Down ? 1 : -1);
        if (rows > 0 && next >= 0 && next < rows && next != current)
            choose(next);
        return;
    }
    if (key == Qt::Key_Backspace || key == Qt::Key_Escape) {
        m_typed.clear();
        return;
    }
    if (isTyping(event)) {
        const int row = findTyped(event->text());
        if (row >= 0)
            choose(row);
        return;
    }
    // Enter and Tab belong to the window; other keys choose nothing here.
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        event->ignore();
        return;
    }
}

void LookupList::mousePressEvent(QMouseEvent *event)
{
    // The press gave the focus here first; when another control of the window
    // took it back (a grid refusing its cell's text), the press opens nothing.
    const QWidget *focus = QApplication::focusWidget();
    if (focus && focus != this && focus->window() == window() && (focusPolicy() & Qt::ClickFocus)) {
        event->accept();
        return;
    }
    QComboBox::mousePressEvent(event);
}

void LookupList::wheelEvent(QWheelEvent *event)
{
    // Turning the wheel over a list chooses nothing.
    event->ignore();
}

void LookupList::hidePopup()
{
    qApp->removeEventFilter(this);
    QComboBox::hidePopup();
}

bool LookupList::eventFilter(QObject *watched, QEvent *event)
{
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched != view() || !key)
        return QComboBox::eventFilter(watched, event);
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const int pressed = keyEvent->key();
    const bool alt = keyEvent->modifiers() & Qt::AltModifier;
    const bool accepting = pressed == Qt::Key_Return || pressed == Qt::Key_Enter || pressed == Qt::Key_F4
        || ((pressed == Qt::Key_Up || pressed == Qt::Key_Down) && alt);
    if (event->type() == QEvent::ShortcutOverride) {
        // The toolkit's pop-up acts on these before they are even pressed.
        if (!accepting)
            return false;
        event->accept();
        return true;
    }
    QItemSelectionModel *selection = view()->selectionModel();
    if (accepting) {
        // Accepting the open list, with the row chosen in it or with none.
        const QModelIndexList chosen = selection->selectedRows(modelColumn());
        hidePopup();
        choose(chosen.isEmpty() ? -1 : chosen.first().row());
        return true;
    }
    if ((pressed == Qt::Key_Up || pressed == Qt::Key_Down) && !selection->hasSelection() && count() > 0) {
        // The first arrow in a list with no row chosen goes to the first row.
        view()->setCurrentIndex(m_model->index(0, modelColumn()));
        return true;
    }
    if (isTyping(keyEvent)) {
        const int row = findTyped(keyEvent->text());
        if (row >= 0)
            view()->setCurrentIndex(m_model->index(row, modelColumn()));
        return true;
    }
    if (pressed == Qt::Key_Backspace) {
        m_typed.clear();
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace qor
