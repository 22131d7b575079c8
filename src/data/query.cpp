#include "data/query.h"

#include "data/database.h"
#include "data/dialect.h"
#include "data/recordfilter.h"

#include <algorithm>
#include <numeric>
#include <string>

namespace {

QString shownAmount(std::string_view stored)
{
    double v = 0;
    if (stored.find('.') == std::string_view::npos && stored.find('e') == std::string_view::npos)
        return QString::fromUtf8(stored.data(), qsizetype(stored.size()));
    if (!RecordFilter::toNumber(stored, &v))
        return QString::fromUtf8(stored.data(), qsizetype(stored.size()));
    const qint64 cents = Values::amountToCents(v);
    if (cents % 100 == 0)
        return QString::number(cents / 100);
    return QString::number(Values::centsToAmount(cents), 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
}

QString shownValue(const QVariant &value, Values::Kind kind)
{
    if (value.isNull())
        return {};
    switch (kind) {
    case Values::Kind::Date:
        return value.typeId() == QMetaType::QDate ? value.toDate().toString(QStringLiteral("dd/MM/yyyy"))
                                                  : value.toString();
    case Values::Kind::Amount: {
        if (value.typeId() == QMetaType::Double) {
            const QByteArray text = QByteArray::number(value.toDouble(), 'g', 15);
            return shownAmount(std::string_view(text.constData(), size_t(text.size())));
        }
        return value.toString();
    }
    default:
        return value.toString();
    }
}

} // namespace

// ---------------------------------------------------------------------------------------
// Field

const QString &Field::name() const { return query_->fields_.at(size_t(column_)).name; }
const QString &Field::displayName() const { return query_->fields_.at(size_t(column_)).displayName; }
void Field::setDisplayName(const QString &title) { query_->setFieldDisplayName(column_, title); }
Values::Kind Field::kind() const { return query_->fields_.at(size_t(column_)).kind; }
bool Field::isReadOnly() const { return query_->fields_.at(size_t(column_)).readOnly; }
void Field::setReadOnly(bool readOnly) { query_->setFieldReadOnly(column_, readOnly); }

bool Field::isNull() const { return query_->current_ < 0 || query_->isNull(query_->current_, column_); }

QString Field::asString() const { return query_->current_ < 0 ? QString() : query_->text(query_->current_, column_); }

QVariant Field::value() const { return query_->current_ < 0 ? QVariant() : query_->value(query_->current_, column_); }

qint64 Field::asInteger() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    bool ok = false;
    qint64 n = v.toLongLong(&ok);
    if (!ok) {
        const double d = v.toString().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        n = qint64(d);
    }
    if (!ok)
        throw DbError(QStringLiteral("Il valore '%1' del campo %2 non è un numero intero.").arg(v.toString(), name()));
    return n;
}

double Field::asFloat() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    bool ok = false;
    double d = v.toDouble(&ok);
    if (!ok)
        d = v.toString().trimmed().replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok)
        throw DbError(QStringLiteral("Il valore '%1' del campo %2 non è un numero.").arg(v.toString(), name()));
    return d;
}

qint64 Field::asCents() const
{
    const QVariant v = value();
    if (v.isNull())
        return 0;
    qint64 cents = 0;
    const QByteArray text = Values::storedText(v, Values::Kind::Amount);
    if (Values::readAmount(QString::fromUtf8(text), &cents) == Values::AmountReading::NotAnAmount)
        throw DbError(QStringLiteral("Il valore '%1' del campo %2 non è un importo.").arg(v.toString(), name()));
    return cents;
}

QDate Field::asDate() const
{
    const QVariant v = value();
    if (v.typeId() == QMetaType::QDate)
        return v.toDate();
    return Values::parseDate(v.toString());
}

void Field::setValue(const QVariant &value) { query_->writeField(column_, value); }

// ---------------------------------------------------------------------------------------
// Query: opening and reading

Query::Query(Database *db, QObject *parent) : QObject(parent), db_(db) {}

Query::~Query() = default;

QString Query::statementText() const
{
    QString text;
    for (const QString &line : sql_)
        text += line + QStringLiteral("\r\n");
    return text;
}

void Query::setParameter(const QString &name, const QVariant &value) { parameters_.insert(name, value); }

void Query::open()
{
    if (isActive())
        close();
    if (!db_ || !db_->isOpen())
        throw DbError(QStringLiteral("Il database non è aperto."));

    const Dialect::Translated translated = Dialect::translate(statementText());
    Statement st(*db_, translated.sql);
    bindParameters(st, translated.parameterNames);

    Q_EMIT resultAboutToChange();
    ++resultSerial_;
    describeColumns(st);
    const int columns = int(fields_.size());
    store_.clear(columns);
    bool firstRow = true;
    try {
        while (st.step()) {
            store_.beginRow();
            for (int c = 0; c < columns; ++c) {
                std::size_t size = 0;
                const char *text = st.cell(c, &size);
                store_.addCell(text ? text : "", size, text == nullptr);
            }
            store_.appendRow();
            if (firstRow) {
                // Expressions have no declared type: take their kind from the first value.
                for (int c = 0; c < columns; ++c) {
                    if (!fields_[size_t(c)].table.isEmpty())
                        continue;
                    const ValueType type = st.valueType(c);
                    if (type == ValueType::Integer)
                        fields_[size_t(c)].kind = Values::Kind::Integer;
                    else if (type == ValueType::Float)
                        fields_[size_t(c)].kind = Values::Kind::Amount;
                }
                firstRow = false;
            }
        }
    } catch (...) {
        fields_.clear();
        tables_.clear();
        store_.clear(0);
        order_.clear();
        view_.clear();
        current_ = -1;
        Q_EMIT resultChanged();
        throw;
    }

    order_.resize(size_t(store_.rowCount()));
    std::iota(order_.begin(), order_.end(), 0u);
    sortText_.clear();
    state_ = State::Browse;
    modified_ = false;
    buffer_.clear();
    changed_.clear();
    try {
        rebuildView(-1, false);
    } catch (const DbError &) {
        // A filter that does not fit the new result is dropped, not fatal to the open.
        filtered_ = false;
        view_ = order_;
    }
    current_ = view_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = view_.empty();
    Q_EMIT resultChanged();
    Q_EMIT stateChanged();
    Q_EMIT currentRowChanged(current_);
}

void Query::bindParameters(Statement &st, const QStringList &names) const
{
    for (int i = 0; i < names.size(); ++i) {
        const QString &name = names.at(i);
        QVariant value = parameters_.value(name);
        if (!value.isValid() || value.typeId() == QMetaType::QString) {
            const QDate date = Values::parseDate(value.isValid() ? value.toString() : name);
            if (!date.isValid() && !value.isValid())
                throw DbError(QStringLiteral("Il parametro :%1 non ha un valore.").arg(name));
            if (date.isValid())
                value = date;
        }
        st.bind(i + 1, value);
    }
}

std::vector<int> Query::identifyingColumns() const
{
    for (const BaseTable &t : tables_)
        if (!t.keyColumns.empty())
            return t.keyColumns;
    std::vector<int> all(fields_.size());
    std::iota(all.begin(), all.end(), 0);
    return all;
}

void Query::reread()
{
    if (state_ != State::Browse)
        return;
    const Dialect::Translated translated = Dialect::translate(statementText());
    Statement st(*db_, translated.sql);
    bindParameters(st, translated.parameterNames);
    const int columns = int(fields_.size());
    if (st.columnCount() != columns)
        throw DbError(QStringLiteral("Il risultato è cambiato forma: rieseguire la query."));
    RowStore rows(columns);
    while (st.step()) {
        rows.beginRow();
        for (int c = 0; c < columns; ++c) {
            std::size_t size = 0;
            const char *text = st.cell(c, &size);
            rows.addCell(text ? text : "", size, text == nullptr);
        }
        rows.appendRow();
    }

    // The row the user was on, found again by its key (by all its values without one).
    const std::vector<int> identity = identifyingColumns();
    std::vector<std::string> wanted;
    if (current_ >= 0)
        for (int c : identity)
            wanted.emplace_back(store_.cell(physicalRow(current_), c));
    const int wasRow = current_;

    Q_EMIT resultAboutToChange();
    ++resultSerial_;
    store_ = std::move(rows);
    order_.resize(size_t(store_.rowCount()));
    std::iota(order_.begin(), order_.end(), 0u);
    const QString sort = sortText_;
    sortText_.clear();
    try {
        rebuildView(-1, false);
    } catch (const DbError &) {
        filtered_ = false;
        view_ = order_;
    }
    Q_EMIT resultChanged();
    if (!sort.isEmpty())
        setSort(sort);

    int row = view_.empty() ? -1 : qMin(qMax(wasRow, 0), int(view_.size()) - 1);
    if (!wanted.empty()) {
        for (size_t r = 0; r < view_.size(); ++r) {
            bool same = true;
            for (size_t k = 0; k < identity.size() && same; ++k)
                same = store_.cell(int(view_[r]), identity[k]) == wanted[k];
            if (same) {
                row = int(r);
                break;
            }
        }
    }
    current_ = -2;
    setCurrentInternal(row);
}

void Query::describeColumns(const Statement &statement)
{
    const int columns = statement.columnCount();
    fields_.assign(size_t(columns), FieldInfo());
    QHash<QString, int> nameCount;
    for (int c = 0; c < columns; ++c) {
        FieldInfo &f = fields_[size_t(c)];
        ColumnOrigin origin = statement.origin(c);
        f.name = std::move(origin.name);
        f.table = std::move(origin.table);
        f.column = std::move(origin.column);
        f.kind = Values::kindOfDeclaredType(origin.declaredType);
        f.readOnly = f.table.isEmpty(); // an expression has nowhere to be written
        nameCount[f.name.toLower()]++;
    }
    // A name that the select list repeats is qualified with its table.
    for (FieldInfo &f : fields_) {
        if (nameCount.value(f.name.toLower()) > 1 && !f.table.isEmpty())
            f.name = f.table + QLatin1Char('.') + f.column;
        f.displayName = f.name;
    }

    tables_.clear();
    for (int c = 0; c < columns; ++c) {
        const FieldInfo &f = fields_[size_t(c)];
        if (f.table.isEmpty())
            continue;
        auto it = std::find_if(tables_.begin(), tables_.end(), [&](const BaseTable &t) { return t.name == f.table; });
        if (it == tables_.end()) {
            tables_.push_back(BaseTable{f.table, {}, {}, {}});
            it = tables_.end() - 1;
        }
        it->columns.push_back(c);
    }
    for (BaseTable &t : tables_) {
        t.keyNames = db_->keyColumns(t.name);
        for (const QString &key : t.keyNames) {
            for (int c : t.columns) {
                if (fields_[size_t(c)].column.compare(key, Qt::CaseInsensitive) == 0) {
                    t.keyColumns.push_back(c);
                    break;
                }
            }
        }
        if (t.keyColumns.size() != size_t(t.keyNames.size()))
            t.keyColumns.clear(); // rows of this table are found by their values instead
    }
}

void Query::close()
{
    if (!isActive() && fields_.empty())
        return;
    Q_EMIT resultAboutToChange();
    ++resultSerial_;
    state_ = State::Inactive;
    fields_.clear();
    tables_.clear();
    store_.clear(0);
    // The row orders of a short result stay allocated for the next one; a long one's go.
    for (std::vector<uint32_t> *rows : {&order_, &view_}) {
        rows->clear();
        if (rows->capacity() > 4096)
            rows->shrink_to_fit();
    }
    buffer_.clear();
    changed_.clear();
    modified_ = false;
    current_ = -1;
    bof_ = eof_ = true;
    Q_EMIT resultChanged();
    Q_EMIT stateChanged();
    Q_EMIT currentRowChanged(current_);
}

int Query::fieldIndex(const QString &name) const
{
    for (size_t c = 0; c < fields_.size(); ++c)
        if (fields_[c].name.compare(name, Qt::CaseInsensitive) == 0)
            return int(c);
    return -1;
}

Field Query::findField(const QString &name)
{
    const int c = fieldIndex(name);
    return c < 0 ? Field() : Field(this, c);
}

Field Query::fieldByName(const QString &name)
{
    const int c = fieldIndex(name);
    if (c < 0)
        throw DbError(QStringLiteral("Campo '%1' non trovato.").arg(name));
    return Field(this, c);
}

void Query::setFieldDisplayName(int column, const QString &title) { fields_.at(size_t(column)).displayName = title; }

void Query::setFieldReadOnly(int column, bool readOnly) { fields_.at(size_t(column)).readOnly = readOnly; }

int Query::recordCount() const { return int(view_.size()) + (state_ == State::Insert ? 1 : 0); }

int Query::physicalRow(int row) const { return int(view_.at(size_t(row))); }

QString Query::text(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= fieldCount())
        return {};
    const FieldInfo &f = fields_[size_t(column)];
    if (isInsertRow(row) || (state_ == State::Edit && row == current_))
        return shownValue(buffer_[size_t(column)], f.kind);
    const int physical = physicalRow(row);
    if (store_.isNull(physical, column))
        return {};
    const std::string_view cell = store_.cell(physical, column);
    switch (f.kind) {
    case Values::Kind::Date:
        return Values::dateShown(QByteArray(cell.data(), qsizetype(cell.size())));
    case Values::Kind::Amount:
        return shownAmount(cell);
    default:
        return QString::fromUtf8(cell.data(), qsizetype(cell.size()));
    }
}

QVariant Query::value(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= fieldCount())
        return {};
    if (isInsertRow(row) || (state_ == State::Edit && row == current_))
        return buffer_[size_t(column)];
    return storedValue(physicalRow(row), column);
}

bool Query::isNull(int row, int column) const
{
    if (row < 0 || row >= recordCount() || column < 0 || column >= fieldCount())
        return true;
    if (isInsertRow(row) || (state_ == State::Edit && row == current_))
        return buffer_[size_t(column)].isNull();
    return store_.isNull(physicalRow(row), column);
}

QVariant Query::storedValue(int physical, int column) const
{
    if (store_.isNull(physical, column))
        return {};
    return typedValue(store_.cell(physical, column), fields_[size_t(column)].kind);
}

QVariant Query::typedValue(std::string_view cell, Values::Kind kind)
{
    const QString text = QString::fromUtf8(cell.data(), qsizetype(cell.size()));
    switch (kind) {
    case Values::Kind::Integer: {
        bool ok = false;
        const qint64 n = text.toLongLong(&ok);
        if (ok)
            return n;
        double d = 0;
        if (RecordFilter::toNumber(cell, &d))
            return d;
        return text;
    }
    case Values::Kind::Amount: {
        double d = 0;
        if (RecordFilter::toNumber(cell, &d))
            return d;
        return text;
    }
    case Values::Kind::Date: {
        const QDate date = Values::dateFromStored(QByteArray(cell.data(), qsizetype(cell.size())));
        if (date.isValid())
            return date;
        return text;
    }
    default:
        return text;
    }
}

std::vector<QVariant> Query::rowValues(int physical) const
{
    std::vector<QVariant> values(fields_.size());
    for (size_t c = 0; c < fields_.size(); ++c)
        values[c] = storedValue(physical, int(c));
    return values;
}

size_t Query::memoryUsed() const
{
    return store_.memoryUsed() + (order_.capacity() + view_.capacity()) * sizeof(uint32_t)
           + fields_.capacity() * sizeof(FieldInfo);
}
