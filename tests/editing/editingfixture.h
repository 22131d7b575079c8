#pragma once

#include "app/mainwindowfixture.h"
#include "editing/forminput.h"

#include <QPushButton>

// The main window with helpers to reach a person's projects and a project's payments
// through the drill-down, and to type into the input sheet as the user does.
class EditingFixture : public MainWindowFixture
{
protected:
    FormInput *sheet() const { return main()->inputSheet(); }

    QVariant scalar(const QString &sql) { return db_->db().scalar(sql.toUtf8()); }
    qint64 count(const QString &table) { return scalar(QStringLiteral("SELECT COUNT(*) FROM ") + table).toLongLong(); }
    double paid(qint64 project)
    {
        return scalar(QStringLiteral("SELECT Importo_pagato FROM Progetto WHERE IdProgetto = %1").arg(project))
            .toDouble();
    }
    double sumOfPayments(qint64 project)
    {
        return scalar(
                   QStringLiteral("SELECT COALESCE(SUM(Importo), 0) FROM Pagamenti WHERE IdProgetto = %1").arg(project))
            .toDouble();
    }

    int rowOf(const QString &field, const QVariant &value) const
    {
        const int c = column(field);
        for (int row = 0; row < query()->recordCount(); ++row)
            if (query()->value(row, c) == value)
                return row;
        return -1;
    }

    // All persons, then the projects of `person` as the drill-down shows them.
    void openProjectsOf(qint64 person)
    {
        trigger(QStringLiteral("QueryCommittente"));
        const int row = rowOf(QStringLiteral("Committente.IdCommittente"), person);
        QVERIFY(row >= 0);
        query()->setCurrentRow(row);
        main()->drillDownToProjects();
        QCOMPARE(main()->globals().viewKind, 2);
    }
    void openPaymentsOf(qint64 person, qint64 project)
    {
        openProjectsOf(person);
        const int row = rowOf(QStringLiteral("IdProgetto"), project);
        QVERIFY(row >= 0);
        query()->setCurrentRow(row);
        main()->drillDownToPayments();
        QCOMPARE(main()->globals().viewKind, 3);
        QVERIFY(main()->PaymentsResultTest());
    }

    // The main window's card editor bound to `field`; fails the test when none is.
    QLineEdit *cardEditor(const QString &field) const
    {
        for (int k = 0; k < Principale::kPairs; ++k)
            if (main()->cardPairs()[size_t(k)].boundField == field)
                return child<QLineEdit>(QStringLiteral("DBEdit%1").arg(k + 1));
        qFatal("no card editor for %s", qPrintable(field));
        return nullptr;
    }

    // The sheet's editor bound to `field`; fails the test when none is.
    QLineEdit *sheetEditor(const QString &field) const
    {
        for (int k = 0; k < FormInput::kPairs; ++k)
            if (sheet()->pairs()[size_t(k)].boundField == field)
                return sheet()->editor(k);
        qFatal("no sheet editor for %s", qPrintable(field));
        return nullptr;
    }
    int sheetPair(const QString &field) const
    {
        for (int k = 0; k < FormInput::kPairs; ++k)
            if (sheet()->pairs()[size_t(k)].boundField == field)
                return k + 1;
        return -1;
    }
    void type(const QString &field, const QString &text) { QTest::keyClicks(sheetEditor(field), text); }
    void pressEnterIn(const QString &field) { QTest::keyClick(sheetEditor(field), Qt::Key_Return); }

    // "Aggiungi", an amount typed into the sheet, Enter: one payment as the user adds it.
    void addPaymentThroughSheet(int amount)
    {
        trigger(QStringLiteral("Inserisci"));
        QVERIFY(sheet()->isVisible());
        type(QStringLiteral("Importo"), QString::number(amount));
        pressEnterIn(QStringLiteral("Importo"));
        QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->errors.join(QLatin1Char('\n'))));
    }

    // "Elimina" on the payment with `amount`, confirmed.
    void deletePaymentOf(double amount)
    {
        const int c = column(QStringLiteral("Importo"));
        int found = -1;
        for (int r = 0; r < query()->recordCount() && found < 0; ++r)
            if (query()->value(r, c).toDouble() == amount)
                found = r;
        QVERIFY(found >= 0);
        query()->setCurrentRow(found);
        dialogs_->answerNext(true);
        trigger(QStringLiteral("Elimina"));
    }
};
