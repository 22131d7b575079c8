#pragma once

#include "data/values.h"
#include "exchange/jetreader.h"
#include "exchange/jetreport.h"

#include <QHash>
#include <QList>
#include <QMap>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

// One of the program's tables as it will be written: values in the program's kinds (text as
// UTF-8, integers, amounts in cents, dates), an invalid QVariant for null.
struct ConvertedTable
{
    QString name;
    QStringList columns;
    QList<Values::Kind> kinds;
    QList<QList<QVariant>> rows;

    int column(const QString &name) const;
};

// Where the converted rows go, table by table: the new database (JetDatabase::Writer) or, for
// the tests, memory.
class ConvertedRows
{
public:
    virtual ~ConvertedRows() = default;
    // A table's name, columns and kinds; its rows empty.
    virtual void beginTable(const ConvertedTable &table) = 0;
    virtual void addRow(const QList<QVariant> &row) = 0;
};

// What was written of one table, for the checks of the new database: its rows and the sum of
// each amount column in cents.
struct WrittenTable
{
    QString name;
    QStringList columns;
    QList<Values::Kind> kinds;
    qint64 rows = 0;
    QList<qint64> sums; // a column that is no amount sums to 0
};

// Turns the seven tables of an old Jet archive into the program's: every key as it was, every
// amount exact to the cent, dates as dates, texts as they were, null kept apart from empty.
// What the archive holds that the program would not show or would read otherwise is handled
// and listed in the report (see the manual's chapter on the old archive); what cannot be
// converted without losing data refuses the whole archive, naming the reason.
//
// The tables come one after the other, row by row, as the reader gives them, and each row
// goes on converted at once: only the keys of earlier tables are kept, for the checks that
// join them (persons without an address, payments of no project, paid amounts).
class JetConversion : public JetTableSink
{
public:
    // Converted rows kept in memory: tables().
    JetConversion();
    // Converted rows handed to `out`, which outlives the conversion.
    explicit JetConversion(ConvertedRows *out);
    ~JetConversion() override;

    // Before the first table: the findings go to `report`.
    void start(JetReport *report);
    // After the last table: false with refusal() set when the archive cannot be converted
    // (then what went out must be thrown away).
    bool finish();
    // All at once: start, every table of `data`, finish.
    bool prepare(const JetData &data, JetReport *report);

    const QString &refusal() const { return refusal_; }
    const QList<WrittenTable> &written() const { return written_; }
    // The tables kept in memory (only without an output of its own).
    const QList<ConvertedTable> &tables() const;
    const ConvertedTable *table(const QString &name) const;

    void beginTable(const JetTable &table) override;
    void row(const QList<JetCell> &cells) override;
    void endTable() override;
    void unreadableTable(const QString &name) override;

private:
    // What the checks after the payments need of a project.
    struct Project
    {
        qint64 key = 0;
        qint64 person = 0;
        qint64 storedPaid = 0; // in cents; null counts as 0
        qint64 paid = 0;       // the sum of its payments
        bool hasPerson = false;
        bool personExists = false;
        bool blankState = false;
    };

    bool refuse(const QString &reason);
    void put(const QList<QVariant> &row);
    QString rowKey(const QList<QVariant> &row) const;
    bool convertRow(const QList<JetCell> &cells);
    void checkPersonPart(const QList<QVariant> &row);
    void completePersonPart();
    void checkProject(const QList<QVariant> &row);
    void checkPayment(const QList<QVariant> &row);
    void reportProjects();
    bool keepState(const QList<QVariant> &row);
    void reportUnknownStates();
    void convertPassword();

    std::unique_ptr<ConvertedRows> memory_;
    ConvertedRows *out_;
    JetReport *report_ = nullptr;
    QString refusal_;
    QList<WrittenTable> written_;
    QStringList unreadable_;
    QList<bool> seen_; // for each table, whether the archive has it
    int next_ = 0;     // the index of the next table expected
    int current_ = -1; // the table being read; -1 while one is passed over
    // The current table.
    ConvertedTable shape_;
    QList<int> sourceColumn_;
    int keyColumn_ = -1;
    qint64 rowsRead_ = 0;
    QSet<qint64> keys_;
    QList<QVariant> converted_;
    // Findings named by the row's key, reported once the table is read, as they always were:
    // the values first, then the links to other tables.
    QList<JetReport::Finding> amountFindings_;
    QList<JetReport::Finding> dateFindings_;
    QList<JetReport::Finding> linkFindings_;
    // Kept from earlier tables.
    QList<qint64> persons_; // in the order read
    QSet<qint64> personKeys_;
    QHash<qint64, qsizetype> projectAt_; // project key -> index in projects_
    QList<Project> projects_;
    QMap<QString, QStringList> unknownStates_; // state name -> the projects in it
    QSet<QString> stateNames_;                 // case-folded
    QList<QVariant> password_;                 // the first row of Applicazione
    qint64 passwordRows_ = 0;
};
