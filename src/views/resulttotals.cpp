#include "views/resulttotals.h"

#include "data/query.h"
#include "data/recordfilter.h"
#include "data/values.h"

namespace {

qint64 centsOfValue(const QVariant &value)
{
    if (value.isNull())
        return 0;
    if (value.typeId() == QMetaType::QString) {
        qint64 cents = 0;
        return Values::readAmount(value.toString(), &cents) != Values::AmountReading::NotAnAmount ? cents : 0;
    }
    bool ok = false;
    const double amount = value.toDouble(&ok);
    return ok ? Values::amountToCents(amount) : 0;
}

} // namespace

ResultTotals::ResultTotals(const Query *query) : query_(query) {}

qint64 ResultTotals::centsOf(std::string_view stored)
{
    // The engine gives amounts as "1500" or "1500.5"; those are read digit by digit, exactly.
    // Anything else (an exponent, more than two decimals) goes the way of every amount.
    size_t i = 0;
    const bool negative = !stored.empty() && stored.front() == '-';
    if (negative || (!stored.empty() && stored.front() == '+'))
        ++i;
    qint64 whole = 0;
    int wholeDigits = 0;
    for (; i < stored.size() && stored[i] >= '0' && stored[i] <= '9' && wholeDigits < 15; ++i, ++wholeDigits)
        whole = whole * 10 + (stored[i] - '0');
    qint64 fraction = 0;
    int fractionDigits = 0;
    if (i < stored.size() && stored[i] == '.') {
        for (++i; i < stored.size() && stored[i] >= '0' && stored[i] <= '9' && fractionDigits < 3; ++i, ++fractionDigits)
            fraction = fraction * 10 + (stored[i] - '0');
    }
    if (i == stored.size() && wholeDigits + fractionDigits > 0 && fractionDigits <= 2) {
        const qint64 cents = whole * 100 + (fractionDigits == 1 ? fraction * 10 : fraction);
        return negative ? -cents : cents;
    }
    double amount = 0;
    return RecordFilter::toNumber(stored, &amount) ? Values::amountToCents(amount) : 0;
}

QString ResultTotals::euros(qint64 cents)
{
    const bool negative = cents < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(cents) : quint64(cents);
    const QString whole = QString::number(magnitude / 100);
    QString grouped;
    for (qsizetype i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            grouped += QLatin1Char('.');
        grouped += whole.at(i);
    }
    return QStringLiteral("€ %1%2,%3")
        .arg(negative ? QStringLiteral("-") : QString(), grouped)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

QString ResultTotals::text(const Sums &sums)
{
    switch (sums.kind) {
    case Kind::Projects:
        return QStringLiteral("Totale: %1 — Pagato: %2 — Da incassare: %3")
            .arg(euros(sums.totalCents), euros(sums.paidCents), euros(sums.owedCents()));
    case Kind::Payments:
        return QStringLiteral("Totale pagamenti: %1").arg(euros(sums.totalCents));
    case Kind::None:
        break;
    }
    return {};
}

void ResultTotals::startResult()
{
    serial_ = query_->resultSerial();
    firstCents_.clear();
    secondCents_.clear();
    const int total = query_->fieldIndex(QStringLiteral("Importo_totale"));
    const int paid = query_->fieldIndex(QStringLiteral("Importo_pagato"));
    const int payment = query_->fieldIndex(QStringLiteral("Importo"));
    kind_ = Kind::None;
    first_ = second_ = -1;
    if (total >= 0 && paid >= 0) {
        kind_ = Kind::Projects;
        first_ = total;
        second_ = paid;
    } else if (payment >= 0) {
        kind_ = Kind::Payments;
        first_ = payment;
    }
}

void ResultTotals::readStoredRow(int stored)
{
    const RowStore &rows = query_->storedRows();
    if (size_t(stored) >= firstCents_.size()) {
        firstCents_.resize(size_t(stored) + 1, 0);
        secondCents_.resize(second_ >= 0 ? size_t(stored) + 1 : 0, 0);
    }
    firstCents_[size_t(stored)] = centsOf(rows.cell(stored, first_));
    if (second_ >= 0)
        secondCents_[size_t(stored)] = centsOf(rows.cell(stored, second_));
}

void ResultTotals::rowChanged(int row)
{
    if (query_->resultSerial() != serial_ || kind_ == Kind::None || row < 0 || row >= query_->recordCount())
        return;
    if (const int stored = query_->storedRow(row); stored >= 0)
        readStoredRow(stored);
}

ResultTotals::Sums ResultTotals::compute()
{
    if (query_->resultSerial() != serial_)
        startResult();
    Sums sums;
    sums.kind = kind_;
    if (kind_ == Kind::None || !query_->isActive())
        return sums;
    // Rows saved since the result was read (new rows are stored at the end).
    for (int stored = int(firstCents_.size()); stored < query_->storedRows().rowCount(); ++stored)
        readStoredRow(stored);

    const bool typing = query_->state() == Query::State::Edit || query_->state() == Query::State::Insert;
    const int typed = typing ? query_->currentRow() : -1;
    const int rows = query_->recordCount();
    const bool projects = kind_ == Kind::Projects;
    for (int row = 0; row < rows; ++row) {
        const int stored = row == typed ? -1 : query_->storedRow(row);
        // A file written elsewhere may hold amounts past the program's range: the sums stop
        // at the 64-bit limit rather than wrap round.
        if (stored >= 0) {
            sums.totalCents = Values::addCents(sums.totalCents, firstCents_[size_t(stored)]);
            if (projects)
                sums.paidCents = Values::addCents(sums.paidCents, secondCents_[size_t(stored)]);
        } else {
            // The row being typed counts with what it holds now.
            sums.totalCents = Values::addCents(sums.totalCents, centsOfValue(query_->value(row, first_)));
            if (projects)
                sums.paidCents = Values::addCents(sums.paidCents, centsOfValue(query_->value(row, second_)));
        }
    }
    return sums;
}
