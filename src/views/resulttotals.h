#pragma once

#include "data/values.h"

#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

class Query;

// What the shown rows of the current result add up to: in a projects result the total fees,
// what has been paid and what is still owed; in a payments result the payments. Sums are
// kept in whole cents, so they are exact whatever the number of rows. The cents of each
// stored row are read once per result and kept, so that a new filter or a changed row costs
// one pass over the shown rows and no statement.
class ResultTotals
{
public:
    enum class Kind { None, Projects, Payments };

    struct Sums
    {
        Kind kind = Kind::None;
        qint64 totalCents = 0; // projects: Importo_totale; payments: Importo
        qint64 paidCents = 0;  // projects: Importo_pagato
        qint64 owedCents() const { return Values::subtractCents(totalCents, paidCents); }
    };

    explicit ResultTotals(const Query *query);

    // The sums over the rows shown now (the filter applied, the row being typed as typed).
    Sums compute();
    // A stored row was written again: read its amounts anew. `row` is a shown row.
    void rowChanged(int row);

    // "Totale: € 12.345,00 — Pagato: ... — Da incassare: ..." or "Totale pagamenti: € ...";
    // empty for any other result.
    static QString text(const Sums &sums);
    // "€ 12.345,00": thousands with a point, cents after a comma.
    static QString euros(qint64 cents);
    // The cents of a stored amount ("1500", "1500.5", "-3.25", "1.5e3"); 0 for an empty or
    // unreadable one.
    static qint64 centsOf(std::string_view stored);

private:
    void startResult();
    void readStoredRow(int stored);

    const Query *query_; // Not owned.
    quint64 serial_ = ~quint64(0);
    Kind kind_ = Kind::None;
    int first_ = -1;  // Importo_totale, or Importo in a payments result
    int second_ = -1; // Importo_pagato
    std::vector<qint64> firstCents_;
    std::vector<qint64> secondCents_;
};
