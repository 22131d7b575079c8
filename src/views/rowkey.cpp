#include "views/rowkey.h"

#include "data/query.h"

namespace RowKey {

QStringList fieldsForView(ViewKind viewKind)
{
    switch (viewKind) {
    case 0:
        return {};
    case 1:
        return {"Committente.IdCommittente", "IdCommittente", "Indirizzo.IdCommittente", "Recapiti.IdCommittente"};
    case 2:
        return {"Progetto.IdProgetto", "IdProgetto"};
    case 3:
        return {"Pagamenti.IdFattura", "IdFattura"};
    default:
        return {"Committente.IdCommittente", "Progetto.IdProgetto",    "IdCommittente",       "IdProgetto",
                "Indirizzo.IdCommittente",   "Recapiti.IdCommittente", "Pagamenti.IdFattura", "IdFattura"};
    }
}

int keyColumn(const Query &query, ViewKind viewKind)
{
    for (const QString &name : fieldsForView(viewKind))
        if (const int c = query.fieldIndex(name); c >= 0)
            return c;
    return -1;
}

QString keyOf(const Query &query, ViewKind viewKind, int row)
{
    const int c = keyColumn(query, viewKind);
    return c < 0 ? QString() : query.text(row, c);
}

} // namespace RowKey
