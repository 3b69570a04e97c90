#pragma once

#include "controls/CellDelegate.h"

#include <QLineEdit>

class QCalendarWidget;
class QFrame;
class QToolButton;

namespace qor {

// Text editor of a date-time cell with a drop-down month calendar (the
// arrow at its right, Alt+Down or F4). Picking a day keeps the typed time.
class DateTimeEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DateTimeEdit(QWidget *parent = nullptr);

    void showCalendar();
    void hideCalendar();
    QCalendarWidget *calendar() const { return m_calendar; }

    void pickDate(const QDate &date);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QFrame *m_popup;
    QCalendarWidget *m_calendar;
    QToolButton *m_button;
};

// Edits a date-time column as local text ("01.09.2014", "09.09.2014 15:48:16").
// Over a result set the text goes to its row editor as typed or picked; any
// other model is given an empty text as NULL, a readable one as a QDateTime
// and any other text as it is, for the model to refuse.
class DateTimeDelegate : public CellDelegate {
    Q_OBJECT
public:
    explicit DateTimeDelegate(const GridColumn &column, QObject *parent = nullptr);

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;
};

} // namespace qor
