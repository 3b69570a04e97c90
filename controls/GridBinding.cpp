#include "controls/GridBinding.h"

#include "controls/QueryModel.h"
#include "controls/UserAction.h"
#include "data/DataSource.h"
#include "data/Query.h"

#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>
#include <QTimer>

namespace qor {

QueryModel *bindGrid(QTableView *grid, DataSource *source, const QStringList &fields)
{
    auto *model = new QueryModel(source, fields, grid);
    grid->setModel(model);
    Query *query = source->dataSet();
    QPointer<QTableView> view(grid);

    const auto showQueryRow = [view, model, query] {
        if (!view || query->currentRow() < 0)
            return;
        const QModelIndex current = view->currentIndex();
        if (current.row() != query->currentRow())
            view->setCurrentIndex(model->index(query->currentRow(), std::max(0, current.column())));
    };
    QObject::connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, grid,
                     [query, showQueryRow](const QModelIndex &current) {
                         if (!current.isValid() || current.row() == query->currentRow())
                             return;
                         runUserAction([&] { query->setCurrentRow(current.row()); });
                         // A row that could not be written keeps the grid on it.
                         if (query->currentRow() != current.row())
                             QTimer::singleShot(0, query, showQueryRow);
                     });
    QObject::connect(query, &Query::currentRowChanged, grid, [showQueryRow] { showQueryRow(); });
    return model;
}

LookupChoices lookupChoicesOf(Query *query, const QString &lookupField)
{
    LookupChoices choices;
    choices.items = [query, lookupField] {
        QList<std::pair<QVariant, QString>> items;
        const int field = query->fieldIndex(lookupField);
        if (field < 0 || !query->field(field).isLookup())
            return items;
        const FieldDef &def = query->field(field);
        const Query *source = def.lookupSource;
        const int key = source->fieldIndex(def.lookupKeyField);
        const int text = source->fieldIndex(def.lookupResultField);
        if (key < 0 || text < 0)
            return items;
        for (int row = 0; row < source->rowCount(); ++row)
            items.append({source->valueAt(row, key), source->valueAt(row, text).toString()});
        return items;
    };
    return choices;
}

} // namespace qor
