#include "exchange/jetreportwindow.h"

#include "core/dialogs.h"
#include "exchange/jetreport.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVBoxLayout>

JetReportWindow::JetReportWindow(const JetReport &report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("JetReportWindow"));
    setWindowTitle(QStringLiteral("Conversione dell'archivio precedente"));
    text_ = new QPlainTextEdit(this);
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    text_->setPlainText(report.text());
    auto *buttons = new QDialogButtonBox(this);
    QPushButton *save = buttons->addButton(QStringLiteral("Salva come testo..."), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("SalvaReport"));
    buttons->addButton(QStringLiteral("Chiudi"), QDialogButtonBox::RejectRole);
    connect(save, &QPushButton::clicked, this, [this] { this->save(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(text_);
    layout->addWidget(buttons);
    resize(900, 600);
}

JetReportWindow *JetReportWindow::showReport(const JetReport &report, QWidget *parent)
{
    auto *window = new JetReportWindow(report, parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    return window;
}

QString JetReportWindow::text() const { return text_->toPlainText(); }

bool JetReportWindow::save()
{
    Dialogs::FileRequest request;
    request.caption = QStringLiteral("Salva il resoconto della conversione");
    request.folder = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                         .filePath(QStringLiteral("Conversione archivio.txt"));
    request.filters = {QStringLiteral("Testo (*.txt)")};
    request.defaultSuffix = QStringLiteral("txt");
    const QString path = Dialogs::instance().saveFileName(request);
    if (path.isEmpty())
        return false;
    QSaveFile file(path);
    const QByteArray bytes = text().toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        Dialogs::instance().error(QStringLiteral("Il resoconto non può essere scritto in %1: %2")
                                      .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    return true;
}
