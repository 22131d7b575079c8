#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// A file of sections and keys as the Windows profile routines read and write it:
//   [SECTION]
//   Key=Value
// Texts are Windows-1252 on disk; lines end CR LF (LF alone is read too). The file is held
// as its own lines, so that what is not changed is written back byte for byte: comments,
// blank lines, foreign sections, odd spacing and garbage all survive a save.
//
// Reading follows the profile routines: section and key names compare without regard to
// case; names and values are trimmed of blanks, and a value enclosed in matching single or
// double quotes loses them. When a name occurs twice, the first occurrence counts, for
// sections and for keys alike: it is the one the routines find, and the later ones are
// invisible to readers. Lines that are neither a section header nor a key (no '=') are kept
// but carry nothing. A '[' line without its ']' still opens a section, named by the rest of
// the line, so that the keys under it are not read as belonging to the section above.
//
// Writing never lets a value break the line structure: line breaks in names and values are
// written as blanks.
class IniFile
{
public:
    using Entries = QList<std::pair<QString, QString>>;

    // Reads the file. A missing file is an empty one and is no error. False, with
    // errorString(), when the file exists but cannot be read; the contents are then empty.
    bool load(const QString &path);
    // Writes the file aside and renames it into place, so that a failed write (full disk, a
    // crash) leaves the old file whole. False, with errorString(), when it failed.
    bool save(const QString &path);
    QString errorString() const { return error_; }

    // The bytes as they would be written, and their parsing; load() and save() go through these.
    QByteArray toBytes() const;
    void setBytes(const QByteArray &bytes);

    QStringList sectionNames() const;
    bool containsSection(const QString &section) const;
    // The key names of a section, in file order, each once.
    QStringList keys(const QString &section) const;
    bool contains(const QString &section, const QString &key) const;
    QString value(const QString &section, const QString &key, const QString &fallback = {}) const;

    // Changes the key's line in place (a line whose value is already this one is left as it
    // is); a new key is added after the last line of its section, a new section at the end
    // of the file.
    void setValue(const QString &section, const QString &key, const QString &value);
    // Replaces the contents of a section with these keys, in this order, keeping the section
    // where it is in the file (a new one goes at the end). Later sections of the same name,
    // which readers never see, are removed. Lines that come out the same keep their bytes.
    void replaceSection(const QString &section, const Entries &entries);

private:
    enum class Kind { Other, Section, Key };
    // None only on a last line that has no line end.
    enum class LineEnd { CrLf, Lf, None };
    struct Line
    {
        QByteArray text; // without its line end
        LineEnd end = LineEnd::CrLf;
        Kind kind = Kind::Other;
        QString name;  // the section's or the key's name, trimmed
        QString value; // the key's value, trimmed and unquoted
    };

    static Line parse(const QByteArray &text, LineEnd end);
    static Line keyLine(const QString &key, const QString &value);
    static Line sectionLine(const QString &section);
    // Where each section's first header and each key's first line are, by their names
    // folded to one case: built in one pass when first needed after a change, so that
    // reading every key of a large file takes one pass over it, not one per key.
    struct Index
    {
        QHash<QString, qsizetype> sections;
        QHash<std::pair<qsizetype, QString>, qsizetype> keys; // by header and key name
    };
    const Index &index() const;
    // The first header of the section, or -1.
    qsizetype findSection(const QString &section) const;
    // The line after the section's last line: the next header or the end of the file.
    qsizetype sectionEnd(qsizetype header) const;
    // The line after the section's last line that is not blank.
    qsizetype contentEnd(qsizetype header) const;
    qsizetype findKey(qsizetype header, const QString &key) const;
    void appendSection(const QString &section, const Entries &entries);
    // Every line but the last must end, or it would run into the next one.
    void terminateLines();

    QList<Line> lines_;
    mutable std::optional<Index> index_;
    QString error_;
};
