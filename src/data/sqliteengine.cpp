#include "data/sqliteengine.h"

#include "data/dberror.h"
#include "data/sqlite.h"

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

class SqliteStatement final : public EngineStatement
{
public:
    SqliteStatement(const SqliteEngine &db, const QByteArray &sql) : db_(db)
    {
        const int rc = sqlite3_prepare_v2(db.handle(), sql.constData(), int(sql.size()), &stmt_, nullptr);
        if (rc != SQLITE_OK)
            db.raise(rc, db.isSaving(nullptr));
    }
    ~SqliteStatement() override { sqlite3_finalize(stmt_); }
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    void bindText(int index, const QByteArray &utf8) override
    {
        check(sqlite3_bind_text(stmt_, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT));
    }
    void bindNull(int index) override { sqlite3_bind_null(stmt_, index); }
    void bindInt(int index, qint64 value) override { check(sqlite3_bind_int64(stmt_, index, value)); }
    void bindDouble(int index, double value) override { check(sqlite3_bind_double(stmt_, index, value)); }

    bool step() override
    {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW)
            return true;
        if (rc == SQLITE_DONE)
            return false;
        db_.raise(rc, db_.isSaving(stmt_));
    }

    void reset() override
    {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }

    int columnCount() const override { return sqlite3_column_count(stmt_); }

    const char *cell(int column, std::size_t *size) const override
    {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt_, column));
        *size = std::size_t(sqlite3_column_bytes(stmt_, column));
        return text;
    }

    bool isNull(int column) const override { return sqlite3_column_type(stmt_, column) == SQLITE_NULL; }
    qint64 intValue(int column) const override { return sqlite3_column_int64(stmt_, column); }
    double doubleValue(int column) const override { return sqlite3_column_double(stmt_, column); }

    ValueType valueType(int column) const override
    {
        switch (sqlite3_column_type(stmt_, column)) {
        case SQLITE_NULL:
            return ValueType::Null;
        case SQLITE_INTEGER:
            return ValueType::Integer;
        case SQLITE_FLOAT:
            return ValueType::Float;
        default:
            return ValueType::Text;
        }
    }

    ColumnOrigin origin(int column) const override
    {
        ColumnOrigin o;
        o.name = QString::fromUtf8(sqlite3_column_name(stmt_, column));
        o.table = QString::fromUtf8(sqlite3_column_table_name(stmt_, column));
        o.column = QString::fromUtf8(sqlite3_column_origin_name(stmt_, column));
        o.declaredType = QByteArray(sqlite3_column_decltype(stmt_, column));
        return o;
    }

private:
    void check(int rc)
    {
        if (rc != SQLITE_OK)
            db_.raise(rc, db_.isSaving(stmt_));
    }

    const SqliteEngine &db_;
    sqlite3_stmt *stmt_ = nullptr;
};

} // namespace

SqliteEngine::SqliteEngine(sqlite3 *db, const QString &path) : db_(db), path_(path) {}

SqliteEngine::~SqliteEngine() { sqlite3_close_v2(db_); }

std::unique_ptr<SqliteEngine> SqliteEngine::open(const QString &path, const QByteArray &key)
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
    std::unique_ptr<SqliteEngine> engine(
        new SqliteEngine(openFile(path, key,
                                  cause == ReadOnlyCause::None ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY),
                         path));
    if (cause == ReadOnlyCause::None && sqlite3_db_readonly(engine->db_, "main") == 1)
        cause = ReadOnlyCause::File;
    engine->readOnly_ = cause;
    return engine;
}

QString SqliteEngine::readOnlyMessage() const
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

std::unique_ptr<SqliteEngine> SqliteEngine::create(const QString &path, const QByteArray &key)
{
    if (QFileInfo::exists(path))
        throw DbError(
            QStringLiteral("Il file esiste già e non viene sovrascritto: %1").arg(QDir::toNativeSeparators(path)));
    return std::unique_ptr<SqliteEngine>(
        new SqliteEngine(openFile(path, key, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE), path));
}

sqlite3 *SqliteEngine::openFile(const QString &path, const QByteArray &key, int flags)
{
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
    return db;
}

void SqliteEngine::raise(int code, bool saving) const
{
    throw DbError(explain(code, engineText(db_, code), path_, saving ? Activity::Saving : Activity::Reading));
}

bool SqliteEngine::isSaving(sqlite3_stmt *statement) const
{
    if (transactionDepth() > 0 || (db_ && !sqlite3_get_autocommit(db_)))
        return true;
    if (!statement)
        return false;
    // The engine counts BEGIN as reading; here it starts a save.
    return !sqlite3_stmt_readonly(statement) || qstrnicmp(sqlite3_sql(statement), "BEGIN", 5) == 0;
}
QString SqliteEngine::explain(int code, const QString &engine, const QString &path, Activity activity)
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

std::unique_ptr<EngineStatement> SqliteEngine::prepare(const QByteArray &sql)
{
    return std::make_unique<SqliteStatement>(*this, sql);
}

void SqliteEngine::exec(const QByteArray &sql)
{
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

bool SqliteEngine::inTransaction() const { return !sqlite3_get_autocommit(db_); }

int SqliteEngine::changes() const { return sqlite3_changes(db_); }

qint64 SqliteEngine::lastInsertRowId() const { return sqlite3_last_insert_rowid(db_); }

QString SqliteEngine::description() const { return QDir::toNativeSeparators(path_); }
