#pragma once

#include "controls/SecondaryWindow.h"
#include "data/StudentSearch.h"

#include <QFutureWatcher>

#include <memory>

class QLabel;
class QLineEdit;
class QPushButton;

namespace qor {

class DataGrid;
class DataSource;
class Query;

// "Найти слушателя": as the user types a name, the roster rows of every
// student whose name matches, across all faculties and groups, students in
// no group too. The names are read and indexed once, when the window opens,
// on a thread of their own. Meanwhile keys are searched in the names the
// last opening read, when there is one, and wait in the field otherwise;
// they are searched again as soon as the names are in. Up and Down move through the rows
// while the focus stays in the field; Enter or a double click closes the
// window and announces the row's place. The card of the current row's
// student opens from its button, Ctrl+I or the rows' own menu. Escape closes
// it: it holds nothing typed that matters.
class TForm14 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm14(QWidget *parent = nullptr);
    ~TForm14() override;

    QLineEdit *searchField() const { return m_edit; }
    DataGrid *resultGrid() const { return m_grid; }
    QLabel *statusLabel() const { return m_status; }
    // Whether the names are read for this opening and the typed text searched.
    bool namesReady() const { return m_namesFresh; }

signals:
    // A row was chosen: show it in the main window.
    void studentChosen(const StudentPlace &place);
    // A student was transferred from the card opened here.
    void studentTransferred();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void namesRead();
    void Edit1Change();
    void chooseRow(int row);
    void BitBtn1Click();
    void showStatus(const QString &text);
    QVariant valueOfRow(int row, const char *field) const;

    QLineEdit *m_edit = nullptr;
    DataGrid *m_grid = nullptr;
    QLabel *m_status = nullptr;
    QPushButton *m_card = nullptr;
    QPushButton *m_close = nullptr;
    Query *m_rows = nullptr;
    DataSource *m_source = nullptr;
    QFutureWatcher<StudentNamesRead> m_reading;
    std::shared_ptr<const StudentNames> m_names;
    bool m_namesFresh = false; // read for this opening
    QList<qint64> m_shown; // the students whose rows are shown
    QString m_readError;
};

extern TForm14 *Form14;

} // namespace qor
