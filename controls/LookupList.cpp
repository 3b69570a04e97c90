#include "controls/LookupList.h"

#include "controls/QueryModel.h"
#include "data/DataSource.h"
#include "data/Query.h"

namespace qor {

LookupList::LookupList(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    setMaxVisibleItems(16);
    connect(this, &QComboBox::activated, this, [this](int row) {
        if (m_model && row >= 0)
            m_key = m_model->query()->valueAt(row, m_model->query()->fieldIndex(m_keyField));
        emit picked();
    });
}

void LookupList::setListSource(DataSource *source, const QString &listField, const QString &keyField)
{
    delete m_model;
    m_model = new QueryModel(source, {listField}, this);
    m_keyField = keyField;
    setModel(m_model);
    setModelColumn(0);
    // QComboBox forgets its choice when the rows are read again.
    connect(m_model, &QAbstractItemModel::modelReset, this, &LookupList::showKey);
    showKey();
}

void LookupList::setKeyValue(const QVariant &key)
{
    m_key = key;
    showKey();
}

void LookupList::showKey()
{
    const int row = m_model ? m_model->query()->lookupRow(m_keyField, m_key) : -1;
    if (currentIndex() != row)
        setCurrentIndex(row);
}

} // namespace qor
