#pragma once

#include <QByteArray>
#include <QString>

// What the first page of a file says about it: whether it is a Jet database (the format of
// the office's older archive, DatiCliente.mdb of Access 2000) and of which version, and the
// database password Jet keeps masked in that page. Jet 4 does not encrypt the data with the
// password: anyone can read the file; the password is only compared.
namespace JetFile {

enum class Format {
    NotJet,     // no Jet signature: a file of this program, or something else
    Jet3,       // Access 97 and older
    Jet4,       // Access 2000 to 2003: the format the program converts
    Accdb,      // Access 2007 and newer (.accdb)
    Damaged,    // a Jet signature, but the file ends within its first page
    Unreadable, // the file cannot be read
};

struct Header
{
    Format format = Format::Unreadable;
    // The database password, empty when the file has none (Jet 4 only).
    QString password;
};

// The header of the first page's bytes (at least its first 128 bytes for the format, 256 for
// the password).
Header inspectPage(const QByteArray &firstPage);
// The header of the file at `path`.
Header inspect(const QString &path);
// Whether `path` is a Jet or Access file of any version, damaged or not.
bool isJetFile(const QString &path);

// The Italian name of a format, for messages ("Access 97 (Jet 3)").
QString formatName(Format format);

} // namespace JetFile
