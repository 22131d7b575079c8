#include "app/startup.h"

#include "app/errorhandler.h"
#include "app/principale.h"
#include "desktop/info.h"
#include "editing/forminput.h"
#include "queries/querycomplessa.h"
#include "queries/querystandard.h"
#include "settings/opzioni.h"
#include "settings/password.h"

#include <QApplication>
#include <QLibraryInfo>

Startup::Startup(const QString &programDir) : programDir_(programDir) {}

Startup::~Startup() = default;

void Startup::prepareApplication()
{
    QApplication::setApplicationName(QStringLiteral("Pratilio+"));
    if (translator_.load(QStringLiteral("qtbase_it"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&translator_);
}

void Startup::createWindows()
{
    prepareApplication();

    ErrorHandler::guard([this] {
        main_ = std::make_unique<Principale>(programDir_);
        QObject::connect(main_.get(), &Principale::programEnding, qApp, &QCoreApplication::quit,
                         Qt::QueuedConnection);
    });
    if (!main_)
        return; // every other window works on the main window
    ErrorHandler::guard([this] { complexQuery_ = std::make_unique<QueryComplessa>(main_.get()); });
    ErrorHandler::guard([this] { conditionDialog_ = std::make_unique<QueryStandard>(main_.get()); });
    ErrorHandler::guard([this] { options_ = std::make_unique<Opzioni>(main_.get()); });
    ErrorHandler::guard([this] { inputSheet_ = std::make_unique<FormInput>(main_.get()); });
    ErrorHandler::guard([this] { about_ = std::make_unique<Info>(main_.get()); });
    ErrorHandler::guard([this] { password_ = std::make_unique<Password>(main_.get()); });
}

void Startup::start()
{
    if (!main_)
        return;
    if (password_ && password_->isRequired())
        password_->showPrompt();
    else
        main_->showMaximized();
}
