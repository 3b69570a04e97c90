#pragma once

#include "data/Query.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>

namespace qor {

// The one place where the screens edit a result set's rows, one per result
// set. It owns the text typed into a cell until that text goes into the row,
// the refusal of a text or a write, and the rule for leaving a row: the
// grids' keys, mouse and focus, the navigators, the lookup lists whose picks
// re-run the result set and the windows that close all ask it, and none of
// them keeps editing state of its own.
//
// Whatever is refused is shown once, by the default error display, and the
// views are told (refused()) so that the grid whose editor holds the refused
// text gives it the focus back for correction. The row stays as it was: in
// editing, with nothing lost.
class RowEditor : public QObject
{
    Q_OBJECT

public:
    // The editor of a result set, made at its first use and owned by it.
    static RowEditor *of(Query *query);

    Query *query() const { return m_query; }

    // The row's state, as grids and navigators show it.
    bool canModify() const;
    bool isEditing() const;
    bool isNewRow() const;
    bool isUntouchedNewRow() const;
    int currentRow() const;

    // A cell's text as the user changes it, handed over at every change (a
    // day picked from a cell's calendar is typed text too). The row goes
    // into editing at once; the text waits here until it is committed.
    void textTyped(int field, const QString &text);
    bool hasPendingText() const { return m_pending.field >= 0; }
    // The cell's editor closed without its text: Escape, or the row went.
    void dropText();
    // Puts the waiting text into the row, converted once to the column's
    // type. Refused: false, the reason shown once, and the text keeps waiting.
    bool commitText();
    // A value chosen from a cell's list goes into the row at once.
    bool choose(int field, const QVariant &value);

    // Leaving the current row, for a pick, a re-query or a closing window:
    // the waiting text goes into the row, a changed row is written, and a
    // new row nobody changed is dropped.
    bool leaveRow();
    // The same, towards another row, which becomes current (a new row
    // dropped above it moves it up).
    bool moveTo(int row);
    bool insertBefore(int row);
    bool append();
    // The current row; the text typed into it goes with it.
    bool deleteCurrent();
    // Writes the row being edited, also a new row nobody changed.
    bool post();
    // Undoes the current row's changes, the waiting text with them; a new
    // row is dropped.
    bool cancelRow();

    // True while a refusal is shown, and for the rest of the key or mouse
    // press that caused it: what that press's focus changes ask of the
    // editor was asked already. A view keeps its refused editor open then.
    bool isRefusing() const;

signals:
    // Something was refused and the reason shown.
    void refused();
    // The current row, its state or the rows changed.
    void changed();

private:
    explicit RowEditor(Query *query);

    // Runs an operation on the result set; what it throws is shown once.
    bool attempt(const std::function<void()> &operation);
    // What the operation threw; null when it succeeded, empty when the
    // person declined what they were asked.
    QString reasonOf(const std::function<void()> &operation);
    void show(const QString &reason);
    void forgetText();

    struct PendingText
    {
        int row = -1;
        int field = -1;
        QString text;
    };

    QPointer<Query> m_query;
    PendingText m_pending;
    bool m_reporting = false;   // a refusal is being shown
    bool m_textRefused = false; // the waiting text was refused, unchanged since
    quint64 m_refusedAt = 0;    // the press that caused the refusal
};

} // namespace qor
