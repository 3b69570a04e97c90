#pragma once

#include "data/BackgroundIndexes.h"
#include "data/Connection.h"
#include "data/KeyIndex.h"
#include "data/PrefixIndex.h"
#include "engine/RowSet.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

#include <functional>
#include <memory>

namespace qor {

class Query;

// A column a query exposes: a column of its result, or a lookup column
// computed from another query's rows.
struct FieldDef
{
    QString name{};
    ColumnType type = ColumnType::Text;
    int size = 0; // characters, for text

    // Lookup: the text of the lookupResultField of the lookupSource row whose
    // lookupKeyField equals this row's keyField.
    Query *lookupSource = nullptr;
    QString keyField{};
    QString lookupKeyField{};
    QString lookupResultField{};

    bool readOnly = false;

    bool isLookup() const { return lookupSource != nullptr; }
};

// A statement and the rows it returned (what a TADOQuery is): the statement
// text, open and close, the exposed columns and the current row. Rows are
// read once when the query opens. The current row can be edited, a row
// inserted or deleted; each change is written to the table the result's
// columns come from (or the unique table named for it), the row identified
// by that table's key, with bound values.
class Query : public QObject
{
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Query(Connection *connection, const QString &name = {}, QObject *parent = nullptr);
    ~Query() override;

    void setSql(const QString &statement) { m_sql = statement; }
    const QString &sql() const { return m_sql; }

    // The table edits are written to when the rows come from several tables
    // (ADO's "Unique Table"); empty: the one table the result's columns come from.
    void setUniqueTable(const QString &table) { m_uniqueTable = table; }

    // Runs the statement and reads all its rows; positions on the first row.
    // A failed open leaves the query closed. Throws qor::Error.
    void open();
    void close();
    bool isOpen() const { return m_state != State::Inactive; }
    // Runs the statement as one that returns no rows.
    void execSql();

    // The exposed columns. Without definitions every result column is
    // exposed under its name; with them exactly those, matched to the result
    // by name without regard to case.
    void setFieldDefs(const QList<FieldDef> &defs);
    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef &field(int index) const; // throws when out of range
    int fieldIndex(const QString &name) const; // -1 when absent
    int findField(const QString &name) const;  // throws "Field not found"

    // Rows and the current row.
    int rowCount() const { return m_rows.rowCount(); }
    bool isEmpty() const { return rowCount() == 0; }
    int currentRow() const { return m_current; }
    // Moving to another row first leaves the current one (see leaveRow).
    void setCurrentRow(int row);
    void next();
    bool eof() const { return m_current < 0 || m_current >= rowCount(); }

    // A column of the current row (a reply without rows reads like a row of nulls).
    QVariant value(int field) const;
    QVariant value(const QString &name) const { return value(findField(name)); }
    // NULL reads as empty text; dates as local date and time.
    QString asString(int field) const;
    QString asString(const QString &name) const { return asString(findField(name)); }
    // NULL reads as 0; text is converted from its decimal digits or fails.
    qint64 asInteger(int field) const;
    qint64 asInteger(const QString &name) const { return asInteger(findField(name)); }

    // Any row, for views.
    QVariant valueAt(int row, int field) const;

    // Editing. Moving to another row writes a changed row first (and drops a
    // new row nobody changed); a failed write leaves the row in editing.
    State state() const { return m_state; }
    bool isEditing() const { return m_state == State::Edit || m_state == State::Insert; }
    // A new row nobody changed: leaving it drops it instead of writing it.
    bool isUntouchedNewRow() const { return m_state == State::Insert && !m_modified; }
    // Whether rows can be inserted, changed and deleted now.
    bool canModify() const { return isOpen() && !m_readOnly; }
    // Rows only shown: none is inserted, changed or deleted in place, as
    // where the login may only read them (a command may still write them,
    // as updateRowsAsRead does).
    void setReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool isReadOnly() const { return m_readOnly; }
    // The one rule for leaving the current row, whatever the move: a new row
    // nobody changed is dropped, a changed or new row is written. Throws
    // when the write fails; the row then stays in editing.
    void leaveRow();
    void edit();
    void insert(); // a new row before the current one
    void append(); // a new row after the last one
    // Sets a column of the row being edited; a lookup column takes its key.
    void setValue(int field, const QVariant &value);
    void setValue(const QString &name, const QVariant &value) { setValue(findField(name), value); }
    // Converts typed text to the column's type first; an empty text is NULL.
    void setText(int field, const QString &text);
    void post();
    void cancel();
    void deleteCurrent();
    // Sets columns of the result's table to the same values in several
    // written rows at once (run it inside Connection::inTransaction), each
    // row only while every column of it still holds what was read: another
    // client's change fails the whole with the conflict error. The rows held
    // here are left as they are; re-open the query to see the writes.
    // written(count) is called now and then with how many rows are written
    // so far; it may throw to stop, and the transaction then writes nothing.
    void updateRowsAsRead(const QList<int> &rows, const QStringList &columns, const QList<QVariant> &values,
                          const std::function<void(int count)> &written = {});
    // The text of the conflict error: a row changed or deleted by someone else.
    static QString rowChangedText();
    // Runs right before a row is written; may change the row or throw.
    std::function<void(Query &)> beforePost;
    const RowSet &rows() const { return m_rows; }

    // The row whose keyField holds key, through an index built once per open; -1 when none.
    int lookupRow(const QString &keyField, const QVariant &key) const;
    // The first row whose text in field begins with prefix, without regard
    // to letter case; -1 when none. Searches an index built once per open.
    int locatePrefix(const QString &field, const QString &prefix) const;
    // The indexes of a long list's text and key fields made on a thread of
    // their own, so that the list takes keys at once: until they are in,
    // locatePrefix and lookupRow on those fields read the rows one by one.
    // Shorter lists are indexed at the first search, in a few milliseconds.
    void prepareIndexesInBackground(const QString &textField, const QString &keyField);

    // The connection was destroyed first.
    void forgetConnection() { m_connection = nullptr; }

signals:
    void opened();
    void closed();
    void currentRowChanged(int row);
    void stateChanged();
    void rowChanged(int row);
    void rowAboutToBeInserted(int row);
    void rowInserted(int row);
    void rowAboutToBeRemoved(int row);
    void rowRemoved(int row);

private:
    void bindFields();
    void setState(State state);
    void requireModifiable() const;
    void requireEditing() const;
    void startInsert(int row);
    int leaveRowTowards(int target);
    void forgetIndexes();
    void adoptIndexesMade() const;
    RowSet &rowsToChange();
    void resolveWriteTarget();
    void writeRow();
    QVariant lookup(const FieldDef &def, int row) const;

    QPointer<Connection> m_connection;
    QString m_sql;
    QString m_uniqueTable;
    RowSet m_rows;
    int m_current = -1;
    QList<FieldDef> m_defs;
    QList<FieldDef> m_fields;
    QList<int> m_columnOfField; // result column of each field; -1 for lookups
    mutable QHash<QString, KeyIndex> m_lookupIndexes;             // by lower-case key field
    mutable QHash<QString, PrefixIndex> m_prefixIndexes;          // by lower-case text field

    State m_state = State::Inactive;
    bool m_readOnly = false;
    bool m_modified = false;
    QList<QVariant> m_original; // the row being edited, as it was read

    // Where edits are written: resolved at the first write after each open.
    QString m_table;
    QString m_keyColumn;
    QList<int> m_writableColumns; // result columns that belong to m_table
    int m_keyResultColumn = -1;

    // Last: it reads m_rows until it is stopped.
    mutable std::unique_ptr<BackgroundIndexes> m_indexesInMaking;
};

} // namespace qor
