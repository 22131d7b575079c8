#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// One property of an address card, as read: `item1.TEL;TYPE=CELL:...` gives the group
// "item1", the name "TEL" and the parameter TYPE=CELL. Names are upper case; a value is
// decoded to text (quoted-printable and charset undone) but keeps its backslash escapes,
// which only the property's own structure can tell apart (see components()).
struct VCardProperty
{
    QString group;
    QString name;
    QList<QPair<QString, QString>> parameters; // names upper case; a list value split in several
    QString value;
    bool binary = false; // an inline photo, sound, key...: its value is dropped

    // Every TYPE of the property, upper case: "TEL;WORK;VOICE", "TYPE=work,voice" and
    // TYPE="work,voice" all give WORK and VOICE.
    QStringList types() const;
    QString parameter(const QString &name) const;
};

struct VCard
{
    QString version; // "2.1", "3.0", "4.0" or as written
    QList<VCardProperty> properties;

    // The properties of a name, in file order.
    QList<const VCardProperty *> all(const QString &name) const;
};

// Reads the cards of a .vcf file: vCard 2.1, 3.0 and 4.0, one card or many. Lines end in
// CR LF, LF or CR; folded lines (a line break then a blank or a tab) are joined, and so are
// the soft line breaks of quoted-printable values. A byte order mark is passed over; a
// value without a charset is UTF-8, or Windows-1252 when it is not valid UTF-8. Text
// outside BEGIN:VCARD ... END:VCARD is ignored; a BEGIN inside an open card ends that card;
// a card cut short by the end of the file is kept. Never fails: damaged input gives
// fewer or emptier cards.
class VCardReader
{
public:
    static QList<VCard> read(const QByteArray &bytes);
    // The same cards handed to `take` one by one, as each is read.
    static void forEachCard(const QByteArray &bytes, const std::function<void(VCard &&)> &take);

    // The text of a value: \n and \N give a line break, \, \; \: and \\ the character.
    static QString unescape(QStringView value);
    // The parts of a structured value (N, ADR) split at each unescaped ';', each unescaped.
    static QStringList components(QStringView value);

    // The longest logical line read; longer ones are cut (a damaged file's single line).
    static constexpr qsizetype kMaxLineBytes = qsizetype(16) * 1024 * 1024;
};
