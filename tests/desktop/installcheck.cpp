// pratilio-installcheck <program folder> add|find <surname>: the program as main() starts it,
// on an installed program folder, with the answers a user would give and no window shown.
// "add" lets a first start create the user's database, adds a person through the input
// sheet as the user does and closes the program; "find" starts it again and looks for the
// person in the start-up result. The package test runs it as an ordinary user.
#include "app/application.h"
#include "app/principale.h"
#include "app/startup.h"
#include "core/dialogs.h"
#include "data/query.h"
#include "editing/forminput.h"
#include "views/cardpanel.h"

#include <QAction>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

namespace {

// Questions are answered OK (create the database, save the row); everything shown is printed.
class AnsweringDialogs : public Dialogs
{
public:
    void message(const QString &text) override { std::printf("messaggio: %s\n", qPrintable(text)); }
    void error(const QString &text) override
    {
        std::printf("errore: %s\n", qPrintable(text));
        ++errors;
    }
    bool question(const QString &text) override
    {
        std::printf("domanda (OK): %s\n", qPrintable(text));
        return true;
    }
    bool openExternal(const QString &) override { return false; }
    QString saveFileName(const FileRequest &, QString *) override { return {}; }
    QString openFileName(const FileRequest &, QString *) override { return {}; }
    bool chooseFont(FontChoice &, const std::function<void(const FontChoice &)> &) override { return false; }

    int errors = 0;
};

QLineEdit *sheetEditor(FormInput *sheet, const QString &field)
{
    for (int k = 0; k < FormInput::kPairs; ++k)
        if (sheet->pairs()[size_t(k)].boundField == field)
            return sheet->editor(k);
    return nullptr;
}

bool hasPerson(Query *query, const QString &surname)
{
    for (int row = 0; row < query->recordCount(); ++row) {
        query->setCurrentRow(row);
        if (query->fieldByName(QStringLiteral("Cognome")).asString() == surname)
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    PratilioApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4 || (args.at(2) != QLatin1String("add") && args.at(2) != QLatin1String("find"))) {
        std::fprintf(stderr, "uso: pratilio-installcheck <cartella del programma> add|find <cognome>\n");
        return 2;
    }
    const QString surname = args.at(3);
    AnsweringDialogs dialogs;
    Dialogs::install(&dialogs);

    Startup startup(args.at(1));
    startup.createWindows();
    Principale *main = startup.mainWindow();
    if (!main || startup.refused() || dialogs.errors > 0)
        return 1;
    startup.start();
    std::printf("database: %s\n", qPrintable(main->workspace().databaseFile()));

    bool ok = false;
    if (args.at(2) == QLatin1String("add")) {
        main->action(QStringLiteral("QueryCommittente"))->trigger();
        main->action(QStringLiteral("Inserisci"))->trigger();
        FormInput *sheet = startup.inputSheet();
        QLineEdit *editor = sheet ? sheetEditor(sheet, QStringLiteral("Cognome")) : nullptr;
        QLineEdit *title = sheet ? sheetEditor(sheet, QStringLiteral("Qualifica")) : nullptr;
        if (editor && title) {
            QTest::keyClicks(editor, surname);
            QTest::keyClicks(title, QStringLiteral("Ingegnere")); // the sheet asks for both
            QTest::keyClick(title, Qt::Key_Return);
            main->action(QStringLiteral("QueryCommittente"))->trigger();
            ok = hasPerson(main->query(), surname);
        }
    } else {
        ok = hasPerson(main->query(), surname);
    }
    std::printf("%s %s\n", qPrintable(surname), ok ? "presente" : "assente");
    main->close(); // writes the settings, as the user's closing does
    QCoreApplication::processEvents();
    return ok && dialogs.errors == 0 ? 0 : 1;
}
