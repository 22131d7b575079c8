#include "settings/settingsfile.h"

#include "core/programpaths.h"
#include "settings/inifile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

const QString kQuerySection = QStringLiteral("QUERY INIZIALE");
const QString kPanelSection = QStringLiteral("SCHEDA\\TABELLA");
const QString kVisibleSection = QStringLiteral("COLONNE CHE POSSONO ESSERE VISUALIZZATE");
const QString kWidthSection = QStringLiteral("LARGHEZZA COLONNE");
const QString kFontSection = QStringLiteral("FONT");
const QString kBackupSection = QStringLiteral("BACKUP");

// The settings table: every key with its section, the member it fills and its default, in
// the order the file is written. The defaults, the reading and the writing all go through
// it. Each catalogue entry gives its visibility and then its width, so that the two column
// sections list the labels in catalogue order.
template<typename Prefs, typename Visit>
void forEachSetting(Prefs &p, Visit &&visit)
{
    visit(kQuerySection, QStringLiteral("Tipo di query"), p.initialQueryKind, 0);
    visit(kPanelSection, QStringLiteral("Panel1.Visible"), p.gridPanelVisible, true);
    visit(kPanelSection, QStringLiteral("Panel2.Visible"), p.cardPanelVisible, false);
    static const FieldCatalogue catalogue;
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        const QString &label = catalogue.entry(i).label;
        visit(kVisibleSection, label, p.columns.at(size_t(i)).visible, true);
        visit(kWidthSection, label, p.columns.at(size_t(i)).width, 100);
    }
    // "San", not "Sans": the name the program has always stored; the font matcher finds
    // the nearest installed font for it.
    visit(kFontSection, QStringLiteral("FontName"), p.fontName, QStringLiteral("MS San Serif"));
    visit(kFontSection, QStringLiteral("FontColor"), p.fontColor, 0);
    visit(kFontSection, QStringLiteral("FontHeight"), p.fontHeight, -11);
    visit(kBackupSection, QStringLiteral("Copia automatica"), p.automaticBackup, true);
    visit(kBackupSection, QStringLiteral("Copie da conservare"), p.backupsKept, 10);
}

// Only a whole decimal 32-bit integer counts; anything else, "12abc" included, is the default.
void readInto(const IniFile &file, const QString &section, const QString &key, int &field, int fallback)
{
    bool ok = false;
    const int value = file.value(section, key).toInt(&ok, 10);
    field = ok ? value : fallback;
}

void readInto(const IniFile &file, const QString &section, const QString &key, bool &field, bool fallback)
{
    int value = 0;
    readInto(file, section, key, value, fallback ? 1 : 0);
    field = value != 0;
}

void readInto(const IniFile &file, const QString &section, const QString &key, QString &field, const QString &fallback)
{
    field = file.value(section, key, fallback);
}

QString toText(int value) { return QString::number(value); }
QString toText(bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); }
QString toText(const QString &value) { return value; }

bool isColumnSection(const QString &section) { return section == kVisibleSection || section == kWidthSection; }

} // namespace

Preferences::Preferences()
{
    forEachSetting(*this, [](const QString &, const QString &, auto &field, const auto &fallback) { field = fallback; });
}

void Preferences::applyColumns(FieldCatalogue &catalogue) const
{
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        catalogue.entry(i).visible = columns.at(size_t(i)).visible;
        catalogue.entry(i).width = columns.at(size_t(i)).width;
    }
}

void Preferences::takeColumns(const FieldCatalogue &catalogue)
{
    for (int i = 0; i < FieldCatalogue::kCount; ++i) {
        columns.at(size_t(i)).visible = catalogue.entry(i).visible;
        columns.at(size_t(i)).width = catalogue.entry(i).width;
    }
}

SettingsFile::SettingsFile(QString path) : path_(std::move(path)) {}

QString SettingsFile::defaultPath() { return ProgramPaths::ofRunningProgram().path(ProgramPaths::Place::Settings); }

QString SettingsFile::setAsideIfTooLarge()
{
    const QFileInfo info(path_);
    if (!info.isFile() || info.size() <= kLargestFile)
        return {};
    const QString aside = path_ + QStringLiteral(".danneggiato");
    const QString size = QLocale(QLocale::Italian).toString(double(info.size()) / (1024 * 1024), 'f', 1);
    QFile::remove(aside);
    if (!QFile::rename(path_, aside)) {
        return QStringLiteral("Il file delle impostazioni %1 è troppo grande (%2 MB) per essere stato scritto da "
                              "Pratilio+ e non si è potuto metterlo da parte: si usano le impostazioni predefinite "
                              "e le preferenze di questa sessione non saranno salvate.")
            .arg(QDir::toNativeSeparators(path_), size);
    }
    return QStringLiteral("Il file delle impostazioni %1 è troppo grande (%2 MB) per essere stato scritto da "
                          "Pratilio+: è stato messo da parte come %3 e si usano le impostazioni predefinite.")
        .arg(QDir::toNativeSeparators(path_), size, QDir::toNativeSeparators(aside));
}

bool SettingsFile::load(Preferences &preferences)
{
    error_.clear();
    if (const QString aside = setAsideIfTooLarge(); !aside.isEmpty()) {
        error_ = aside;
        preferences = Preferences();
        return false;
    }
    IniFile file;
    if (!file.load(path_)) {
        error_ = QStringLiteral("Impossibile leggere il file delle impostazioni %1: %2")
                     .arg(QDir::toNativeSeparators(path_), file.errorString());
        preferences = Preferences();
        return false;
    }
    preferences = read(file);
    return true;
}

bool SettingsFile::save(const Preferences &preferences, ColumnSections columns)
{
    error_.clear();
    // Set aside when too large (at start-up already, unless it grew since): a new one is written.
    if (const QString aside = setAsideIfTooLarge(); !aside.isEmpty() && QFileInfo::exists(path_)) {
        error_ = aside;
        return false;
    }
    IniFile file;
    // A file that exists but cannot be read is not replaced: its other sections would be lost.
    if (!file.load(path_)) {
        error_ = QStringLiteral("Impossibile leggere il file delle impostazioni %1: %2")
                     .arg(QDir::toNativeSeparators(path_), file.errorString());
        return false;
    }
    write(preferences, file, columns);
    if (!file.save(path_)) {
        error_ = QStringLiteral("Impossibile salvare il file delle impostazioni %1: %2")
                     .arg(QDir::toNativeSeparators(path_), file.errorString());
        return false;
    }
    return true;
}

Preferences SettingsFile::read(const IniFile &file)
{
    Preferences preferences;
    forEachSetting(preferences, [&file](const QString &section, const QString &key, auto &field, const auto &fallback) {
        readInto(file, section, key, field, fallback);
    });
    return preferences;
}

void SettingsFile::write(const Preferences &preferences, IniFile &file, ColumnSections columns)
{
    const QStringList sections = sectionNames();
    QList<IniFile::Entries> entries(sections.size());
    forEachSetting(preferences, [&](const QString &section, const QString &key, const auto &field, const auto &) {
        entries[sections.indexOf(section)].append({key, toText(field)});
    });
    for (qsizetype i = 0; i < sections.size(); ++i) {
        const QString &section = sections.at(i);
        if (columns == ColumnSections::KeepStored && isColumnSection(section) && file.containsSection(section))
            continue;
        file.replaceSection(section, entries.at(i));
    }
}

QStringList SettingsFile::sectionNames()
{
    QStringList sections;
    Preferences preferences;
    forEachSetting(preferences, [&sections](const QString &section, const QString &, const auto &, const auto &) {
        if (!sections.contains(section))
            sections.append(section);
    });
    return sections;
}
