#include "app/jetactions.h"

#include "core/dialogs.h"
#include "core/workspace.h"
#include "data/database.h"
#include "data/databasebackup.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "data/table.h"
#include "exchange/jetdatabase.h"
#include "exchange/jetimport.h"
#include "exchange/jetreport.h"
#include "exchange/jetreportwindow.h"
#include "queries/querysequence.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace JetActions {

namespace {

QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

bool holdsData(Database &db)
{
    return db.scalar("SELECT (SELECT COUNT(*) FROM Committente) + (SELECT COUNT(*) FROM Progetto) + "
                     "(SELECT COUNT(*) FROM Pagamenti)")
               .toLongLong()
           > 0;
}

} // namespace

void importArchive(Workspace &workspace, const std::function<void()> &runStartupQuery, QWidget *parent)
{
    Database &db = workspace.connection();
    if (!db.isOpen())
        throw DbError(QStringLiteral("Il database non è aperto: l'archivio non può essere importato."));
    Dialogs::FileRequest request;
    request.caption = QStringLiteral("Importa archivio precedente");
    request.folder = workspace.programDir();
    request.filters = {QStringLiteral("Archivio Access (*.mdb)")};
    const QString source = Dialogs::instance().openFileName(request);
    if (source.isEmpty())
        return;
    workspace.saveTypedChange();
    const bool replacing = holdsData(db);
    if (replacing
        && !Dialogs::instance().question(
            QStringLiteral("Il database attuale contiene già dei dati: l'archivio %1 li sostituirà tutti.\n"
                           "Prima ne sarà fatta una copia nella cartella Backup. Continuare?")
                .arg(shown(source))))
        return;
    const QString fresh = db.path() + QStringLiteral(".conversione");
    QFile::remove(fresh);
    JetReport report;
    QString error;
    if (!JetImport::convert(source, fresh, &report, &error))
        throw DbError(QStringLiteral("L'archivio %1 non è stato importato: %2\nIl database non è stato modificato.")
                          .arg(shown(source), error));
    DatabaseBackup backup(db, Schema::databasePassword());
    try {
        if (replacing) {
            const QString folder = DatabaseBackup::folder(workspace.programDir());
            QDir().mkpath(folder);
            const QString copy = QDir(folder).filePath(
                QStringLiteral("DatiCliente-prima-dell-importazione-%1.mdb")
                    .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss"))));
            backup.copyTo(copy);
            report.previousKept = copy;
        }
        QuerySequence::closeResult(workspace);
        workspace.protezione()->close();
        backup.restoreFrom(fresh);
    } catch (const DbError &) {
        QFile::remove(fresh);
        if (db.isOpen()) {
            workspace.openConnection();
            runStartupQuery();
        }
        throw;
    }
    QFile::remove(fresh);
    workspace.openConnection();
    runStartupQuery();
    report.target = QFileInfo(db.path()).absoluteFilePath();
    JetReportWindow::showReport(report, parent);
}

void recalculatePaidAmounts(Workspace &workspace, const std::function<void()> &runStartupQuery)
{
    if (!Dialogs::instance().question(QStringLiteral("L'importo pagato di ogni progetto sarà sostituito dalla somma "
                                                     "dei suoi pagamenti. Continuare?")))
        return;
    workspace.saveTypedChange();
    QuerySequence::closeResult(workspace);
    const int changed = JetDatabase::recalculatePaidAmounts(workspace.connection());
    runStartupQuery();
    Dialogs::instance().message(
        changed == 0 ? QStringLiteral("Ogni importo pagato era già la somma dei pagamenti.")
                     : QStringLiteral("Importi pagati ricalcolati: %1 progetti aggiornati.").arg(changed));
}

} // namespace JetActions
