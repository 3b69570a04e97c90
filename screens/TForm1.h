#pragma once

#include "reports/ReportTable.h"

#include <QMainWindow>
#include <QString>
#include <QVariant>

#include <memory>

namespace Ui {
class TForm1;
}

namespace qor {

class DataGrid;
class LookupList;
class TForm6;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
struct StudentPlace;

// The main window: the faculty and group lists and the chosen group's
// roster, editable in place. Its creation runs the sign-in; nothing else of
// the program runs before a successful one.
class TForm1 : public QMainWindow
{
    Q_OBJECT

public:
    explicit TForm1(QWidget *parent = nullptr);
    ~TForm1() override;

    // The caption the title is composed from at every sign-in attempt.
    static QString designCaption();

    // Shows the sign-in window; a cancelled sign-in ends the program, a
    // successful one loads the lists.
    void FormCreate();
    // Whether FormCreate's sign-in succeeded: only then is the window shown.
    bool signedIn() const { return m_signIn == SignIn::Succeeded; }
    // The title of every sign-in attempt, with the executable's build stamp
    // as the title shows it; also the application title.
    void showTitle(const QString &stampText);

    // After sign-in: the faculties that have groups and both order lists.
    void loadLists();

    // The pick handlers of the faculty and group lists.
    void DBLookupComboBox1Click();
    void DBLookupComboBox2Click();

    void BitBtn1Click();
    void N2Click();
    void N3Click();
    void N4Click();
    // Print preview of the roster; the roster saved as a spreadsheet.
    void N5Click();
    void N6Click();
    // The two reports of groups; a group chosen in either shows here.
    void N8Click();
    void N9Click();
    // The office's registers of students and faculties.
    void N21Click();
    void N22Click();
    // Students imported from a spreadsheet.
    void N23Click();

    // Shows a group's roster as picking its faculty and then the group in
    // the lists does, a row being edited written first; a row that cannot
    // be written keeps the roster as it is, with the reason shown (false).
    bool showGroup(const QVariant &faculty, const QVariant &group);

    // Finding a student, the student's card and the transfer to another group.
    void N30Click();
    void N31Click();
    void N32Click();
    // Shows a roster row found elsewhere as picking its faculty and group
    // does, that row current and the keys in the roster.
    void showStudentRow(const StudentPlace &place);
    TForm14 *newSearchWindow();

    // After a command that wrote roster rows (a transfer, one order for
    // many students): the roster read again as a pick reads it, on the same row.
    void rereadRoster();

    // One order for many students: the selected roster rows expelled, a
    // list of students enrolled into the group, the students under an order.
    void N40Click();
    void N41Click();
    void N42Click();

    // The roster on screen as it is printed and saved, with the heading of
    // the group it was read for.
    ReportTable rosterReport() const;

    LookupList *facultyList() const;
    LookupList *groupList() const;
    DataGrid *rosterGrid() const;

    // Puts the text being edited into its row and writes every changed row;
    // false, with the reason shown, when something cannot be written.
    bool writePendingChanges();

    // The add-to-group dialog for the chosen group, its additions shown in the roster.
    TForm6 *newAddDialog();
    // The registers, their changes shown in the lists here.
    TForm11 *newStudentRegister();
    TForm12 *newFacultyRegister();
    // The import, what it adds shown in the lists and the roster here.
    TForm13 *newImportWindow();
    // A report window whose chosen group shows here.
    template <typename Window>
    Window *newReportWindow();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void setUpRoster();
    bool writeRosterRow();
    void enableRosterOutput(bool enabled);
    void enableStudentCommands();
    void enableGroupCommands(bool groupChosen);
    void selectRosterRow(const QVariant &movement);

    std::unique_ptr<Ui::TForm1> ui;
    enum class SignIn { NotRun, Cancelled, Succeeded };
    SignIn m_signIn = SignIn::NotRun;
};

// The program's one main window.
extern TForm1 *Form1;

} // namespace qor
