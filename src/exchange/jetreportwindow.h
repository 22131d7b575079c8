#pragma once

#include <QDialog>

class JetReport;
class QPlainTextEdit;

// The report of a conversion of the old archive, in a window of its own that the user can
// keep open beside the program and save as a text file.
class JetReportWindow : public QDialog
{
    Q_OBJECT

public:
    JetReportWindow(const JetReport &report, QWidget *parent = nullptr);

    // A window on `report`, shown and removed when closed.
    static JetReportWindow *showReport(const JetReport &report, QWidget *parent);

    QString text() const;
    // "Salva come testo...": the file the user picks, in UTF-8. False when cancelled or not written.
    bool save();

private:
    QPlainTextEdit *text_;
};
