#include "core/programpaths.h"

#include "data/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kDatabaseFolder = QStringLiteral("Database");
const QString kSettingsName = QStringLiteral("Default.ini");

QString userLocation(QStandardPaths::StandardLocation location) { return QStandardPaths::writableLocation(location); }

} // namespace

ProgramPaths::ProgramPaths(QString programDir) : programDir_(std::move(programDir)) {}

ProgramPaths ProgramPaths::ofRunningProgram() { return ProgramPaths(QCoreApplication::applicationDirPath()); }

bool ProgramPaths::dataBeside(const Facts &facts)
{
    if (facts.marker)
        return true;
    if (facts.database)
        return facts.databaseWritable || !facts.userData;
    return facts.databaseFolder && facts.folderWritable;
}

ProgramPaths::Facts ProgramPaths::facts() const
{
    const QDir program(programDir_);
    Facts facts;
    facts.marker = QFileInfo::exists(program.filePath(QStringLiteral("portable")));
    const QFileInfo folder(program.filePath(kDatabaseFolder));
    facts.databaseFolder = folder.isDir();
    facts.folderWritable = facts.databaseFolder && folder.isWritable();
    const QFileInfo database(Schema::databasePath(programDir_));
    facts.database = database.isFile();
    facts.databaseWritable = facts.database && database.isWritable();
    const QString data = userLocation(QStandardPaths::AppDataLocation);
    const QString config = userLocation(QStandardPaths::AppConfigLocation);
    facts.userData = (!data.isEmpty() && QFileInfo::exists(Schema::databasePath(data)))
                     || (!config.isEmpty() && QFileInfo::exists(QDir(config).filePath(kSettingsName)));
    return facts;
}

bool ProgramPaths::dataBesideProgram() const
{
    if (!beside_)
        beside_ = dataBeside(facts());
    return *beside_;
}

QString ProgramPaths::dataFolder() const
{
    if (dataBesideProgram())
        return programDir_;
    const QString user = userLocation(QStandardPaths::AppDataLocation);
    return user.isEmpty() ? programDir_ : user;
}

QString ProgramPaths::settingsFolder() const
{
    if (dataBesideProgram())
        return programDir_;
    const QString user = userLocation(QStandardPaths::AppConfigLocation);
    return user.isEmpty() ? programDir_ : user;
}

QString ProgramPaths::path(Place place) const
{
    switch (place) {
    case Place::Manual:
        return QDir(programDir_).filePath(QStringLiteral("Manuale.pdf"));
    case Place::XlsReader:
        return QDir(programDir_).filePath(QStringLiteral("pratilio-xlsread"));
    case Place::MdbReader:
        return QDir(programDir_).filePath(QStringLiteral("pratilio-mdbread"));
    case Place::PortableMarker:
        return QDir(programDir_).filePath(QStringLiteral("portable"));
    case Place::DatabaseFolder:
        return QDir(dataFolder()).filePath(kDatabaseFolder);
    case Place::DatabaseFile:
        return Schema::databasePath(dataFolder());
    case Place::Output:
        return QDir(dataFolder()).filePath(QStringLiteral("Output"));
    case Place::Backup:
        return QDir(dataFolder()).filePath(QStringLiteral("Backup"));
    case Place::Settings:
        return QDir(settingsFolder()).filePath(kSettingsName);
    }
    return {};
}
