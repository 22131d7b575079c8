#include "desktop/info.h"

#include "app/principale.h"

#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

Info::Info(Principale *main) : QDialog(nullptr, Qt::Tool), main_(main)
{
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral("Informazioni"));
    main_->setAbout(this);
    // Escape hides a dialog without a close event.
    connect(this, &QDialog::finished, this, [this] { main_->setEnabled(true); });

    auto *layout = new QVBoxLayout(this);
    auto *product = new QLabel(QStringLiteral("Pratilio+"), this);
    product->setObjectName(QStringLiteral("ProductName"));
    product->setStyleSheet(QStringLiteral("font-weight: bold; color: #0000FF;"));
    product->setAlignment(Qt::AlignCenter);
    auto *version = new QLabel(QStringLiteral("Versione 2.0"), this);
    version->setObjectName(QStringLiteral("Version"));
    version->setAlignment(Qt::AlignCenter);
    layout->addWidget(product);
    layout->addWidget(version);
}

void Info::closeEvent(QCloseEvent *event)
{
    main_->setEnabled(true);
    QDialog::closeEvent(event);
}
