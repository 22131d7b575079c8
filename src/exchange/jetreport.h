#pragma once

#include <QList>
#include <QString>

// What a conversion of an old Jet archive did: the rows read and written for each table, and
// every finding (a row made, a value rounded, a link that leads nowhere) by table, key and
// column. Shown at the end of the conversion and saved as text by the user.
class JetReport
{
public:
    struct TableCount
    {
        QString table;
        qint64 read = 0;
        qint64 written = 0;
    };
    struct Finding
    {
        QString table;
        QString key;    // the row's key ("IdCommittente 7"), or what the finding is about
        QString column; // empty when about the whole row
        QString text;
    };

    QString source;       // the file converted
    QString target;       // the database written
    QString originalKept; // where the original file is kept, when it was moved aside
    QString previousKept; // the copy of the database the archive replaced

    void add(const QString &table, const QString &key, const QString &column, const QString &text);
    TableCount &count(const QString &table);

    const QList<TableCount> &counts() const { return counts_; }
    const QList<Finding> &findings() const { return findings_; }
    // The findings about `table`.
    QList<Finding> findingsOf(const QString &table) const;

    // The whole report as text, in Italian, as the window shows it and the user saves it.
    QString text() const;

private:
    QList<TableCount> counts_;
    QList<Finding> findings_;
};
