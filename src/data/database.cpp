#include "data/database.h"

#include "data/sqlite.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace {

QString engineText(sqlite3 *db, int code)
{
    if (db)
        return QString::fromUtf8(sqlite3_errmsg(db));
    return QString::fromUtf8(sqlite3_errstr(code));
}

bool writable(const QString &path)
{
    // access() answers for this user and for the file system (a read-only mount is refused
    // even to root), which the permission bits alone do not tell.
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

QString nameAfter(const QString &engine, const QString &prefix) { return engine.mid(prefix.size()).trimmed(); }

} // namespace

// ---------------------------------------------------------------------------------------
// Statement

Statement::Statement(Database &db, const QByteArray &sql) : db_(db)
{
    if (!db.isOpen())
        throw DbError(QStringLiteral("Il database non è aperto."));
    const int rc = sqlite3_prepare_v2(db.handle(), sql.constData(), int(sql.size()), &stmt_, nullptr);
    if (rc != SQLITE_OK)
        db.raise(rc, db.isSaving(nullptr));
}

Statement::~Statement() { sqlite3_finalize(stmt_); }

void Statement::bind(int index, const QVariant &value)
{
    int rc = SQLITE_OK;
    if (value.isNull() || !value.isValid()) {
        rc = sqlite3_bind_null(stmt_, index);
    } else {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
        case QMetaType::UInt:
        case QMetaType::Bool:
            rc = sqlite3_bind_int64(stmt_, index, value.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(stmt_, index, value.toDouble());
            break;
        case QMetaType::QDate:
            bindText(index, value.toDate().toString(Qt::ISODate).toUtf8());
            return;
        case QMetaType::QDateTime: {
            const QDateTime dt = value.toDateTime();
            const QString text = dt.time() == QTime(0, 0) ? dt.date().toString(Qt::ISODate)
                                                          : dt.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
            bindText(index, text.toUtf8());
            return;
        }
        default:
            bindText(index, value.toString().toUtf8());
            return;
        }
    }
    if (rc != SQLITE_OK)
        db_.raise(rc, db_.isSaving(stmt_));
}

void Statement::bindText(int index, const QByteArray &utf8)
{
    const int rc = sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        db_.raise(rc, db_.isSaving(stmt_));
}

void Statement::bindNull(int index) { sqlite3_bind_null(stmt_, index); }

bool Statement::step()
{
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    db_.raise(rc, db_.isSaving(stmt_));
}

void Statement::reset()
{
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
}

int Statement::columnCount() const { return sqlite3_column_count(stmt_); }

QByteArray Statement::columnText(int column) const
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
    return QByteArray(text, sqlite3_column_bytes(stmt_, column));
}

qint64 Statement::columnInt(int column) const { return sqlite3_column_int64(stmt_, column); }

bool Statement::columnIsNull(int column) const { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }

// ---------------------------------------------------------------------------------------
// Database

Database::~Database() { close(); }

void Database::open(const QString &path, const QByteArray &key)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw DbError(QStringLiteral("Il file del database non esiste: %1").arg(QDir::toNativeSeparators(path)));
    if (!info.isFile())
        throw DbError(QStringLiteral("Il percorso del database non è un file: %1").arg(QDir::toNativeSeparators(path)));
    // A file or a folder that cannot be written is opened read-only on purpose, so that the
    // user is told at once rather than at the first save.
    ReadOnlyCause cause = ReadOnlyCause::None;
    if (!writable(path))
        cause = ReadOnlyCause::File;
    else if (!writable(info.absolutePath()))
        cause = ReadOnlyCause::Folder;
    openFile(path, key, cause == ReadOnlyCause::None ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY);
    if (cause == ReadOnlyCause::None && sqlite3_db_readonly(db_, "main") == 1)
        cause = ReadOnlyCause::File;
    readOnly_ = cause;
}

QString Database::readOnlyMessage() const
{
    const QString file = QDir::toNativeSeparators(path_);
    switch (readOnly_) {
    case ReadOnlyCause::None:
        return {};
    case ReadOnlyCause::File:
        return QStringLiteral("Il file del database %1 è di sola lettura. Il programma funziona in sola lettura: "
                              "si possono consultare i dati, eseguire le query ed esportarle, ma non inserire, "
                              "modificare o cancellare. Per lavorare sui dati chiudere il programma, rendere il file "
                              "scrivibile e riavviarlo.")
            .arg(file);
    case ReadOnlyCause::Folder:
        return QStringLiteral("La cartella del database %1 non permette di scrivere. Il programma funziona in sola "
                              "lettura: si possono consultare i dati, eseguire le query ed esportarle, ma non "
                              "inserire, modificare o cancellare. Per lavorare sui dati chiudere il programma, "
                              "rendere scrivibile la cartella e riavviarlo.")
            .arg(file);
    }
    return {};
}

void Database::create(const QString &path, const QByteArray &key)
{
    if (QFileInfo::exists(path))
        throw DbError(
            QStringLiteral("Il file esiste già e non viene sovrascritto: %1").arg(QDir::toNativeSeparators(path)));
    openFile(path, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
}

void Database::openFile(const QString &path, const QByteArray &key, int flags)
{
    close();
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString text = engineText(db, rc);
        sqlite3_close(db);
        throw DbError(explain(rc, text, path, Activity::Opening));
    }
    sqlite3_extended_result_codes(db, 0);
    sqlite3_busy_timeout(db, 2000);
    rc = sqlite3_key(db, key.constData(), int(key.size()));
    if (rc != SQLITE_OK) {
        // A key the codec does not take (an empty one) cannot be the file's.
        sqlite3_close(db);
        throw DbError(explain(SQLITE_NOTADB, QString::fromUtf8(sqlite3_errstr(SQLITE_NOTADB)), path, Activity::Opening));
    }
    {
        // The key is only checked when the first page is read.
        rc = sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString text = engineText(db, rc);
        sqlite3_close(db);
        throw DbError(explain(rc, text, path, Activity::Opening));
    }
    db_ = db;
    readOnly_ = ReadOnlyCause::None;
    path_ = path;
    depth_ = 0;
    tables_.clear();
}

void Database::close()
{
    if (db_) {
        sqlite3_close_v2(db_);
        db_ = nullptr;
    }
    tables_.clear();
    depth_ = 0;
}

void Database::raise(int code, bool saving) const
{
    throw DbError(explain(code, engineText(db_, code), path_, saving ? Activity::Saving : Activity::Reading));
}

bool Database::isSaving(sqlite3_stmt *statement) const
{
    if (depth_ > 0 || (db_ && !sqlite3_get_autocommit(db_)))
        return true;
    if (!statement)
        return false;
    // The engine counts BEGIN as reading; here it starts a save.
    return !sqlite3_stmt_readonly(statement) || qstrnicmp(sqlite3_sql(statement), "BEGIN", 5) == 0;
}

QString Database::explain(int code, const QString &engine, const QString &path, Activity activity)
{
    const QString file = QDir::toNativeSeparators(path);
    const bool opening = activity == Activity::Opening;
    const QString notSaved = activity == Activity::Saving ? QStringLiteral(" Le modifiche non sono state salvate.")
                                                          : QString();
    QString text;
    switch (code & 0xff) {
    case SQLITE_NOTADB:
        text = opening ? QStringLiteral("Il file %1 non è un database di Pratilio+, è danneggiato oppure la password "
                                        "del database è errata. Ripristinare una copia di sicurezza del file.")
                       : QStringLiteral("Il file del database %1 è danneggiato. Chiudere il programma e ripristinare "
                                        "una copia di sicurezza del file.");
        break;
    case SQLITE_CORRUPT:
        text = QStringLiteral("Il file del database %1 è danneggiato.%2 Chiudere il programma e ripristinare una copia "
                              "di sicurezza del file.");
        break;
    case SQLITE_READONLY:
        text = QStringLiteral(
            "Il database %1 è di sola lettura.%2 Chiudere il programma, rendere scrivibili il file e la "
            "sua cartella e riavviarlo.");
        break;
    case SQLITE_CANTOPEN:
        text = opening
                   ? QStringLiteral("Impossibile aprire il file del database %1: controllare che il file esista, che "
                                    "si possa leggere e che il disco sia collegato.")
                   : QStringLiteral("Impossibile scrivere nella cartella del database %1 (il database vi crea un "
                                    "file temporaneo per salvare in sicurezza).%2 Chiudere il programma, rendere "
                                    "scrivibile la cartella e riavviarlo.");
        break;
    case SQLITE_FULL:
        text = QStringLiteral("Il disco che contiene il database %1 è pieno.%2 Liberare spazio sul disco e riprovare.");
        break;
    case SQLITE_IOERR:
        text = QStringLiteral("Errore di lettura o scrittura sul disco del database %1.%2 Controllare il disco (e lo "
                              "spazio libero) e riprovare.");
        break;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        text = QStringLiteral("Il database %1 è bloccato da un altro programma.%2 Chiudere l'altro programma e "
                              "riprovare.");
        break;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        text = QStringLiteral("Non si hanno i permessi per usare il database %1.%2");
        break;
    case SQLITE_NOMEM:
        text = QStringLiteral("Memoria insufficiente per lavorare sul database %1.%2 Chiudere altri programmi e "
                              "riprovare.");
        break;
    case SQLITE_CONSTRAINT:
        text = QStringLiteral("Il database %1 ha rifiutato il record: una chiave esiste già o un valore non è "
                              "ammesso.%2");
        break;
    default:
        if (engine.startsWith(QLatin1String("no such table:"))) {
            text = QStringLiteral("Nel database %1 manca la tabella \"%2\": il file non è un database di Pratilio+ "
                                  "completo. Ripristinare una copia di sicurezza del file.")
                       .arg(file, nameAfter(engine, QStringLiteral("no such table:")));
            return QStringLiteral("%1 (%2)").arg(text, engine);
        }
        if (engine.startsWith(QLatin1String("no such column:"))) {
            text = QStringLiteral("Nel database %1 manca la colonna \"%2\" chiesta dalla query: il file non è un "
                                  "database di Pratilio+ completo oppure la query nomina un campo che non esiste.")
                       .arg(file, nameAfter(engine, QStringLiteral("no such column:")));
            return QStringLiteral("%1 (%2)").arg(text, engine);
        }
        if (opening)
            text = QStringLiteral("Impossibile aprire il database %1: controllare il file e la sua cartella, oppure "
                                  "ripristinare una copia di sicurezza del file.");
        else
            return engine; // the engine's own words: a statement's fault, or a trigger's RAISE
    }
    text.replace(QLatin1String("%2"), notSaved);
    return QStringLiteral("%1 (%2)").arg(text.arg(file), engine);
}

void Database::exec(const QString &sql) { exec(sql.toUtf8()); }

void Database::exec(const QByteArray &sql)
{
    if (!db_)
        throw DbError(QStringLiteral("Il database non è aperto."));
    // Statement by statement, so that each failure is told as what it stopped.
    const char *next = sql.constData();
    const char *const end = next + sql.size();
    while (next < end) {
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(db_, next, int(end - next), &stmt, &next);
        if (rc != SQLITE_OK)
            raise(rc, isSaving(nullptr));
        if (!stmt)
            continue; // blanks or a comment
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        const bool saving = isSaving(stmt);
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            raise(rc, saving);
    }
}

QVariant Database::scalar(const QByteArray &sql)
{
    Statement st(*this, sql);
    if (!st.step() || st.columnIsNull(0))
        return {};
    switch (sqlite3_column_type(st.handle(), 0)) {
    case SQLITE_INTEGER:
        return st.columnInt(0);
    case SQLITE_FLOAT:
        return sqlite3_column_double(st.handle(), 0);
    default:
        return QString::fromUtf8(st.columnText(0));
    }
}

qint64 Database::nextKey(const QString &table, const QString &column)
{
    // MAX over an indexed key is one look-up, not a walk of the whole table (a CAST around
    // the column would hide the index and read every row).
    const QByteArray sql
        = QStringLiteral("SELECT MAX(%1) FROM %2").arg(quoteIdentifier(column), quoteIdentifier(table)).toUtf8();
    const QVariant largest = scalar(sql);
    return largest.isNull() ? -1 : largest.toLongLong();
}

const Database::TableInfo &Database::tableInfo(const QString &table)
{
    auto it = tables_.constFind(table);
    if (it != tables_.constEnd())
        return *it;
    TableInfo info;
    Statement st(*this, QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(table)).toUtf8());
    QList<QPair<int, QString>> keys;
    while (st.step()) {
        const QString name = QString::fromUtf8(st.columnText(1));
        info.columns << name;
        if (const int pk = int(st.columnInt(5)); pk > 0)
            keys.append({pk, name});
    }
    std::sort(keys.begin(), keys.end());
    for (const auto &k : keys)
        info.keys << k.second;
    return *tables_.insert(table, info);
}

QStringList Database::columnNames(const QString &table) { return tableInfo(table).columns; }

QStringList Database::keyColumns(const QString &table) { return tableInfo(table).keys; }

bool Database::hasColumn(const QString &table, const QString &column)
{
    return tableInfo(table).columns.contains(column);
}

qint64 Database::lastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

int Database::changes() const { return sqlite3_changes(db_); }

void Database::begin()
{
    // The outermost level takes the write lock at once, so that what a save reads first
    // (the largest key) is still true when it writes.
    exec(depth_ == 0 ? QByteArray("BEGIN IMMEDIATE") : QByteArray("SAVEPOINT sp") + QByteArray::number(depth_ + 1));
    ++depth_;
}

void Database::commit()
{
    Q_ASSERT(depth_ > 0);
    exec(depth_ == 1 ? QByteArray("COMMIT") : QByteArray("RELEASE sp") + QByteArray::number(depth_));
    --depth_;
}

void Database::rollback()
{
    Q_ASSERT(depth_ > 0);
    const int depth = depth_--;
    if (depth == 1) {
        // A failed write may have ended the transaction already.
        if (!sqlite3_get_autocommit(db_))
            exec("ROLLBACK");
        return;
    }
    const QByteArray name = QByteArray("sp") + QByteArray::number(depth);
    exec("ROLLBACK TO " + name + "; RELEASE " + name);
}

QString Database::quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}
