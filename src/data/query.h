#pragma once

#include "data/rowstore.h"
#include "data/values.h"

#include <QHash>
#include <QObject>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <vector>

class Database;
class Statement;
class Query;

// What the data layer knows of one column of a result.
struct FieldInfo
{
    QString name;        // bare column name, or Table.Column where the select list repeats it
    QString displayName; // the title shown to the user; the name until the program sets one
    QString table;       // base table and column the value comes from (empty for expressions)
    QString column;
    Values::Kind kind = Values::Kind::Text;
    bool readOnly = false;
};

// A handle on one field of a query's current row. Cheap to copy; valid while the query
// keeps the same result open.
class Field
{
public:
    Field() = default;
    Field(Query *query, int column) : query_(query), column_(column) {}

    bool isValid() const { return query_ != nullptr && column_ >= 0; }
    explicit operator bool() const { return isValid(); }
    int index() const { return column_; }

    const QString &name() const;
    const QString &displayName() const;
    void setDisplayName(const QString &title);
    Values::Kind kind() const;
    bool isReadOnly() const;
    void setReadOnly(bool readOnly);

    bool isNull() const;
    QString asString() const; // as the user sees it (dates dd/MM/yyyy)
    qint64 asInteger() const; // 0 for null; throws DbError when not a number
    double asFloat() const;   // 0 for null; throws DbError when not a number
    // An amount in whole cents, read exactly from the value as stored; 0 for null. Throws
    // DbError when it is no amount.
    qint64 asCents() const;
    QDate asDate() const;   // invalid for null
    QVariant value() const; // typed: QString, qint64, double, QDate; null QVariant for null

    // Writes the current row (starting an edit if the query is browsing). Throws DbError
    // for a read-only field or a value the field cannot hold.
    void setValue(const QVariant &value);
    void setAsString(const QString &text) { setValue(text); }
    void clear() { setValue(QVariant()); }

private:
    Query *query_ = nullptr; // Not owned.
    int column_ = -1;
};

// A result of one statement held in memory (the role of the main window's query object):
// the statement as text lines, rows with a current row, a client-side filter and sort over
// an index of rows, and editing that writes the base tables of the row. A post or delete
// and what its hooks write commit together or not at all.
class Query : public QObject
{
    Q_OBJECT

public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Query(Database *db, QObject *parent = nullptr);
    ~Query() override;

    Database *database() const { return db_; }

    // The statement, one clause a line.
    const QStringList &sql() const { return sql_; }
    void setSql(const QStringList &lines) { sql_ = lines; }
    void clearSql() { sql_.clear(); }
    void addSql(const QString &line) { sql_ << line; }
    QString statementText() const; // the lines, each followed by CR LF

    // Named parameters (":01/01/2007"); a name left unset is read as a date if it is one.
    void setParameter(const QString &name, const QVariant &value);
    void clearParameters() { parameters_.clear(); }

    void open();
    // Reads the rows again from the database, keeping the columns as the program set them
    // up, the filter, the sort and the current row (found by its key). Only while browsing:
    // a row being edited or inserted is left as it is.
    void reread();
    void close();
    bool isActive() const { return state_ != State::Inactive; }
    State state() const { return state_; }
    bool isModified() const { return modified_; }
    // Whether the field of `column` was set since the row began being edited or inserted.
    bool isFieldChanged(int column) const
    {
        return column >= 0 && size_t(column) < changed_.size() && changed_[size_t(column)];
    }

    // Fields in result order.
    int fieldCount() const { return int(fields_.size()); }
    const FieldInfo &fieldInfo(int column) const { return fields_.at(size_t(column)); }
    int fieldIndex(const QString &name) const; // -1 when absent; names compare without case
    Field field(int column) { return Field(this, column); }
    Field findField(const QString &name);   // an invalid Field when absent
    Field fieldByName(const QString &name); // throws DbError when absent
    void setFieldDisplayName(int column, const QString &title);
    void setFieldReadOnly(int column, bool readOnly);

    // Rows as shown: filtered and sorted, plus the row being inserted.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    int currentRow() const { return current_; } // -1 when empty
    void setCurrentRow(int row);
    void first();
    void prior();
    void next();
    void last();
    bool bof() const { return bof_; }
    bool eof() const { return eof_; }

    // Cells of a shown row, for views; the current row while editing shows the edits.
    QString text(int row, int column) const;
    QVariant value(int row, int column) const;
    bool isNull(int row, int column) const;
    // The value of a stored (non-null) cell of a column of `kind`, as value() gives it.
    static QVariant typedValue(std::string_view cell, Values::Kind kind);

    // Editing the current row.
    void edit();
    void insert(); // a new empty row, shown last, becomes current
    void post();
    void cancel();
    void deleteRecord();
    void checkBrowseMode(); // posts a modified row, cancels an untouched one

    // Client-side filter ("Cognome LIKE 'Ros*'") and sort ("Cognome DESC").
    void setFilter(const QString &expression);
    const QString &filter() const { return filterText_; }
    void setFiltered(bool on);
    bool isFiltered() const { return filtered_; }
    void setSort(const QString &sort);
    const QString &sort() const { return sortText_; }

    // Hooks of the program, run inside the transaction of the operation they belong to.
    std::function<void(Query &)> afterInsert;
    // Runs first within the save's transaction, before the row is written: what it reads
    // (the largest key) is what the save writes against.
    std::function<void(Query &)> beforePost;
    // Runs before the save's transaction begins (it may ask the user); what it throws stops
    // the save, the row staying as typed.
    std::function<void(Query &)> beforeSave;
    std::function<void(Query &)> afterPost;
    std::function<void(Query &)> beforeDelete;
    std::function<void(Query &)> afterDelete;

    // Bytes held by the result's rows and indexes, for the benchmark.
    size_t memoryUsed() const;

    // For readers that keep figures of their own per stored row (the status-bar totals): the
    // stored rows with their cells as the engine gave them, the stored row behind a shown row
    // (-1 for the row being inserted, whose cells are only in value()), and a number that
    // changes with every result opened or closed.
    const RowStore &storedRows() const { return store_; }
    int storedRow(int row) const { return isInsertRow(row) ? -1 : int(view_[size_t(row)]); }
    quint64 resultSerial() const { return resultSerial_; }

Q_SIGNALS:
    void resultAboutToChange(); // open, close, filter, sort
    void resultChanged();
    void rowsAboutToBeInserted(int first, int last);
    void rowsInserted();
    void rowsAboutToBeRemoved(int first, int last);
    void rowsRemoved();
    void rowChanged(int row);
    void currentRowChanged(int row);
    void stateChanged();

private:
    friend class Field;

    struct BaseTable
    {
        QString name;
        std::vector<int> columns;    // result columns stored in this table
        std::vector<int> keyColumns; // result columns holding its key, when all are present
        QStringList keyNames;
    };

    int physicalRow(int row) const;
    bool isInsertRow(int row) const { return state_ == State::Insert && row == int(view_.size()); }
    QVariant storedValue(int physical, int column) const;
    QVariant bufferValue(int column) const;
    QVariant convertForField(int column, const QVariant &value) const;
    void writeField(int column, const QVariant &value);
    void loadBuffer();
    void storeBuffer(int physical, bool append);
    void describeColumns(const Statement &statement);
    void bindParameters(Statement &st, const QStringList &names) const;
    // The columns that tell one row from another: a table's key, or every column.
    std::vector<int> identifyingColumns() const;
    // Rebuilds the shown rows; `notify` false when the caller announces the change itself.
    void rebuildView(int keepPhysical, bool notify = true);
    void applyFilter();
    void setCurrentInternal(int row);
    void setState(State state);
    void refuseIfReadOnly() const; // throws when the database was opened read-only

    void insertIntoTables();
    void updateTables();
    void deleteFromTables(int physical);
    QString whereForRow(const BaseTable &table, const std::vector<QVariant> &original, QVariantList *binds) const;
    std::vector<QVariant> rowValues(int physical) const;

    Database *db_; // Not owned.
    QStringList sql_;
    QHash<QString, QVariant> parameters_;

    std::vector<FieldInfo> fields_;
    std::vector<BaseTable> tables_;
    RowStore store_;
    std::vector<uint32_t> order_; // physical rows in sort order
    std::vector<uint32_t> view_;  // rows of order_ that pass the filter
    int current_ = -1;
    bool bof_ = true;
    bool eof_ = true;

    State state_ = State::Inactive;
    std::vector<QVariant> buffer_;
    std::vector<bool> changed_;
    bool modified_ = false;

    QString filterText_;
    bool filtered_ = false;
    QString sortText_;
    quint64 resultSerial_ = 0;
};
