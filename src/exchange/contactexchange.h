#pragma once

#include "core/dialogs.h"
#include "exchange/importedperson.h"

#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;
class ResultScreen;
class Workspace;

// The main window's side of the address book exchange in the other formats: "Esporta
// rubrica (vCard)...", "Importa rubrica (vCard)...", "Esporta in CSV...", "Importa da
// CSV..." in the "File" menu and "Codici da verificare" in the "Database" menu. The file
// dialogs are those of the spreadsheet exchange; the reading and writing are the plain
// classes' (VCardReader, VCardMapping, CsvReader, CsvSheetWriter, PersonImport); this class
// asks the questions and tells the user.
class ContactExchange
{
public:
    static const QString kVCard4Filter; // "vCard 4.0 (*.vcf)"
    static const QString kVCard3Filter; // "vCard 3.0, per telefoni meno recenti (*.vcf)"
    static const QString kCsvFilter;    // "CSV (*.csv)"

    // `writePendingEdits` writes what is typed in the card's editors into the current row.
    ContactExchange(Workspace &workspace, ResultScreen &screen, QWidget *window,
                    std::function<void()> writePendingEdits);
    ~ContactExchange();
    ContactExchange(const ContactExchange &) = delete;
    ContactExchange &operator=(const ContactExchange &) = delete;

    Dialogs::FileRequest exportVCardRequest() const;
    void exportVCard(const QString &path, const QString &filter);
    Dialogs::FileRequest importVCardRequest() const;
    void importVCard(const QString &path);
    Dialogs::FileRequest exportCsvRequest() const;
    void exportCsv(const QString &path);
    Dialogs::FileRequest importCsvRequest() const;
    void importCsv(const QString &path);
    // Shows the persons whose fiscal code or VAT number fails its check.
    void showCodesToCheck();

    // The statement of the persons whose keys are `keys` (none: an empty result).
    static QStringList personsStatement(const QList<qint64> &keys);

private:
    QString outputFolder() const;
    // The name with `suffix` added when it has none; empty when the user does not want to
    // replace an existing file or the name is a folder.
    QString confirmTarget(QString path, const QString &suffix) const;
    // Adds `people` read from `fileName` after the questions on persons already present and
    // on wrong codes; shows the persons and the report.
    void importPersons(const QList<ImportedPerson> &people, const QString &fileName);
    bool progress(int done, int total);

    Workspace &workspace_; // Not owned.
    ResultScreen &screen_; // Not owned.
    QWidget *window_;      // Not owned.
    std::function<void()> writePendingEdits_;
    QProgressDialog *progress_ = nullptr; // Owned by the window.
    int progressTotal_ = -1;
};
