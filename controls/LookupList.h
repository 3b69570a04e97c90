#pragma once

#include <QComboBox>
#include <QVariant>

namespace qor {

class DataSource;
class QueryModel;

// A drop-down list of one text column of a data source that holds the key
// of the row the user chose (null until a choice). It shows no text while
// its key is not among the listed rows, and follows the source when it is
// re-run. picked() runs each time the user chooses a row; setting the key
// from code never runs it.
class LookupList : public QComboBox
{
    Q_OBJECT

public:
    explicit LookupList(QWidget *parent = nullptr);

    void setListSource(DataSource *source, const QString &listField, const QString &keyField);

    QVariant keyValue() const { return m_key; }
    void setKeyValue(const QVariant &key);

signals:
    void picked();

private:
    void showKey();

    QueryModel *m_model = nullptr;
    QString m_keyField;
    QVariant m_key;
};

} // namespace qor
