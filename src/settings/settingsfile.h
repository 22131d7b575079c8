#pragma once

#include "data/fieldcatalogue.h"

#include <QString>
#include <QStringList>

#include <array>

class IniFile;

// The user's preferences kept in Default.ini, as plain data. A default-constructed one holds
// what a missing file gives: the defaults of each key, taken from the settings table (in
// settingsfile.cpp), the one place that names the sections, keys and defaults.
struct Preferences
{
    struct Column
    {
        bool visible{};
        int width{};
        bool operator==(const Column &) const = default;
    };

    // The defaults; the members are only zeroed here, so that the table stays the one place.
    Preferences();

    int initialQueryKind{}; // the start-up query; StandardQueries::forInitialKind gives its values
    bool gridPanelVisible{};
    bool cardPanelVisible{};
    std::array<Column, FieldCatalogue::kCount> columns{}; // in catalogue order
    QString fontName;
    int fontColor{};        // the Windows colour encoding, see GridFont
    int fontHeight{};       // negative: pixels, see GridFont
    bool automaticBackup{}; // a copy of the database at exit when the data changed
    int backupsKept{};      // how many automatic copies stay

    // The columns' widths and visible flags into the catalogue's entries and back.
    void applyColumns(FieldCatalogue &catalogue) const;
    void takeColumns(const FieldCatalogue &catalogue);

    bool operator==(const Preferences &) const = default;
};

// Reads and writes the preferences file, beside the program. Read once at start-up and
// written once at exit; foreign sections and lines of the file are kept as they are.
//
// Values: integers in decimal; booleans written 1 and 0 and read true for any non-zero
// integer; a value that is not a whole 32-bit integer reads as the key's default, and so
// does a missing key or file.
class SettingsFile
{
public:
    // Whether a save writes the two column sections. After a database that could not be
    // opened at start-up the columns were never read from the file, so the catalogue holds
    // nothing of the user's: KeepStored leaves the stored sections as they are (a missing
    // one is still written, so that a new file has every section).
    enum class ColumnSections { Write, KeepStored };

    explicit SettingsFile(QString path);
    // "Default.ini" in the program's folder.
    static QString defaultPath();
    QString path() const { return path_; }

    // False, with errorString(), when the file exists but cannot be read or was set aside as
    // too large; the preferences are then the defaults.
    bool load(Preferences &preferences);
    // Reads the file again, so that what others wrote into it meanwhile is kept, replaces
    // the program's sections and writes it safely aside before renaming it into place.
    // False, with errorString(), when the file could not be read (it is then not
    // overwritten) or written.
    bool save(const Preferences &preferences, ColumnSections columns = ColumnSections::Write);
    QString errorString() const { return error_; }

    // The same on a file in memory.
    static Preferences read(const IniFile &file);
    static void write(const Preferences &preferences, IniFile &file, ColumnSections columns = ColumnSections::Write);

    // The program's sections, in the order they are written.
    static QStringList sectionNames();

    // The program writes a few kilobytes; a file far larger than that was not written by it,
    // and reading it would only cost time and memory. load() and save() set it aside as
    // "Default.ini.danneggiato" and go on as with no file.
    static constexpr qint64 kLargestFile = qint64(1024) * 1024;

private:
    // Sets the file aside when it is larger than kLargestFile; what the user is told, or empty.
    QString setAsideIfTooLarge();

    QString path_;
    QString error_;
};
