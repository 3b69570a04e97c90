#pragma once

#include "controls/SecondaryWindow.h"
#include "reports/GroupReports.h"

#include <QVariant>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;

namespace qor {

class ReportModel;

// A window showing a report of groups, read-only: a panel of the report's own
// choices at the top, the table with its two-level titles, the rule of what
// was counted under it, and buttons to print (a preview, from which also a
// PDF) and to save as a workbook or CSV. A double click on a group's line
// (or Enter on it) closes the window and announces that group; lines of sums
// announce nothing. Escape closes it, as its button does: it holds nothing typed.
class ReportWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit ReportWindow(const QString &caption, QWidget *parent = nullptr);
    ~ReportWindow() override;

    const GroupReport &report() const { return m_report; }
    QTableView *reportView() const { return m_view; }

signals:
    void groupChosen(const QVariant &faculty, const QVariant &group);

protected:
    // Where the report's choices go, left to right.
    QHBoxLayout *choices() const { return m_choices; }
    // Reads the report afresh; an error leaves the table empty and is shown.
    virtual GroupReport readReport() = 0;
    void refresh();
    // Reads it afresh after a pause in typing, so that a date typed digit by
    // digit is read once; printing, saving or choosing a line reads at once.
    void refreshSoon();
    // Tab goes through the choices, left to right, then the table and the buttons.
    void orderTabs(const QList<QWidget *> &choices);
    // Instead of a report: why there is none, and what to do.
    void showNoReport(const QString &reason);

private:
    void showReport(GroupReport report);
    // Reads now what a pause in typing still holds back; false when it did.
    bool readHeldBack();
    void chooseLine(int row);
    bool eventFilter(QObject *watched, QEvent *event) override;
    void BitBtn1Click();
    void BitBtn2Click();

    QString m_caption;
    GroupReport m_report;
    QHBoxLayout *m_choices = nullptr;
    QTableView *m_view = nullptr;
    ReportModel *m_model = nullptr;
    QLabel *m_notes = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_save = nullptr;
    QPushButton *m_close = nullptr;
    QTimer *m_typingPause = nullptr;
};

} // namespace qor
