#pragma once

#include "data/values.h"
#include "exchange/jetreader.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

class JetReport;

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

// Turns the seven tables of an old Jet archive into the program's: every key as it was, every
// amount exact to the cent, dates as dates, texts as they were, null kept apart from empty.
// What the archive holds that the program would not show or would read otherwise is handled
// and listed in the report (see the manual's chapter on the old archive); what cannot be
// converted without losing data refuses the whole archive, naming the reason.
class JetConversion
{
public:
    // Maps `data` into tables(); false with refusal() set when the archive cannot be converted.
    bool prepare(const JetData &data, JetReport *report);
    const QString &refusal() const { return refusal_; }
    const QList<ConvertedTable> &tables() const { return tables_; }
    const ConvertedTable *table(const QString &name) const;

    // The sum of an amount column in cents, as written.
    qint64 sumOfCents(const QString &table, const QString &column) const;

private:
    bool convertTable(const JetTable &source, int shape, ConvertedTable *out, JetReport *report);
    bool checkKeys(const ConvertedTable &t, const QString &keyColumn);
    void completePersons(JetReport *report);
    void checkProjects(JetReport *report);
    void checkStates(JetReport *report);
    bool convertPassword(JetReport *report);

    QString refusal_;
    QList<ConvertedTable> tables_;
};
