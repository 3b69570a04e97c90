#include "controls/CheckList.h"

#include "controls/NameFilter.h"
#include "data/Query.h"

#include <QAbstractListModel>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QLocale>
#include <QVBoxLayout>

namespace qor {

// The rows shown, as the filter leaves them, and a check per row of the query.
class CheckList::Model : public QAbstractListModel
{
public:
    using QAbstractListModel::QAbstractListModel;

    void setRows(const Query *query, int textField)
    {
        beginResetModel();
        m_query = query;
        m_textField = textField;
        m_shown.clear();
        m_checked.assign(query ? size_t(query->rowCount()) : 0, false);
        m_checkedCount = 0;
        endResetModel();
    }
    void show(std::vector<int> rows)
    {
        beginResetModel();
        m_shown = std::move(rows);
        endResetModel();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : int(m_shown.size()); }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!m_query || !index.isValid() || size_t(index.row()) >= m_shown.size())
            return {};
        const int row = m_shown[size_t(index.row())];
        if (role == Qt::DisplayRole)
            return m_query->valueAt(row, m_textField);
        if (role == Qt::CheckStateRole)
            return m_checked[size_t(row)] ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    // Checked by the list's own handling of clicks and Space, not by the delegate's.
    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
    }
    void toggle(int shownRow)
    {
        if (shownRow < 0 || size_t(shownRow) >= m_shown.size())
            return;
        auto checked = m_checked.begin() + m_shown[size_t(shownRow)];
        *checked = !*checked;
        m_checkedCount += *checked ? 1 : -1;
        const QModelIndex changed = index(shownRow);
        emit dataChanged(changed, changed, {Qt::CheckStateRole});
    }
    int checkedCount() const { return m_checkedCount; }
    const std::vector<bool> &checked() const { return m_checked; }

private:
    const Query *m_query = nullptr;
    int m_textField = -1;
    std::vector<int> m_shown;
    std::vector<bool> m_checked;
    int m_checkedCount = 0;
};

CheckList::CheckList(QWidget *parent) : QWidget(parent), m_model(new Model(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("Edit1"));
    m_filter->setClearButtonEnabled(true);
    m_filter->setPlaceholderText(QStringLiteral("Начало фамилии, имени или отчества"));
    m_view = new QListView(this);
    m_view->setObjectName(QStringLiteral("ListBox1"));
    m_view->setModel(m_model);
    // Many thousand names: every row as high as the first, none measured.
    m_view->setUniformItemSizes(true);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(m_filter);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_count);

    connect(m_filter, &QLineEdit::textChanged, this, &CheckList::filterRows);
    connect(m_view, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) { toggle(index.row()); });
    m_filter->installEventFilter(this);
    m_view->installEventFilter(this);
    showCount();
}

CheckList::~CheckList() = default;

void CheckList::setSource(const Query *query, const QString &textField, const QString &keyField)
{
    m_query = query;
    m_keyField = keyField;
    m_names = std::make_unique<NameFilter>(query, QStringList{textField});
    m_model->setRows(query, query->findField(textField));
    filterRows();
    emit checksChanged(0);
}

void CheckList::filterRows()
{
    if (!m_names)
        return;
    m_model->show(m_names->matchingRows(m_filter->text()));
    if (m_model->rowCount() > 0)
        m_view->setCurrentIndex(m_model->index(0));
    showCount();
}

void CheckList::toggle(int shownRow)
{
    m_model->toggle(shownRow);
    showCount();
    emit checksChanged(m_model->checkedCount());
}

void CheckList::showCount()
{
    const QLocale locale;
    m_count->setText(QStringLiteral("Показано: %1, отмечено: %2")
                         .arg(locale.toString(m_model->rowCount()), locale.toString(m_model->checkedCount())));
}

QList<QVariant> CheckList::checkedKeys() const
{
    QList<QVariant> keys;
    if (!m_query)
        return keys;
    const int key = m_query->findField(m_keyField);
    const std::vector<bool> &checked = m_model->checked();
    for (size_t row = 0; row < checked.size(); ++row) {
        if (checked[row])
            keys.append(m_query->valueAt(int(row), key));
    }
    return keys;
}

int CheckList::checkedCount() const
{
    return m_model->checkedCount();
}

QStringList CheckList::shownTexts() const
{
    QStringList texts;
    for (int row = 0; row < m_model->rowCount(); ++row)
        texts.append(m_model->index(row).data().toString());
    return texts;
}

bool CheckList::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (watched == m_filter && plain && key->key() == Qt::Key_Down && m_model->rowCount() > 0) {
            m_view->setFocus();
            return true;
        }
        if (watched == m_view && plain && key->key() == Qt::Key_Space) {
            toggle(m_view->currentIndex().row());
            return true;
        }
        // Typing among the names goes on in the field, as in the student search.
        const bool typing = key->key() == Qt::Key_Backspace || (!key->text().isEmpty() && key->text().front().isPrint());
        if (watched == m_view && typing && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            m_filter->setFocus();
            QCoreApplication::sendEvent(m_filter, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qor
