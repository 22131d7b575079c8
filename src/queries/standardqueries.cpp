#include "queries/standardqueries.h"

namespace StandardQueries {

namespace {

const QString kStatusPrefix = QStringLiteral("Query attuale: ");

QString projectsInState(const char *state)
{
    return QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente AND Stato = \"%1\"")
        .arg(QLatin1String(state));
}

} // namespace

QString personsColumns()
{
    return QStringLiteral("SELECT Committente.IdCommittente, Cognome, Nome, Qualifica, Indirizzo.IdCommittente, "
                          "CAP, Città, Via, Recapiti.*, Codice_fiscale, Partita_iva, Note");
}

QString distinctPersonsColumns()
{
    return QStringLiteral("SELECT DISTINCT Committente.IdCommittente, Cognome, Nome, Qualifica, "
                          "Indirizzo.IdCommittente, CAP, Città, Via, Recapiti.*, Codice_fiscale, Partita_iva, Note");
}

QString personsTables() { return QStringLiteral("FROM Committente, Indirizzo, Recapiti"); }

QString personsJoin()
{
    return QStringLiteral("WHERE Committente.IdCommittente=Indirizzo.IdCommittente "
                          "AND Indirizzo.IdCommittente=Recapiti.IdCommittente");
}

QString projectsColumns()
{
    return QStringLiteral("SELECT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, "
                          "Descrizione, Comune, Stato, Importo_totale, Importo_pagato, Data_inizio, Data_fine, "
                          "Data_scadenza, Archivio, Nota");
}

QString projectsTables() { return QStringLiteral("FROM Committente, Progetto"); }

QString projectsJoin() { return QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente"); }

ResultStep personsQuery(const QStringList &lines, const QString &status, bool addEnabled)
{
    ResultStep d;
    d.lines = lines;
    d.viewKind = ViewPersons;
    d.insertKind = InsertPerson;
    d.searchField = QStringLiteral("Cognome");
    d.drillDownCaption = QStringLiteral("Visualizza progetti");
    d.addEnabled = addEnabled;
    d.deleteEnabled = true;
    d.status = kStatusPrefix + status;
    return d;
}

ResultStep projectsQuery(const QStringList &lines, const QString &status)
{
    ResultStep d;
    d.lines = lines;
    d.viewKind = ViewProjects;
    d.searchField = QStringLiteral("Cognome cliente");
    d.drillDownCaption = QStringLiteral("Visualizza pagamenti");
    d.addEnabled = false;
    d.deleteEnabled = true;
    d.status = kStatusPrefix + status;
    return d;
}

ResultStep describe(StandardQuery query)
{
    switch (query) {
    case StandardQuery::Committente:
        return personsQuery({personsColumns(), personsTables(), personsJoin()}, QStringLiteral("Tutte le persone"),
                            true);
    case StandardQuery::ConProgetti:
        return personsQuery({distinctPersonsColumns(), QStringLiteral("FROM Committente, Progetto, Indirizzo, Recapiti"),
                             QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente "
                                            "AND Committente.IdCommittente=Indirizzo.IdCommittente "
                                            "AND Indirizzo.IdCommittente=Recapiti.IdCommittente")},
                            QStringLiteral("Persone con progetti"));
    case StandardQuery::SenzaProgetti:
        // The missing blank before "AND" is how the statement has always read; the engine accepts it.
        return personsQuery({distinctPersonsColumns(), personsTables(),
                             QStringLiteral("WHERE Committente.IdCommittente NOT IN (SELECT Progetto.IdCommittente "
                                            "FROM Progetto)AND Committente.IdCommittente=Indirizzo.IdCommittente "
                                            "AND Indirizzo.IdCommittente=Recapiti.IdCommittente")},
                            QStringLiteral("Persone senza progetti"));
    case StandardQuery::Progetto:
        return projectsQuery({projectsColumns(), projectsTables(), projectsJoin()}, QStringLiteral("Tutti i progetti"));
    case StandardQuery::InCorso:
        return projectsQuery({projectsColumns(), projectsTables(), projectsInState("In corso")},
                             QStringLiteral("Progetti in corso"));
    case StandardQuery::DaIniziare:
        return projectsQuery({projectsColumns(), projectsTables(), projectsInState("Da iniziare")},
                             QStringLiteral("Progetti da iniziare"));
    case StandardQuery::Sospesi:
        return projectsQuery({projectsColumns(), projectsTables(), projectsInState("Sospeso")},
                             QStringLiteral("Progetti sospesi"));
    case StandardQuery::NonPagati:
        return projectsQuery({projectsColumns(), projectsTables(),
                              QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente "
                                             "AND Importo_pagato < Importo_totale")},
                             QStringLiteral("Progetti non pagati o pagati in parte"));
    case StandardQuery::Pagati:
        return projectsQuery({projectsColumns(), projectsTables(),
                              QStringLiteral("WHERE Committente.IdCommittente=Progetto.IdCommittente "
                                             "AND Importo_pagato = Importo_totale")},
                             QStringLiteral("Progetti pagati"));
    }
    return {};
}

std::optional<StandardQuery> forInitialKind(int kind, bool atStartup)
{
    switch (kind) {
    case -1:
        if (atStartup)
            return StandardQuery::Committente;
        return std::nullopt;
    case 0:
        return StandardQuery::Committente;
    case 1:
        return StandardQuery::ConProgetti;
    case 2:
        return StandardQuery::Progetto;
    case 3:
        return StandardQuery::InCorso;
    case 4:
        return StandardQuery::Pagati;
    case 5:
        return StandardQuery::NonPagati;
    default:
        return std::nullopt;
    }
}

QString quoted(const QString &text)
{
    QString inner = text;
    inner.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + inner + QLatin1Char('\'');
}

QStringList projectsOfPerson(qint64 personId, const QString &surname)
{
    return {QStringLiteral("SELECT DISTINCT IdProgetto, Progetto.IdCommittente, Cognome_progettista, Nome_progettista, "
                           "Descrizione, Comune, Stato, Importo_totale, Importo_pagato, Data_inizio, Data_fine, "
                           "Data_scadenza, Archivio, Nota"),
            QStringLiteral("FROM Committente, Progetto"),
            QStringLiteral("WHERE Progetto.IdCommittente=") + QString::number(personId)
                + QStringLiteral(" AND Cognome_progettista=") + quoted(surname)};
}

QStringList paymentsOfProject(const QString &projectKey)
{
    return {QStringLiteral("SELECT IdProgetto, IdFattura, Importo, Data, Fattura"), QStringLiteral("FROM Pagamenti"),
            QStringLiteral("WHERE IdProgetto =") + projectKey};
}

QStringList paymentsAfterSave(const QString &projectKey)
{
    return {QStringLiteral("SELECT IdProgetto, Importo, Data, Fattura"), QStringLiteral("FROM Pagamenti"),
            QStringLiteral("WHERE IdProgetto =") + projectKey};
}

} // namespace StandardQueries
