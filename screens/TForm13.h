#pragma once

#include "controls/SecondaryWindow.h"
#include "data/StudentImport.h"

#include <memory>
#include <optional>

class QComboBox;
class QStandardItemModel;

namespace Ui {
class TForm13;
}

namespace qor {

class DataGrid;

// The import of students from a spreadsheet: a file and its sheet, which
// column holds what (recognised by the titles, changed by the user), the
// first rows as they will be read and what becomes of each, then all rows
// written at once, with a progress bar that cancels, and what was done.
class TForm13 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm13(QWidget *parent = nullptr);
    ~TForm13() override;

    // Opens the list in a file and shows what its import would do; what
    // Button1Click does once a file is chosen.
    void openFile(const QString &path);

    void Button1Click();    // "Выбрать…"
    void ComboBox1Change(); // the sheet
    void MappingChange();   // a column chosen for a field
    void CheckBox1Click();  // namesakes
    void Button2Click();    // "Импортировать"
    void Button3Click();    // "Закрыть"

    DataGrid *preview() const;
    QComboBox *fieldBox(ImportField field) const;

signals:
    // Students were imported; ordersAdded when enrolment orders were too.
    void imported(bool ordersAdded);

private:
    void readSheet(int sheet);
    void showMapping();
    ColumnMapping chosenMapping() const;
    ImportOptions options() const;
    void showPlan();

    std::unique_ptr<Ui::TForm13> ui;
    std::optional<ImportFile> m_file;
    ImportSheet m_sheet;
    ImportPlan m_plan;
    QStandardItemModel *m_rows;
    bool m_showing = false; // the controls are being filled, not changed by the user
};

extern TForm13 *Form13;

} // namespace qor
