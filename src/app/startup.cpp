#include "app/startup.h"

#include "app/principale.h"
#include "core/dialogs.h"
#include "core/errorhandler.h"
#include "core/programpaths.h"
#include "core/windowlink.h"
#include "core/workspace.h"
#include "desktop/info.h"
#include "desktop/programicon.h"
#include "editing/forminput.h"
#include "exchange/jetimport.h"
#include "exchange/jetreport.h"
#include "exchange/jetreportwindow.h"
#include "queries/querycomplessa.h"
#include "queries/querystandard.h"
#include "settings/databasechoice.h"
#include "settings/mainsettings.h"
#include "settings/opzioni.h"
#include "settings/password.h"
#include "views/cardpanel.h"

#include <QAction>
#include <QApplication>
#include <QLibraryInfo>

Startup::Startup(const QString &programDir) : programDir_(programDir) {}

Startup::~Startup() = default;

void Startup::prepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Pratilio+"));
    // Every window without an icon of its own shows the program's.
    QApplication::setWindowIcon(ProgramIcon::icon());
    if (translator_.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator_);
}

void Startup::createWindows()
{
    prepareApplication();
    // An old office's Jet archive in the database's place is offered for conversion first;
    // declined or refused, the program ends with nothing touched.
    JetReport jetReport;
    const JetImport::StartupOutcome jet
        = JetImport::offerAtStartup(ProgramPaths(programDir_).path(ProgramPaths::Place::DatabaseFile), &jetReport);
    if (jet == JetImport::StartupOutcome::Ended)
        return;

    ErrorHandler::guard([this] {
        main_ = std::make_unique<Principale>(programDir_);
        QObject::connect(main_.get(), &Principale::programEnding, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    });
    if (!main_)
        return; // every other window works on the main window
    if (jet == JetImport::StartupOutcome::Converted)
        JetReportWindow::showReport(jetReport, main_.get());
    // Each window is handed what it works on and is registered with the main window only once
    // complete, so that the main window never holds a window that failed half-way.
    Principale *main = main_.get();
    Workspace &workspace = main->workspace();
    ErrorHandler::guard([&] {
        complexQuery_ = std::make_unique<QueryComplessa>(workspace, *main);
        WindowLink::enableOnClose(complexQuery_.get(), main);
        main->setComplexQuery(complexQuery_.get());
    });
    ErrorHandler::guard([&] {
        conditionDialog_ = std::make_unique<QueryStandard>(workspace, *main, main);
        WindowLink::enableOnClose(conditionDialog_.get(), main);
        main->setConditionDialog(conditionDialog_.get());
    });
    ErrorHandler::guard([&] {
        settings_ = std::make_unique<MainSettings>(workspace, MainSettings::Widgets{main->grid(), main->gridPanel(),
                                                                                    main->cardPanel()});
        main->setSettings(settings_.get());
        Opzioni::MainWindowSteps steps;
        steps.runInitialQuery = [main](bool atStartup) { main->runInitialQuery(atStartup); };
        steps.setUpCard = [main] { main->SetUpCard(); };
        steps.mirrorColumns = [main] { main->mirrorGridColumns(); };
        options_ = std::make_unique<Opzioni>(workspace, steps);
        main->setOptions(options_.get());
    });
    // The preferences are loaded where the options dialog is created. A database that cannot
    // be opened is reported and leaves the main window empty; the rest of the loading and the
    // card set-up are skipped, the program goes on.
    if (options_) {
        ErrorHandler::guard([&] {
            LoadSettings();
            main->SetUpCard();
        });
    }
    ErrorHandler::guard([&] {
        inputSheet_ = std::make_unique<FormInput>(workspace);
        WindowLink::enableOnClose(inputSheet_.get(), main);
        QObject::connect(inputSheet_.get(), &FormInput::confirmRequested, main,
                         [main] { main->action(ActionId::BottoneSchedaInput)->trigger(); });
        main->setInputSheet(inputSheet_.get());
        workspace.globals().inputSheetPending = false;
    });
    ErrorHandler::guard([&] {
        about_ = std::make_unique<Info>(main, [](const QString &target) { Dialogs::instance().openExternal(target); });
        main->setAbout(about_.get());
    });
    ErrorHandler::guard([&] { password_ = std::make_unique<Password>(workspace, main); });
}

void Startup::LoadSettings()
{
    Workspace &workspace = main_->workspace();
    const Preferences preferences = settings_->read();
    workspace.globals().initialQueryKind = preferences.initialQueryKind;
    OpenDatabase(preferences);

    options_->showSettings();
    settings_->applyPanels(preferences);
    settings_->applyFont(preferences);
    settings_->showTickedColumns();
    settings_->dockPanels();
    ColumnSetup::applyColumnWidths(workspace.gridColumns(), workspace.globals().catalogue);
    main_->mirrorGridColumns();
}

void Startup::OpenDatabase(const Preferences &preferences)
{
    Workspace &workspace = main_->workspace();
    DatabaseChoice::open(workspace);
    settings_->applyColumns(preferences);
    // Ticked as the catalogue's visible flags now say.
    workspace.fillFieldCheckLists();
    main_->runInitialQuery(true);
}

bool Startup::refused() const { return main_ && main_->workspace().isRefused(); }

void Startup::start()
{
    if (!main_ || refused())
        return;
    if (password_ && password_->isRequired())
        password_->showPrompt();
    else
        main_->showMaximized();
}
