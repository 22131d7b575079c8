#include "exchange/jetimport.h"

#include "core/dialogs.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "exchange/jetconversion.h"
#include "exchange/jetdatabase.h"
#include "exchange/jetfile.h"
#include "exchange/jetreader.h"
#include "exchange/jetreport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace JetImport {
namespace {

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

// The archive's password against the program's; another one is asked of the user.
bool passwordAccepted(const JetFile::Header &header, QString *error)
{
    const QString expected = QString::fromUtf8(Schema::databasePassword());
    if (header.password.isEmpty() || header.password == expected)
        return true;
    QString text = QStringLiteral("L'archivio è protetto da una password diversa da quella del programma.\n"
                                  "Inserire la password dell'archivio:");
    for (;;) {
        QString typed;
        if (!Dialogs::instance().askText(text, true, &typed)) {
            *error = QStringLiteral("conversione annullata: la password dell'archivio non è stata inserita.");
            return false;
        }
        if (typed == header.password)
            return true;
        text = QStringLiteral("Password errata.\nInserire la password dell'archivio:");
    }
}

} // namespace

bool convert(const QString &source, const QString &target, JetReport *report, QString *error)
{
    report->source = QFileInfo(source).absoluteFilePath();
    report->target = QFileInfo(target).absoluteFilePath();
    const JetFile::Header header = JetFile::inspect(source);
    switch (header.format) {
    case JetFile::Format::Jet4:
        break;
    case JetFile::Format::Jet3:
        *error = QStringLiteral("il file è nel formato di Access 97 o precedente (Jet 3), che il programma non "
                                "converte: aprirlo con Access 2000-2003 e salvarlo in quel formato.");
        return false;
    case JetFile::Format::Accdb:
        *error = QStringLiteral("il file è un database di Access 2007 o successivo (.accdb), che il programma non "
                                "converte: salvarlo da Access nel formato Access 2000-2003 (.mdb).");
        return false;
    case JetFile::Format::Damaged:
        *error = QStringLiteral("il file è un archivio Access troncato o danneggiato.");
        return false;
    case JetFile::Format::NotJet:
        *error = QStringLiteral("il file non è un archivio Access (.mdb).");
        return false;
    case JetFile::Format::Unreadable:
        *error = QStringLiteral("il file non può essere letto.");
        return false;
    }
    if (!passwordAccepted(header, error))
        return false;
    JetData data;
    JetReader reader;
    if (!reader.read(source, &data)) {
        *error = reader.errorString();
        return false;
    }
    JetConversion conversion;
    if (!conversion.prepare(data, report)) {
        *error = conversion.refusal();
        return false;
    }
    data = JetData(); // the rows read are no longer needed while writing
    try {
        JetDatabase::write(conversion, target, report);
    } catch (const DbError &e) {
        *error = e.text();
        return false;
    }
    return true;
}

QString asideName(const QString &databasePath)
{
    const QFileInfo info(databasePath);
    const QString base = info.completeBaseName() + QStringLiteral("-jet");
    QString name = info.dir().filePath(base + QStringLiteral(".mdb"));
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = info.dir().filePath(QStringLiteral("%1-%2.mdb").arg(base).arg(n));
    return name;
}

StartupOutcome offerAtStartup(const QString &databasePath, JetReport *report)
{
    if (!JetFile::isJetFile(databasePath))
        return StartupOutcome::NotJet;
    const QString aside = asideName(databasePath);
    if (!Dialogs::instance().askYesNo(
            QStringLiteral("Il database %1 è nel formato dell'archivio precedente (Access, Jet), che il programma "
                           "non apre direttamente.\n\n"
                           "Convertirlo ora nel formato attuale? L'originale resterà intatto accanto al nuovo "
                           "database, come %2.\n\n"
                           "Con \"No\" il programma si chiude senza modificare nulla.")
                .arg(shown(databasePath), QFileInfo(aside).fileName())))
        return StartupOutcome::Ended;
    const QString fresh = databasePath + QStringLiteral(".conversione");
    QFile::remove(fresh); // a conversion broken off earlier left only this
    QString error;
    if (!convert(databasePath, fresh, report, &error)) {
        Dialogs::instance().error(
            QStringLiteral("L'archivio %1 non è stato convertito: %2\nNon è stato modificato nulla.")
                .arg(shown(databasePath), error));
        return StartupOutcome::Ended;
    }
    // The original keeps its bytes under another name; the new database takes its place.
    if (!QFile::rename(databasePath, aside)) {
        QFile::remove(fresh);
        Dialogs::instance().error(QStringLiteral("L'archivio %1 non può essere rinominato in %2: la cartella non è "
                                                 "scrivibile? Non è stato modificato nulla.")
                                      .arg(shown(databasePath), shown(aside)));
        return StartupOutcome::Ended;
    }
    if (!QFile::rename(fresh, databasePath)) {
        QFile::rename(aside, databasePath);
        QFile::remove(fresh);
        Dialogs::instance().error(
            QStringLiteral("Il nuovo database non può prendere il posto di %1. Non è stato modificato nulla.")
                .arg(shown(databasePath)));
        return StartupOutcome::Ended;
    }
    report->source = QFileInfo(aside).absoluteFilePath();
    report->target = QFileInfo(databasePath).absoluteFilePath();
    report->originalKept = report->source;
    return StartupOutcome::Converted;
}

} // namespace JetImport
