#pragma once

#include <QString>
#include <QTranslator>

#include <memory>

class FormInput;
class Info;
class MainSettings;
class Opzioni;
class Password;
class Principale;
class QueryComplessa;
class QueryStandard;
struct Preferences;

// Creates the program's windows in their fixed order and shows the first one. The program
// folder (where the database and the settings live) is given, so that tests can point the
// program at a folder of their own.
class Startup
{
public:
    explicit Startup(const QString &programDir);
    ~Startup();

    // The application title and the Italian texts of the standard buttons.
    void prepareApplication();
    // Every window, in order; an error while one is created is shown and the next follows.
    void createWindows();
    // The password prompt when a password is stored, else the main window, maximised.
    void start();

    // Another copy of the program holds the database: nothing is shown and the program ends.
    bool refused() const;

    Principale *mainWindow() const { return main_.get(); }
    QueryComplessa *complexQuery() const { return complexQuery_.get(); }
    QueryStandard *conditionDialog() const { return conditionDialog_.get(); }
    Opzioni *options() const { return options_.get(); }
    MainSettings *settings() const { return settings_.get(); }
    FormInput *inputSheet() const { return inputSheet_.get(); }
    Info *about() const { return about_.get(); }
    Password *password() const { return password_.get(); }

private:
    // The preferences, loaded where the options dialog is created: the database, the check
    // lists and the start-up query, then the choices shown in the dialog, the panels, the
    // font and the columns.
    void LoadSettings();
    // The connection, the catalogue's widths and visible flags, the check lists of the visible
    // fields and the start-up query.
    void OpenDatabase(const Preferences &preferences);

    QString programDir_;
    QTranslator translator_;
    // Declared in creation order, so that the main window, which the others use, goes last.
    std::unique_ptr<Principale> main_;
    std::unique_ptr<QueryComplessa> complexQuery_;
    std::unique_ptr<QueryStandard> conditionDialog_;
    std::unique_ptr<Opzioni> options_;
    std::unique_ptr<MainSettings> settings_; // read at start-up, written when the main window closes
    std::unique_ptr<FormInput> inputSheet_;
    std::unique_ptr<Info> about_;
    std::unique_ptr<Password> password_;
};
