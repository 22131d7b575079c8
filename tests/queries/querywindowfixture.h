#pragma once

#include "app/mainwindowfixture.h"

#include <QDir>

// The main window fixture with what the query windows' tests share: a screenshot and the
// demo database's values counted by the engine.
class QueryWindowFixture : public MainWindowFixture
{
protected:
    void saveScreenshot(QWidget *widget, const QString &name)
    {
        const QString folder = qEnvironmentVariable("PRATILIO_TEST_OUTPUT");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        QVERIFY(widget->grab().save(QDir(folder).filePath(name)));
    }

    int count(const QString &sql) { return db_->db().scalar(sql.toUtf8()).toInt(); }

    // Opens a drop-down list the way the user does, so that its handler runs, and closes it.
    static void dropDown(QComboBox *box)
    {
        box->showPopup();
        box->hidePopup();
    }

    static void pressEnter(QWidget *widget) { QTest::keyClick(widget, Qt::Key_Return); }
};
