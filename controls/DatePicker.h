#pragma once

#include <QDateTimeEdit>

namespace qor {

// A date picker: the local short date with a drop-down month calendar,
// holding a date and time. Digits fill the day, month and year in turn (a
// separator or Left and Right move between them); Tab leaves it, as it
// leaves every other control, and entering it starts at the day. After a
// click, Home, End or an arrow, digits replace the part under the caret.
class DatePicker : public QDateTimeEdit
{
    Q_OBJECT

public:
    explicit DatePicker(QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void selectPartAtCaret();

    bool m_caretPlaced = false;  // the caret was put by the mouse or Home, End, the arrows; nothing typed since
    bool m_justAdvanced = false; // the last digit filled a part and moved on
};

} // namespace qor
