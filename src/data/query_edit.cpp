// Navigation, editing, filter and sort of Query.
#include "data/database.h"
#include "data/query.h"
#include "data/recordfilter.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <numeric>

// ---------------------------------------------------------------------------------------
// Navigation

void Query::setCurrentInternal(int row)
{
    const int count = recordCount();
    const int clamped = count == 0 ? -1 : std::clamp(row, 0, count - 1);
    if (clamped != current_) {
        current_ = clamped;
        Q_EMIT currentRowChanged(current_);
    }
}

void Query::setCurrentRow(int row)
{
    if (row == current_)
        return;
    checkBrowseMode();
    setCurrentInternal(row);
    bof_ = eof_ = recordCount() == 0;
}

void Query::first()
{
    checkBrowseMode();
    setCurrentInternal(0);
    bof_ = true;
    eof_ = recordCount() == 0;
}

void Query::last()
{
    checkBrowseMode();
    setCurrentInternal(recordCount() - 1);
    eof_ = true;
    bof_ = recordCount() == 0;
}

void Query::next()
{
    checkBrowseMode();
    if (current_ + 1 < recordCount()) {
        setCurrentInternal(current_ + 1);
        bof_ = eof_ = false;
    } else {
        eof_ = true;
    }
}

void Query::prior()
{
    checkBrowseMode();
    if (current_ > 0) {
        setCurrentInternal(current_ - 1);
        bof_ = eof_ = false;
    } else {
        bof_ = true;
    }
}

// ---------------------------------------------------------------------------------------
// Editing

void Query::setState(State state)
{
    if (state_ != state) {
        state_ = state;
        Q_EMIT stateChanged();
    }
}

void Query::loadBuffer()
{
    buffer_ = rowValues(physicalRow(current_));
    changed_.assign(fields_.size(), false);
    modified_ = false;
}

QVariant Query::bufferValue(int column) const { return buffer_.at(size_t(column)); }

void Query::checkBrowseMode()
{
    if (state_ == State::Edit || state_ == State::Insert) {
        if (modified_)
            post();
        else
            cancel();
    }
}

void Query::refuseIfReadOnly() const
{
    if (db_->isReadOnly())
        throw DbError(QStringLiteral("Il database %1 è aperto in sola lettura: non si possono inserire, modificare o "
                                     "cancellare record.")
                          .arg(QDir::toNativeSeparators(db_->path())));
}

void Query::edit()
{
    if (state_ == State::Edit || state_ == State::Insert)
        return;
    if (!isActive())
        throw DbError(QStringLiteral("Il risultato non è aperto."));
    if (current_ < 0)
        throw DbError(QStringLiteral("Nessun record da modificare."));
    refuseIfReadOnly();
    loadBuffer();
    setState(State::Edit);
}

void Query::insert()
{
    if (!isActive())
        throw DbError(QStringLiteral("Il risultato non è aperto."));
    refuseIfReadOnly();
    checkBrowseMode();
    const int row = int(view_.size());
    Q_EMIT rowsAboutToBeInserted(row, row);
    buffer_.assign(fields_.size(), QVariant());
    changed_.assign(fields_.size(), false);
    modified_ = false;
    state_ = State::Insert;
    Q_EMIT rowsInserted();
    Q_EMIT stateChanged();
    setCurrentInternal(row);
    bof_ = eof_ = false;
    if (afterInsert)
        afterInsert(*this);
}

void Query::cancel()
{
    if (state_ == State::Insert) {
        const int row = int(view_.size());
        Q_EMIT rowsAboutToBeRemoved(row, row);
        state_ = State::Browse;
        buffer_.clear();
        modified_ = false;
        Q_EMIT rowsRemoved();
        Q_EMIT stateChanged();
        current_ = -2; // force the signal: the row under the cursor is another one now
        setCurrentInternal(row - 1);
    } else if (state_ == State::Edit) {
        state_ = State::Browse;
        buffer_.clear();
        modified_ = false;
        Q_EMIT stateChanged();
        Q_EMIT rowChanged(current_);
    }
}

QVariant Query::convertForField(int column, const QVariant &value) const
{
    const FieldInfo &f = fields_.at(size_t(column));
    if (!value.isValid() || value.isNull())
        return {};
    const bool isText = value.typeId() == QMetaType::QString;
    const QString text = isText ? value.toString() : QString();
    if (isText && text.isEmpty())
        return {};
    auto refuse = [&]() -> DbError {
        return DbError(
            QStringLiteral("Il valore '%1' non è valido per il campo %2.").arg(value.toString(), f.displayName));
    };
    switch (f.kind) {
    case Values::Kind::Text:
        return value.toString();
    case Values::Kind::Integer: {
        bool ok = false;
        const qint64 n = isText ? text.trimmed().toLongLong(&ok) : value.toLongLong(&ok);
        if (!ok || (!isText && value.typeId() == QMetaType::Double && double(n) != value.toDouble()))
            throw refuse();
        return n;
    }
    case Values::Kind::Amount: {
        qint64 cents = 0;
        if (isText) {
            if (Values::readAmount(text, &cents) == Values::AmountReading::NotAnAmount)
                throw refuse();
        } else {
            bool ok = false;
            const double d = value.toDouble(&ok);
            if (!ok || std::isnan(d))
                throw refuse();
            cents = Values::amountToCents(d);
        }
        if (!Values::isAmountInRange(cents))
            throw DbError(QStringLiteral("Il valore '%1' è troppo grande per il campo %2: un importo arriva al "
                                         "massimo a %3.")
                              .arg(value.toString(), f.displayName, Values::maxAmountText()));
        return Values::storedAmount(cents);
    }
    case Values::Kind::Date: {
        QDate date;
        if (value.typeId() == QMetaType::QDate)
            date = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            date = value.toDateTime().date();
        else
            date = Values::parseDate(value.toString());
        if (!date.isValid())
            throw refuse();
        return date;
    }
    }
    return value;
}

void Query::writeField(int column, const QVariant &value)
{
    if (!isActive())
        throw DbError(QStringLiteral("Il risultato non è aperto."));
    const FieldInfo &f = fields_.at(size_t(column));
    if (f.readOnly)
        throw DbError(QStringLiteral("Il campo %1 non può essere modificato.").arg(f.displayName));
    const QVariant converted = convertForField(column, value);
    if (state_ == State::Browse)
        edit();
    buffer_[size_t(column)] = converted;
    changed_[size_t(column)] = true;
    modified_ = true;
    Q_EMIT rowChanged(current_);
}

void Query::storeBuffer(int physical, bool append)
{
    store_.beginRow();
    for (size_t c = 0; c < fields_.size(); ++c) {
        const QVariant &v = buffer_[c];
        if (v.isNull()) {
            store_.addCell("", 0, true);
        } else {
            const QByteArray text = Values::storedText(v, fields_[c].kind);
            store_.addCell(text.constData(), size_t(text.size()), false);
        }
    }
    if (append)
        store_.appendRow();
    else
        store_.replaceRow(physical);
}

void Query::post()
{
    if (state_ != State::Edit && state_ != State::Insert)
        return;
    if (beforeSave)
        beforeSave(*this);
    const State was = state_;
    const std::vector<QVariant> typed = buffer_;
    const std::vector<bool> changed = changed_;
    Transaction tx(*db_);
    try {
        if (beforePost)
            beforePost(*this);
        if (was == State::Insert)
            insertIntoTables();
        else
            updateTables();
    } catch (...) {
        buffer_ = typed; // keys filled in for the attempt are dropped with it
        throw;
    }

    // The row is in memory as saved while the hook runs, so that it reads what was stored.
    const int row = current_;
    int physical = -1;
    uint64_t oldRef = 0;
    if (was == State::Insert) {
        storeBuffer(-1, true);
        physical = store_.rowCount() - 1;
        order_.push_back(uint32_t(physical));
        view_.push_back(uint32_t(physical));
    } else {
        physical = physicalRow(row);
        oldRef = store_.rowRef(physical);
        storeBuffer(physical, false);
    }
    state_ = State::Browse;
    modified_ = false;
    try {
        if (afterPost)
            afterPost(*this);
        tx.commit();
    } catch (...) {
        // Put memory back as it was before the save; the transaction rolls the file back.
        if (was == State::Insert) {
            order_.pop_back();
            view_.pop_back();
            store_.dropLastRow();
        } else {
            store_.setRowRef(physical, oldRef);
        }
        buffer_ = typed;
        changed_ = changed;
        modified_ = true;
        state_ = was;
        current_ = row;
        throw;
    }
    Q_EMIT stateChanged();
    Q_EMIT rowChanged(row);
}

QString Query::whereForRow(const BaseTable &table, const std::vector<QVariant> &original, QVariantList *binds) const
{
    QStringList terms;
    if (!table.keyColumns.empty()) {
        for (int c : table.keyColumns) {
            terms << Database::quoteIdentifier(fields_[size_t(c)].column) + QStringLiteral(" IS ?");
            *binds << original[size_t(c)];
        }
        return terms.join(QStringLiteral(" AND "));
    }
    // No key in the result: find the row by all the values this result holds of it.
    for (int c : table.columns) {
        terms << Database::quoteIdentifier(fields_[size_t(c)].column) + QStringLiteral(" IS ?");
        *binds << original[size_t(c)];
    }
    return QStringLiteral("rowid = (SELECT rowid FROM %1 WHERE %2 LIMIT 1)")
        .arg(Database::quoteIdentifier(table.name), terms.join(QStringLiteral(" AND ")));
}

void Query::insertIntoTables()
{
    for (const BaseTable &t : tables_) {
        // A key left empty takes the value that a joined table already has for the same
        // column (the person's three rows share one IdCommittente).
        for (int k : t.keyColumns) {
            if (!buffer_[size_t(k)].isNull())
                continue;
            for (size_t c = 0; c < fields_.size(); ++c) {
                if (int(c) != k && !buffer_[c].isNull()
                    && fields_[c].column.compare(fields_[size_t(k)].column, Qt::CaseInsensitive) == 0) {
                    buffer_[size_t(k)] = buffer_[c];
                    break;
                }
            }
        }
        QStringList names, marks;
        QVariantList binds;
        for (int c : t.columns) {
            if (buffer_[size_t(c)].isNull())
                continue;
            names << Database::quoteIdentifier(fields_[size_t(c)].column);
            marks << QStringLiteral("?");
            binds << buffer_[size_t(c)];
        }
        const QString table = Database::quoteIdentifier(t.name);
        const QString sql = names.isEmpty()
                                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(table)
                                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(table, names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
        Statement st(*db_, sql.toUtf8());
        for (int i = 0; i < binds.size(); ++i)
            st.bind(i + 1, binds.at(i));
        st.step();
        // A key the engine assigned (the payments' invoice number) is read back.
        if (t.keyColumns.size() == 1 && buffer_[size_t(t.keyColumns[0])].isNull())
            buffer_[size_t(t.keyColumns[0])] = db_->lastInsertRowId();
    }
}

void Query::updateTables()
{
    const std::vector<QVariant> original = rowValues(physicalRow(current_));
    for (const BaseTable &t : tables_) {
        QStringList sets;
        QVariantList binds;
        for (int c : t.columns) {
            if (!changed_[size_t(c)])
                continue;
            sets << Database::quoteIdentifier(fields_[size_t(c)].column) + QStringLiteral(" = ?");
            binds << buffer_[size_t(c)];
        }
        if (sets.isEmpty())
            continue;
        QString where = whereForRow(t, original, &binds);
        // Each value the user replaces must still be the one read: another desk may have
        // changed it meanwhile, and its change is not overwritten without a word. Amounts
        // are compared in cents, as the engines may hold them as doubles.
        for (int c : t.columns) {
            if (!changed_[size_t(c)])
                continue;
            const QString column = Database::quoteIdentifier(fields_[size_t(c)].column);
            const QVariant &was = original[size_t(c)];
            if (fields_[size_t(c)].kind == Values::Kind::Amount && !was.isNull()) {
                where += QStringLiteral(" AND CAST(ROUND(%1 * 100) AS BIGINT) IS ?").arg(column);
                binds << qRound64(was.toDouble() * 100);
            } else {
                where += QStringLiteral(" AND %1 IS ?").arg(column);
                binds << was;
            }
        }
        const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                                .arg(Database::quoteIdentifier(t.name), sets.join(QStringLiteral(", ")), where);
        Statement st(*db_, sql.toUtf8());
        for (int i = 0; i < binds.size(); ++i)
            st.bind(i + 1, binds.at(i));
        st.step();
        if (db_->changes() == 0)
            throw DbError(QStringLiteral("Il record della tabella %1 è stato modificato o cancellato da un'altra "
                                         "postazione dopo che è stato letto: le modifiche non sono state salvate e "
                                         "restano nei campi. Rieseguire la query per vedere i dati attuali.")
                              .arg(t.name));
    }
}

void Query::deleteFromTables(int physical)
{
    const std::vector<QVariant> original = rowValues(physical);
    for (const BaseTable &t : tables_) {
        QVariantList binds;
        const QString sql = QStringLiteral("DELETE FROM %1 WHERE %2")
                                .arg(Database::quoteIdentifier(t.name), whereForRow(t, original, &binds));
        Statement st(*db_, sql.toUtf8());
        for (int i = 0; i < binds.size(); ++i)
            st.bind(i + 1, binds.at(i));
        st.step();
        // Another copy of the program (or a trigger) may have removed the row already: a
        // deletion that removes nothing is no deletion, and what follows it must not run.
        if (db_->changes() == 0)
            throw DbError(QStringLiteral("Il record non è più presente nella tabella %1 (forse è stato cancellato da "
                                         "un'altra copia del programma): non è stato cancellato nulla. Rieseguire la "
                                         "query per vedere i dati attuali.")
                              .arg(t.name));
    }
}

void Query::deleteRecord()
{
    if (!isActive())
        throw DbError(QStringLiteral("Il risultato non è aperto."));
    if (state_ == State::Insert) {
        cancel();
        return;
    }
    if (state_ == State::Edit)
        cancel();
    if (current_ < 0)
        throw DbError(QStringLiteral("Nessun record da cancellare."));
    refuseIfReadOnly();

    Transaction tx(*db_);
    if (beforeDelete)
        beforeDelete(*this);
    const int row = current_;
    const uint32_t physical = view_[size_t(row)];
    deleteFromTables(int(physical));

    const auto orderPos = std::find(order_.begin(), order_.end(), physical) - order_.begin();
    Q_EMIT rowsAboutToBeRemoved(row, row);
    view_.erase(view_.begin() + row);
    order_.erase(order_.begin() + orderPos);
    Q_EMIT rowsRemoved();
    current_ = -2;
    setCurrentInternal(row);
    try {
        if (afterDelete)
            afterDelete(*this);
        tx.commit();
    } catch (...) {
        Q_EMIT rowsAboutToBeInserted(row, row);
        view_.insert(view_.begin() + row, physical);
        order_.insert(order_.begin() + orderPos, physical);
        Q_EMIT rowsInserted();
        setCurrentInternal(row);
        throw;
    }
}

// ---------------------------------------------------------------------------------------
// Filter and sort

void Query::rebuildView(int keepPhysical, bool notify)
{
    std::vector<uint32_t> view;
    if (filtered_ && !filterText_.trimmed().isEmpty()) {
        const RecordFilter::Condition condition = RecordFilter::parse(filterText_);
        const int column = fieldIndex(condition.column);
        if (column < 0)
            throw DbError(QStringLiteral("Il campo '%1' del filtro non esiste nel risultato.").arg(condition.column));
        const RecordFilter::Matcher matcher(condition, fields_[size_t(column)].kind);
        view.reserve(order_.size() / 4);
        for (uint32_t physical : order_)
            if (matcher.matches(store_.cell(int(physical), column), store_.isNull(int(physical), column)))
                view.push_back(physical);
        view.shrink_to_fit();
    } else {
        view = order_;
    }
    if (notify)
        Q_EMIT resultAboutToChange();
    view_.swap(view);
    int row = view_.empty() ? -1 : 0;
    if (keepPhysical >= 0) {
        const auto it = std::find(view_.begin(), view_.end(), uint32_t(keepPhysical));
        if (it != view_.end())
            row = int(it - view_.begin());
    }
    current_ = row;
    bof_ = true;
    eof_ = view_.empty();
    if (notify) {
        Q_EMIT resultChanged();
        Q_EMIT currentRowChanged(current_);
    }
}

void Query::setFilter(const QString &expression)
{
    if (expression == filterText_)
        return;
    checkBrowseMode();
    filterText_ = expression;
    if (filtered_ && isActive())
        applyFilter();
}

void Query::applyFilter()
{
    try {
        rebuildView(-1);
    } catch (...) {
        // A filter the result cannot take is switched off: all rows show again.
        filtered_ = false;
        rebuildView(-1);
        throw;
    }
}

void Query::setFiltered(bool on)
{
    if (on == filtered_)
        return;
    checkBrowseMode();
    filtered_ = on;
    if (isActive())
        applyFilter();
}

void Query::setSort(const QString &sort)
{
    if (!isActive())
        throw DbError(QStringLiteral("Il risultato non è aperto."));
    checkBrowseMode();
    const std::vector<RecordFilter::SortKey> keys = RecordFilter::parseSort(sort);
    const int keep = current_ >= 0 ? physicalRow(current_) : -1;

    std::vector<uint32_t> order(size_t(store_.rowCount()));
    // Rows deleted from this result are no longer in order_; keep only the live ones.
    order = order_;
    std::sort(order.begin(), order.end()); // ties keep the rows' original order

    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        const int column = fieldIndex(key->column);
        if (column < 0)
            throw DbError(QStringLiteral("Il campo '%1' dell'ordinamento non esiste nel risultato.").arg(key->column));
        const Values::Kind kind = fields_[size_t(column)].kind;
        const bool desc = key->descending;
        const size_t rows = size_t(store_.rowCount());
        // Nulls come first in ascending order.
        if (kind == Values::Kind::Integer || kind == Values::Kind::Amount) {
            std::vector<double> numbers(rows, 0);
            std::vector<char> nulls(rows, 1);
            for (uint32_t r : order) {
                double v = 0;
                if (!store_.isNull(int(r), column) && RecordFilter::toNumber(store_.cell(int(r), column), &v)) {
                    numbers[r] = v;
                    nulls[r] = 0;
                }
            }
            std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
                if (nulls[a] != nulls[b])
                    return desc ? nulls[b] > nulls[a] : nulls[a] > nulls[b];
                return desc ? numbers[a] > numbers[b] : numbers[a] < numbers[b];
            });
        } else if (kind == Values::Kind::Date) {
            std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
                const std::string_view x = store_.cell(int(a), column), y = store_.cell(int(b), column);
                return desc ? y < x : x < y; // stored yyyy-MM-dd; an empty date sorts first
            });
        } else {
            std::vector<QString> folded(rows);
            for (uint32_t r : order) {
                const std::string_view cell = store_.cell(int(r), column);
                folded[r] = RecordFilter::sortFold(QString::fromUtf8(cell.data(), qsizetype(cell.size())));
            }
            std::stable_sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
                return desc ? folded[b] < folded[a] : folded[a] < folded[b];
            });
        }
    }
    order_.swap(order);
    sortText_ = sort;
    rebuildView(keep);
}
