#include "desktop/info.h"

#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTest>

// The about box: its texts, its links, and that the main window takes no input while it is open.
class TestInfo : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void showsNameVersionAndContacts();
    void okGivesTheMainWindowBack();
    void everyWayOfClosingGivesTheMainWindowBack_data();
    void everyWayOfClosingGivesTheMainWindowBack();
    void linksOpenMailAndSite();
    void screenshot();

private:
    static QStringList labelTexts(const QWidget &box);
};

QStringList TestInfo::labelTexts(const QWidget &box)
{
    QStringList texts;
    for (const QLabel *label : box.findChildren<QLabel *>())
        if (!label->text().isEmpty())
            texts << label->text();
    return texts;
}

void TestInfo::showsNameVersionAndContacts()
{
    QMainWindow main;
    Info box(&main);
    QCOMPARE(box.windowTitle(), QString("Informazioni"));
    const QStringList texts = labelTexts(box);
    for (const QString &text : {QString("Pratilio+"), QString("Versione 2.0"), QString("e-mail:"),
                                QString("sito internet:"), Info::emailAddress(), Info::webSite()})
        QVERIFY2(texts.contains(text), qPrintable(text));
    QVERIFY(box.findChild<QPushButton *>("BitBtn1"));
    QCOMPARE(box.findChild<QPushButton *>("BitBtn1")->text(), QString("&OK"));
    QVERIFY(!box.findChild<QLabel *>("Image1")->pixmap().isNull());
    QCOMPARE(box.findChild<QLabel *>("Comments")->cursor().shape(), Qt::PointingHandCursor);
}

void TestInfo::okGivesTheMainWindowBack()
{
    QMainWindow main;
    main.show();
    Info box(&main);
    box.show();
    QVERIFY(!main.isEnabled());
    QVERIFY(box.isEnabled()); // the box itself still takes input
    QTest::mouseClick(box.findChild<QPushButton *>("BitBtn1"), Qt::LeftButton);
    QVERIFY(!box.isVisible());
    QVERIFY(main.isEnabled());
}

void TestInfo::everyWayOfClosingGivesTheMainWindowBack_data()
{
    QTest::addColumn<int>("way");
    QTest::newRow("close box") << 0;
    QTest::newRow("escape") << 1;
    QTest::newRow("reopened, then closed") << 2;
}

void TestInfo::everyWayOfClosingGivesTheMainWindowBack()
{
    QFETCH(int, way);
    QMainWindow main;
    main.show();
    Info box(&main);
    box.show();
    if (way == 2) {
        box.accept();
        box.show();
        QVERIFY(!main.isEnabled());
    }
    if (way == 1)
        QTest::keyClick(&box, Qt::Key_Escape);
    else
        box.close();
    QVERIFY(!box.isVisible());
    QVERIFY(main.isEnabled());
}

void TestInfo::linksOpenMailAndSite()
{
    QMainWindow main;
    QStringList opened;
    Info box(&main, [&opened](const QString &target) { opened << target; });
    box.show();
    QTest::mouseClick(box.findChild<QLabel *>("Comments"), Qt::LeftButton);
    QTest::mouseClick(box.findChild<QLabel *>("Label1"), Qt::LeftButton);
    QCOMPARE(opened, QStringList({"mailto:" + Info::emailAddress(), Info::webSite()}));
    // The right button opens nothing.
    QTest::mouseClick(box.findChild<QLabel *>("Comments"), Qt::RightButton);
    QCOMPARE(opened.size(), 2);
}

void TestInfo::screenshot()
{
    const QString folder = qEnvironmentVariable("PRATILIO_TEST_OUTPUT");
    if (folder.isEmpty())
        QSKIP("no screenshot folder");
    QMainWindow main;
    Info box(&main);
    box.show();
    QVERIFY(box.grab().save(folder + "/info.png"));
}

QTEST_MAIN(TestInfo)
#include "tst_info.moc"
