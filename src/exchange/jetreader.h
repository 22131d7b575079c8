#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One cell of a Jet table as the file holds it (see mdbanswer.h): a number, an amount in
// ten-thousandths, a double (a Double column, or a date as Jet keeps it), a text in UTF-8, or
// null. A null text and an empty one are two things.
struct JetCell
{
    enum Type : quint8 { Null, Int, Money, Double, Date, Text, Other };
    Type type = Null;
    qint64 number = 0; // Int and Money
    double real = 0;   // Double and Date
    QByteArray text;   // Text
};

struct JetTable
{
    QString name;
    QStringList columns;
    QList<quint8> types; // libmdb's column types
    QList<QList<JetCell>> rows;

    int column(const QString &name) const; // -1 when absent; found without regard to case
};

// The program's tables found in one Jet file.
struct JetData
{
    QList<JetTable> tables;
    QStringList unreadable; // tables whose definition is damaged

    const JetTable *table(const QString &name) const; // found without regard to case
};

// Reads the program's tables of a Jet database through mdbtools in a child process,
// pratilio-mdbread: the library can crash or hang on a damaged file, and then only the child
// ends. This side takes the tables only from a whole, well-formed answer of a child that
// ended normally; anything else refuses the file with an Italian reason.
class JetReader
{
public:
    static const QString kHelperName; // "pratilio-mdbread"

    bool read(const QString &path, JetData *data);
    const QString &errorString() const { return error_; }

    // How long the child may read before it is killed as hung.
    void setTimeout(int ms) { timeoutMs_ = ms; }

    // The helper the program runs: the one beside the running program, else the fallback.
    static QString helperProgram();
    // For the tests and the benchmark, whose executables live in other folders than the program.
    static void setFallbackHelper(const QString &program);

    // Takes the tables from a child's answer; anything but a whole, well-formed answer is
    // refused.
    bool readAnswer(const QByteArray &answer, JetData *data);

private:
    QString error_;
    int timeoutMs_ = 300000;
};
