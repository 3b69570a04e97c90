#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

class QLabel;
class QLineEdit;
class QListView;

namespace qor {

class NameFilter;
class Query;

// A list of names to check, with a field above it that shows only the names
// matching what is typed, by the rule of the student search (each word
// typed begins a word of the name, letter case aside, ё read as е). Checks
// stay on names that the filter hides. A click on a name, or Space on the
// current one, checks or unchecks it; Down in the field goes to the names,
// and what is typed there goes back to the field.
// The line under the list counts the names shown and checked.
class CheckList : public QWidget
{
    Q_OBJECT

public:
    explicit CheckList(QWidget *parent = nullptr);
    ~CheckList() override;

    // Lists textField of the query's rows (open, read-only), keyed by
    // keyField, all unchecked.
    void setSource(const Query *query, const QString &textField, const QString &keyField);

    QLineEdit *filterField() const { return m_filter; }
    QListView *listView() const { return m_view; }
    QLabel *countLabel() const { return m_count; }

    // The keys of the checked rows, in the query's order.
    QList<QVariant> checkedKeys() const;
    int checkedCount() const;
    // The texts of the rows shown now, in order.
    QStringList shownTexts() const;

signals:
    void checksChanged(int checked);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Model;
    void filterRows();
    void toggle(int shownRow);
    void showCount();

    QLineEdit *m_filter = nullptr;
    QListView *m_view = nullptr;
    QLabel *m_count = nullptr;
    Model *m_model = nullptr;
    std::unique_ptr<NameFilter> m_names;
    const Query *m_query = nullptr;
    QString m_keyField;
};

} // namespace qor
