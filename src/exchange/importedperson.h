#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// A person's data fields by column name ("Cognome", "Numero_cell1", "Codice_fiscale"...):
// the columns of the persons result without the keys. An absent or empty value is an
// empty field.
using PersonValues = QHash<QString, QString>;

// One person read from a file to be added to the address book.
struct ImportedPerson
{
    PersonValues values;
    // What the file held for this person that has no place in the record, ready to show
    // ("Telefono 905-111-1234").
    QStringList leftOut;
    // Where the person was read: the card's number, or the line of the file; counting from 1.
    int origin = 0;

    // "Rossi Mario", for the report; the e-mail when there is no name.
    QString displayName() const;
};
