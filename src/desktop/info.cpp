#include "desktop/info.h"


#include <QCloseEvent>
#include <QLabel>
#include <QVBoxLayout>

Info::Info() : QDialog(nullptr, Qt::Tool)
{
    setObjectName(QStringLiteral("Info"));
    setWindowTitle(QStringLiteral("Informazioni"));

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
