#pragma once

#include "screens/ReportWindow.h"

class QComboBox;

namespace qor {

class DatePicker;

// "Движение контингента": the period (from the first of this month to today
// at first) and a faculty or all of them; the report is read again whenever
// one of them changes.
class TForm9 : public ReportWindow
{
    Q_OBJECT

public:
    explicit TForm9(QWidget *parent = nullptr);
    ~TForm9() override;

    DatePicker *firstDayPicker() const { return m_first; }
    DatePicker *lastDayPicker() const { return m_last; }
    QComboBox *facultyChoice() const { return m_faculty; }

protected:
    GroupReport readReport() override;

private:
    void loadFaculties();
    void choiceChanged(bool picked);

    DatePicker *m_first = nullptr;
    DatePicker *m_last = nullptr;
    QComboBox *m_faculty = nullptr;
};

extern TForm9 *Form9;

} // namespace qor
