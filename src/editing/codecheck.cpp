#include "editing/codecheck.h"

#include "core/dialogs.h"
#include "core/fiscalcode.h"
#include "data/dberror.h"
#include "data/query.h"

void CodeCheck::confirmSave(const Query &query)
{
    const int row = query.currentRow();
    const bool inserting = query.state() == Query::State::Insert;
    for (const char *field : {"Codice_fiscale", "Partita_iva"}) {
        const int column = query.fieldIndex(QLatin1String(field));
        if (column < 0 || (!inserting && !query.isFieldChanged(column)))
            continue;
        const QString text = query.text(row, column);
        const bool fiscal = column == query.fieldIndex(QStringLiteral("Codice_fiscale"));
        const FiscalCode::Verdict verdict = fiscal ? FiscalCode::checkFiscalCode(text)
                                                   : FiscalCode::checkVatNumber(text);
        if (FiscalCode::acceptable(verdict))
            continue;
        const QString what = fiscal ? QStringLiteral("Il codice fiscale") : QStringLiteral("La partita IVA");
        if (!Dialogs::instance().question(QStringLiteral("%1 \"%2\" non supera il controllo: %3.\nSalvarlo comunque "
                                                         "così come è scritto?")
                                              .arg(what, text.trimmed(), FiscalCode::reason(verdict))))
            throw DbError(QStringLiteral("Il record non è stato salvato: correggere %1 e salvare di nuovo.")
                              .arg(fiscal ? QStringLiteral("il codice fiscale") : QStringLiteral("la partita IVA")));
    }
}
