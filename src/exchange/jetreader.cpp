#include "exchange/jetreader.h"

#include "core/programpaths.h"
#include "exchange/mdbanswer.h"

namespace {

QString &fallbackHelper()
{
    static QString program;
    return program;
}

FramedChild::Texts childTexts()
{
    return {QStringLiteral("gli archivi .mdb"), QStringLiteral("il file è danneggiato.")};
}

// One cell; false for a row the child could not read or a type this side does not know.
bool takeCell(AnswerFields &in, JetCell *cell)
{
    cell->text.clear();
    switch (in.take<quint8>()) {
    case MdbAnswer::kNull:
        cell->type = JetCell::Null;
        return true;
    case MdbAnswer::kInt:
        cell->type = JetCell::Int;
        cell->number = in.take<qint64>();
        return true;
    case MdbAnswer::kMoney:
        cell->type = JetCell::Money;
        cell->number = in.take<qint64>();
        return true;
    case MdbAnswer::kDouble:
        cell->type = JetCell::Double;
        cell->real = in.take<double>();
        return true;
    case MdbAnswer::kDate:
        cell->type = JetCell::Date;
        cell->real = in.take<double>();
        return true;
    case MdbAnswer::kText:
        cell->type = JetCell::Text;
        cell->text = in.takeBytes();
        return true;
    case MdbAnswer::kOther:
        cell->type = JetCell::Other;
        return true;
    default:
        return false;
    }
}

// A table's columns and rows, into `sink`; false with `error` set when the answer ends or a
// row is damaged.
bool takeTable(AnswerFields &in, JetTableSink *sink, QString *error)
{
    JetTable table;
    table.name = QString::fromUtf8(in.takeBytes());
    const quint16 columns = in.take<quint16>();
    for (quint16 c = 0; c < columns && !in.isCut(); ++c) {
        table.columns << QString::fromUtf8(in.takeBytes());
        table.types << in.take<quint8>();
    }
    if (in.isCut())
        return false;
    sink->beginTable(table);
    QList<JetCell> row(columns);
    for (qint64 rows = 0; !in.isCut(); ++rows) {
        const quint8 mark = in.take<quint8>();
        if (mark == 0 && !in.isCut()) {
            sink->endTable();
            return true;
        }
        if (mark != 1)
            break;
        for (JetCell &cell : row) {
            if (!takeCell(in, &cell) || in.isCut()) {
                if (!in.isCut())
                    *error = QStringLiteral("una riga della tabella %1 (la %2) non può essere letta: il file è "
                                            "danneggiato.")
                                 .arg(table.name)
                                 .arg(rows + 1);
                return false;
            }
        }
        sink->row(row);
    }
    return false;
}

// Keeps every table whole, for JetData.
class Collector : public JetTableSink
{
public:
    void beginTable(const JetTable &table) override { data.tables << table; }
    void row(const QList<JetCell> &cells) override { data.tables.last().rows << cells; }
    void endTable() override {}
    void unreadableTable(const QString &name) override { data.unreadable << name; }

    JetData data;
};

} // namespace

int JetTable::column(const QString &wanted) const
{
    for (int i = 0; i < columns.size(); ++i) {
        if (columns.at(i).compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

const JetTable *JetData::table(const QString &wanted) const
{
    for (const JetTable &t : tables) {
        if (t.name.compare(wanted, Qt::CaseInsensitive) == 0)
            return &t;
    }
    return nullptr;
}

const QString JetReader::kHelperName = QStringLiteral("pratilio-mdbread");

QString JetReader::helperProgram()
{
    return FramedChild::besideOrFallback(ProgramPaths::ofRunningProgram().path(ProgramPaths::Place::MdbReader),
                                         fallbackHelper());
}

void JetReader::setFallbackHelper(const QString &program) { fallbackHelper() = program; }

bool JetReader::read(const QString &path, JetTableSink *sink)
{
    error_.clear();
    FramedChild child(kHelperName, childTexts());
    child.setTimeout(timeoutMs_);
    if (!child.start(helperProgram(), path)) {
        error_ = child.errorString();
        return false;
    }
    // The answer is taken as the child writes it: only a piece of it is ever held here.
    AnswerFields in(QByteArray(), [&child](QByteArray *piece) { return child.next(piece); });
    const bool taken = takeAnswer(in, sink);
    // However the answer went, how the child ended comes first: a child that was killed or
    // crashed explains a cut answer.
    if (!child.finish()) {
        error_ = child.errorString();
        return false;
    }
    return taken;
}

bool JetReader::read(const QString &path, JetData *data)
{
    Collector collector;
    if (!read(path, &collector))
        return false;
    *data = std::move(collector.data);
    return true;
}

bool JetReader::readAnswer(const QByteArray &answer, JetData *data)
{
    error_.clear();
    AnswerFields in(answer);
    Collector collector;
    if (!takeAnswer(in, &collector))
        return false;
    *data = std::move(collector.data);
    return true;
}

bool JetReader::takeAnswer(AnswerFields &in, JetTableSink *sink)
{
    const QString interrupted = FramedChild(kHelperName, childTexts()).interruptedReason();
    if (in.take<quint32>() != MdbAnswer::kMagic || in.take<quint16>() != MdbAnswer::kVersion) {
        error_ = interrupted;
        return false;
    }
    const quint8 outcome = in.take<quint8>();
    bool whole = true;
    if (outcome == MdbAnswer::kTables) {
        for (;;) {
            const quint8 mark = in.take<quint8>();
            if (in.isCut() || mark == MdbAnswer::kNoMoreTables)
                break;
            if (mark == MdbAnswer::kTableUnreadable) {
                const QString name = QString::fromUtf8(in.takeBytes());
                if (!in.isCut())
                    sink->unreadableTable(name);
            } else if (mark != MdbAnswer::kTableFollows || !takeTable(in, sink, &error_)) {
                whole = false;
                break;
            }
        }
    } else if (outcome == MdbAnswer::kOpenFailed) {
        error_ = QStringLiteral("il file non può essere aperto come archivio Access: è danneggiato.");
    } else if (outcome == MdbAnswer::kNoCatalog) {
        error_ = QStringLiteral("l'elenco delle tabelle del file non può essere letto: il file è danneggiato.");
    } else {
        whole = false;
    }
    if (!error_.isEmpty())
        return false;
    if (!whole || in.take<quint32>() != MdbAnswer::kEnd || in.isCut() || !in.atEnd()) {
        error_ = interrupted;
        return false;
    }
    return true;
}
