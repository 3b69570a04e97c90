#include "screens/RegisterWindow.h"

#include "controls/ClassicLook.h"
#include "controls/DataGrid.h"
#include "controls/Navigator.h"
#include "controls/QueryModel.h"
#include "data/Registers.h"
#include "data/TDM.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace qor {

namespace {

// Down, Enter or Return in the search field: on to the rows found.
class SearchKeys : public QObject
{
public:
    SearchKeys(QLineEdit *search, DataGrid *grid) : QObject(search), m_grid(grid) {}

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if (key == Qt::Key_Down || key == Qt::Key_Return || key == Qt::Key_Enter) {
                m_grid->setFocus();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    DataGrid *m_grid;
};

} // namespace

void setUpRegister(const RegisterControls &controls, DataSource *rows, const QList<GridColumn> &columns,
                   const QStringList &searchedFields)
{
    DataGrid *grid = controls.grid;
    grid->setGridBackground(inactiveCaptionGradientColor());
    grid->setCellFont(tahoma(11));
    grid->setTitleFont(tahoma(11, true));
    grid->setFitColumns(true);
    grid->setColumns(columns);
    grid->setDataSource(rows);
    controls.navigator->setGrid(grid, Navigator::Insert | Navigator::Delete | Navigator::Post);

    QueryModel *model = grid->queryModel();
    model->setFilterFields(searchedFields);
    QObject::connect(controls.search, &QLineEdit::textChanged, model, &QueryModel::filterRows);
    controls.search->installEventFilter(new SearchKeys(controls.search, grid));

    QLabel *count = controls.count;
    const auto showCount = [count, model] { count->setText(QStringLiteral("Всего: %1").arg(model->rowCount())); };
    QObject::connect(model, &QAbstractItemModel::modelReset, count, showCount);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, count, showCount);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, count, showCount);
    showCount();
}

bool openRegister(QWidget *window, Query *rows, const QString &statement, const QString &table,
                  const QString &readOnlyNote)
{
    const bool mayChange = permissionsOn(DM->ADOCon->engine(), table).all();
    rows->setReadOnly(!mayChange);
    if (!mayChange)
        window->setWindowTitle(window->windowTitle() + QStringLiteral(" — ") + readOnlyNote);
    TDM::reopen(rows, statement);
    return mayChange;
}

} // namespace qor
