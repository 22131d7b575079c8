// pratilio-screenshots: starts the program's real windows on a database of demo data and
// saves a picture of each one for the user manual.
//
//   pratilio-screenshots <program folder> <picture folder>
//
// The program folder holds Database/DatiCliente.mdb, made by "pratilio-db create ... --demo N";
// scripts/screenshots.sh does both steps. Run it with QT_QPA_PLATFORM=offscreen. A window that
// an action does not open yet is shown directly, so that every picture exists; run the tool
// again when the windows change.

#include "app/principale.h"
#include "app/startup.h"
#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/programpaths.h"
#include "data/query.h"
#include "desktop/info.h"
#include "editing/forminput.h"
#include "queries/querycomplessa.h"
#include "queries/querystandard.h"
#include "settings/opzioni.h"
#include "settings/password.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QTextStream>
#include <QToolButton>

namespace {

// Nobody is there to answer: notices are printed, questions are cancelled, nothing is opened.
class UnattendedDialogs : public Dialogs
{
public:
    void message(const QString &text) override { QTextStream(stderr) << "Messaggio: " << text << Qt::endl; }
    void error(const QString &text) override
    {
        QTextStream(stderr) << "Errore: " << text << Qt::endl;
        ++errors;
    }
    bool question(const QString &text) override
    {
        QTextStream(stderr) << "Domanda (annullata): " << text << Qt::endl;
        return false;
    }
    bool openExternal(const QString &) override { return false; }
    QString saveFileName(const FileRequest &, QString *) override { return {}; }
    QString openFileName(const FileRequest &, QString *) override { return {}; }
    bool chooseFont(FontChoice &, const std::function<void(const FontChoice &)> &) override { return false; }

    int errors = 0;
};

class Photographer
{
public:
    explicit Photographer(QString folder) : folder_(std::move(folder)) {}

    // Lets the window lay itself out and paint, then saves it as <name>.png.
    bool take(QWidget *window, const QString &name)
    {
        if (!window || !window->isVisible()) {
            QTextStream(stderr) << "Finestra non visibile: " << name << Qt::endl;
            ++failures;
            return false;
        }
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
        const QString path = QDir(folder_).filePath(name + QStringLiteral(".png"));
        if (!framed(window).save(path)) {
            QTextStream(stderr) << "Impossibile scrivere " << path << Qt::endl;
            ++failures;
            return false;
        }
        QTextStream(stdout) << path << Qt::endl;
        return true;
    }

    int failures = 0;

private:
    // The offscreen platform draws no window frames: a plain title bar with the window's icon
    // and caption is drawn over the picture, so that the reader finds the window by its name.
    static QImage framed(QWidget *window)
    {
        const QPixmap content = window->grab();
        const int bar = 26;
        QImage image(content.width() + 2, content.height() + bar + 1, QImage::Format_RGB32);
        image.fill(QColor(0x8a, 0x8a, 0x8a));
        QPainter painter(&image);
        QLinearGradient shade(0, 0, 0, bar);
        shade.setColorAt(0, QColor(0xf4, 0xf4, 0xf4));
        shade.setColorAt(1, QColor(0xdc, 0xdc, 0xdc));
        painter.fillRect(QRect(1, 1, content.width(), bar - 1), shade);
        window->windowIcon().paint(&painter, QRect(7, 5, 16, 16));
        QFont font = window->font();
        font.setBold(true);
        painter.setFont(font);
        painter.setPen(QColor(0x30, 0x30, 0x30));
        painter.drawText(QRect(30, 1, content.width() - 36, bar - 1), Qt::AlignVCenter | Qt::AlignLeft,
                         window->windowTitle());
        painter.drawPixmap(1, bar, content);
        return image;
    }

    QString folder_;
};

// Runs the action as a click in the menu would; shows `window` itself when the action does not.
void open(Principale *main, const QString &action, QWidget *window)
{
    if (QAction *a = main->action(action))
        a->trigger();
    if (window && !window->isVisible())
        window->show();
}

void close(QWidget *window)
{
    if (window)
        window->close();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 2) {
        QTextStream(stderr) << "Uso: pratilio-screenshots <cartella del programma> <cartella delle immagini>\n";
        return 2;
    }
    const QString programDir = QFileInfo(args[0]).absoluteFilePath();
    // The pictures are taken on the demo database beside the program, never on a user's own.
    const ProgramPaths paths(programDir);
    if (!paths.dataBesideProgram() || !QFileInfo::exists(paths.path(ProgramPaths::Place::DatabaseFile))) {
        QTextStream(stderr) << "Manca il database in " << programDir << "/Database\n";
        return 1;
    }
    if (!QDir().mkpath(args[1])) {
        QTextStream(stderr) << "Impossibile creare la cartella " << args[1] << "\n";
        return 1;
    }

    UnattendedDialogs dialogs;
    Dialogs::install(&dialogs);
    Photographer camera(args[1]);
    {
        Startup startup(programDir);
        startup.createWindows();
        Principale *main = startup.mainWindow();
        if (!main)
            return 1;
        // A fixed size rather than maximised: the pictures are the same on every screen.
        main->resize(1180, 720);
        main->show();

        ErrorHandler::guard([&] {
            main->action(QStringLiteral("QueryCommittente"))->trigger();
            main->action(QStringLiteral("MostraTabella"))->trigger();
            camera.take(main, QStringLiteral("main"));

            startup.password()->showPrompt();
            camera.take(startup.password(), QStringLiteral("password"));
            startup.password()->hide();

            open(main, QStringLiteral("Qualifica"), startup.conditionDialog());
            camera.take(startup.conditionDialog(), QStringLiteral("condizione"));
            close(startup.conditionDialog());

            open(main, QStringLiteral("PersonalizzaQuery"), startup.complexQuery());
            camera.take(startup.complexQuery(), QStringLiteral("ricercaavanzata"));
            close(startup.complexQuery());

            main->action(QStringLiteral("QueryProgetto"))->trigger();
            main->action(QStringLiteral("MostraScheda"))->trigger();
            camera.take(main, QStringLiteral("scheda"));
            main->action(QStringLiteral("MostraTabella"))->trigger();

            // A new project of the first person, as the drill-down leads to it.
            main->action(QStringLiteral("QueryCommittente"))->trigger();
            main->query()->setCurrentRow(0);
            main->drillDownToProjects();
            main->action(QStringLiteral("Inserisci"))->trigger();
            camera.take(startup.inputSheet(), QStringLiteral("inserimento"));
            close(startup.inputSheet());

            open(main, QStringLiteral("Opzioni"), startup.options());
            camera.take(startup.options(), QStringLiteral("opzioni"));
            close(startup.options());

            open(main, QStringLiteral("Informazioni1"), startup.about());
            camera.take(startup.about(), QStringLiteral("informazioni"));
            close(startup.about());
        });
        main->hide(); // the settings of this run are not the office's: nothing is written back
    }
    Dialogs::install(nullptr);
    return camera.failures + dialogs.errors == 0 ? 0 : 1;
}
