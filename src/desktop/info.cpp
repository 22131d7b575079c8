#include "desktop/info.h"

#include "desktop/programicon.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QUrl>
#include <QVBoxLayout>

Info::Info(QWidget *mainWindow, std::function<void(const QString &)> openTarget)
    // No parent: a child of the main window would be disabled together with it.
    :
    QDialog(nullptr, Qt::Tool), mainWindow_(mainWindow), openTarget_(std::move(openTarget))
{
    if (!openTarget_)
        openTarget_ = [](const QString &target) { QDesktopServices::openUrl(QUrl(target)); };
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral("Informazioni"));
    setWindowIcon(ProgramIcon::icon());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);

    auto *icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("Image1"));
    icon->setPixmap(ProgramIcon::icon().pixmap(64, 64));
    icon->setAlignment(Qt::AlignCenter);
    layout->addWidget(icon);

    auto *product = new QLabel(QStringLiteral("Pratilio+"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    product->setStyleSheet(QStringLiteral("font-weight: bold; font-size: 16pt; color: #0000FF;"));
    product->setAlignment(Qt::AlignCenter);
    layout->addWidget(product);

    auto *version = new QLabel(QStringLiteral("Versione 2.0"), this);
    version->setObjectName(QStringLiteral("Version"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(version);

    for (const QString &line : {QStringLiteral("Ideazione e progetto: il gruppo di Pratilio+"),
                                QStringLiteral("Realizzazione: il gruppo di sviluppo di Pratilio+")}) {
        auto *credits = new QLabel(line, this);
        credits->setObjectName(QStringLiteral("Copyright"));
        credits->setAlignment(Qt::AlignCenter);
        layout->addWidget(credits);
    }
    layout->addSpacing(8);

    auto *contacts = new QGridLayout;
    contacts->addWidget(new QLabel(QStringLiteral("e-mail:"), this), 0, 0, Qt::AlignRight);
    email_ = addLink(QStringLiteral("Comments"), emailAddress());
    contacts->addWidget(email_, 0, 1);
    contacts->addWidget(new QLabel(QStringLiteral("sito internet:"), this), 1, 0, Qt::AlignRight);
    site_ = addLink(QStringLiteral("Label1"), webSite());
    contacts->addWidget(site_, 1, 1);
    layout->addLayout(contacts);
    layout->addSpacing(8);

    auto *ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("BitBtn1"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignCenter);

    adjustSize();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

QString Info::emailAddress() { return QStringLiteral("info@pratilio.it"); }

QString Info::webSite() { return QStringLiteral("https://www.pratilio.it"); }

void Info::CommentsClick() { openTarget_(QStringLiteral("mailto:") + emailAddress()); }

void Info::Label1Click() { openTarget_(webSite()); }

QLabel *Info::addLink(const QString &objectName, const QString &text)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(objectName);
    label->setStyleSheet(QStringLiteral("color: #0000FF; text-decoration: underline;"));
    label->setCursor(Qt::PointingHandCursor);
    label->installEventFilter(this);
    return label;
}

bool Info::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        if (watched == email_) {
            CommentsClick();
            return true;
        }
        if (watched == site_) {
            Label1Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Info::showEvent(QShowEvent *event)
{
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    QDialog::showEvent(event);
}

// OK, Escape and the close box all end in a hide; each gives the main window back.
void Info::hideEvent(QHideEvent *event)
{
    if (mainWindow_)
        mainWindow_->setEnabled(true);
    QDialog::hideEvent(event);
}
