#pragma once

#include <QComboBox>
#include <QList>
#include <QVariant>

#include <functional>

namespace qor {

class DataSource;
class Query;
class QueryModel;

// A drop-down list of one text column of a data source that holds the key of
// the row the user chose (null until a choice). It shows no text while its
// key is not among the listed rows, and follows the source when it is re-run.
//
// picked() runs each time the user chooses a row, and only then:
// - accepting the open list (a click on a row, Enter, Alt+Up or Alt+Down),
//   also when the row is the one already chosen, and also when no row was
//   chosen in the open list (the key then stays as it was);
// - Up or Down on the closed list, one row per press (the first row when the
//   key is not among the rows);
// - typing on the closed list: each character is added to the characters
//   collected so far and the list moves to the first row whose text begins
//   with them, without regard to letter case, for every character that finds
//   a row; a character that finds none is dropped. The collection starts
//   afresh after a pause of more than 2000 ms since the last character typed
//   in any list, or after Backspace or Escape, and holds at most 32 characters.
// A click or Alt+Up/Down on the closed list only opens it; Escape closes the
// open list without choosing; the mouse wheel and setting the key from code
// never choose.
class LookupList : public QComboBox
{
    Q_OBJECT

public:
    explicit LookupList(QWidget *parent = nullptr);

    void setListSource(DataSource *source, const QString &listField, const QString &keyField);

    QVariant keyValue() const { return m_key; }
    void setKeyValue(const QVariant &key);

    // Result sets that a pick re-runs and whose rows are written with this
    // list's key: their row editors leave the current row before the key
    // changes (text typed into a cell goes into the row, a changed row is
    // written), and when they cannot, the pick does not happen and the
    // reason shows.
    void setRowsWrittenBeforePick(const QList<Query *> &queries) { m_writtenBeforePick = queries; }

    // The clock of type-ahead pauses, in milliseconds; one for all lists.
    static void setClock(std::function<qint64()> clock);

    void showPopup() override;
    void hidePopup() override;

signals:
    void picked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void choose(int row);
    void prepareTypeAhead();
    bool writeRowsBeforePick();
    int rowOfKey() const;
    int findTyped(const QString &text);
    void showKey();

    QueryModel *m_model = nullptr;
    QString m_listField;
    QString m_keyField;
    QVariant m_key;
    QString m_typed;
    QList<Query *> m_writtenBeforePick;
};

} // namespace qor
