#pragma once

#include <QString>

#include <optional>

// Where the program's own files lie and where the office's data go.
//
// The program's files (the manual, the icon, the helper programs) always lie beside the
// program. The data (Database/, Output/, Backup/ and Default.ini) lie there too when the
// program's folder is laid out for them:
//  - a file named "portable" lies beside the program; or
//  - Database/ lies beside the program and its DatiCliente.mdb can be written there (or,
//    not there yet, can be made there); or
//  - DatiCliente.mdb lies there but cannot be written, and the user has no data of their own
//    yet: it is opened read-only, as the program always did.
// Otherwise the data go to the user's folders: the application's data location holds
// Database/, Output/ and Backup/, its configuration location holds Default.ini. A program
// installed for everyone thus keeps each user's data in that user's home. Default.ini may
// name a database elsewhere (settings/databasechoice.h).
class ProgramPaths
{
public:
    enum class Place {
        Manual,         // Manuale.pdf, beside the program
        XlsReader,      // pratilio-xlsread, beside the program
        MdbReader,      // pratilio-mdbread, beside the program
        PortableMarker, // "portable", beside the program
        DatabaseFolder, // Database/ of the data
        DatabaseFile,   // Database/DatiCliente.mdb of the data
        Output,         // Output/ of the data: where exports are offered
        Backup,         // Backup/ of the data: the database's copies
        Settings,       // Default.ini
    };

    // `programDir` is the folder that holds the program file.
    explicit ProgramPaths(QString programDir);
    // The folder of the running program.
    static ProgramPaths ofRunningProgram();

    const QString &programDir() const { return programDir_; }
    // True when the data lie beside the program (decided once, at the first question).
    bool dataBesideProgram() const;

    // The one place where the path of a program file or of the data is made.
    QString path(Place place) const;

    // What the rule looks at, and the rule itself (tested by a table).
    struct Facts
    {
        bool marker = false;           // "portable" beside the program
        bool databaseFolder = false;   // Database/ beside the program
        bool folderWritable = false;   // ... and a file can be made in it
        bool database = false;         // Database/DatiCliente.mdb beside the program
        bool databaseWritable = false; // ... and it can be written
        bool userData = false;         // the user's folders hold a database or Default.ini
    };
    static bool dataBeside(const Facts &facts);
    Facts facts() const;

private:
    QString dataFolder() const;
    QString settingsFolder() const;

    QString programDir_;
    mutable std::optional<bool> beside_;
};
