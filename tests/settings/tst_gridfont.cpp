// The grid font's colour and height between the settings file's numbers and Qt's types.
#include "settings/gridfont.h"

#include <QFontDatabase>
#include <QtTest>

class TestGridFont : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void colorFromTheFile_data();
    void colorFromTheFile();
    void colorToTheFile_data();
    void colorToTheFile();
    void heightFromTheFile_data();
    void heightFromTheFile();
    void heightToTheFile();
    void storedNameToFont_data();
    void storedNameToFont();

private:
    static QPalette palette();
};

// A palette of distinct colours, so that each role can be told apart.
QPalette TestGridFont::palette()
{
    QPalette p;
    for (int role = 0; role < QPalette::NColorRoles; ++role)
        p.setColor(QPalette::All, QPalette::ColorRole(role), QColor(role, 2 * role, 3 * role));
    return p;
}

void TestGridFont::colorFromTheFile_data()
{
    QTest::addColumn<int>("colorref");
    QTest::addColumn<QColor>("expected");
    const QPalette p = palette();
    QTest::newRow("black") << 0 << QColor(0, 0, 0);
    QTest::newRow("red is the low byte") << 0x0000FF << QColor(255, 0, 0);
    QTest::newRow("green") << 0x00FF00 << QColor(0, 255, 0);
    QTest::newRow("blue is the third byte") << 0xFF0000 << QColor(0, 0, 255);
    QTest::newRow("mixed") << 0x123456 << QColor(0x56, 0x34, 0x12);
    QTest::newRow("white") << 0xFFFFFF << QColor(255, 255, 255);
    QTest::newRow("palette-relative high byte ignored") << 0x02FF0000 << QColor(0, 0, 255);
    QTest::newRow("window text") << GridFont::kWindowTextColor << p.color(QPalette::Text);
    QTest::newRow("window background") << int(0x80000005u) << p.color(QPalette::Base);
    QTest::newRow("button face") << int(0x8000000Fu) << p.color(QPalette::Button);
    QTest::newRow("last system colour") << int(0x8000001Eu) << p.color(QPalette::Window);
    QTest::newRow("unknown system colour") << int(0x8000001Fu) << p.color(QPalette::Text);
    QTest::newRow("most negative") << int(0x80000000u) << p.color(QPalette::Mid);
    QTest::newRow("all bits") << -1 << p.color(QPalette::Text);
}

void TestGridFont::colorFromTheFile()
{
    QFETCH(int, colorref);
    QFETCH(QColor, expected);
    QCOMPARE(GridFont::color(colorref, palette()), expected);
}

void TestGridFont::colorToTheFile_data()
{
    QTest::addColumn<QColor>("color");
    QTest::addColumn<int>("colorref");
    QTest::newRow("black") << QColor(Qt::black) << 0;
    QTest::newRow("red") << QColor(Qt::red) << 0x0000FF;
    QTest::newRow("blue") << QColor(Qt::blue) << 0xFF0000;
    QTest::newRow("mixed") << QColor(0x56, 0x34, 0x12) << 0x123456;
    QTest::newRow("alpha dropped") << QColor(1, 2, 3, 4) << 0x030201;
    QTest::newRow("other colour model") << QColor::fromHsv(0, 255, 255) << 0x0000FF;
}

void TestGridFont::colorToTheFile()
{
    QFETCH(QColor, color);
    QFETCH(int, colorref);
    QCOMPARE(GridFont::colorref(color), colorref);
    const QColor rgb = color.toRgb();
    QCOMPARE(GridFont::color(colorref, palette()), QColor(rgb.red(), rgb.green(), rgb.blue()));
}

void TestGridFont::heightFromTheFile_data()
{
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("pixels");
    QTest::newRow("design size") << -11 << 11;
    QTest::newRow("one pixel") << -1 << 1;
    QTest::newRow("cell height") << 16 << 16;
    QTest::newRow("zero keeps the size") << 0 << 20;
    QTest::newRow("largest") << -GridFont::kMaxPixelHeight << GridFont::kMaxPixelHeight;
    QTest::newRow("beyond the largest") << -GridFont::kMaxPixelHeight - 1 << GridFont::kMaxPixelHeight;
    QTest::newRow("most negative integer") << std::numeric_limits<int>::min() << GridFont::kMaxPixelHeight;
    QTest::newRow("largest integer") << std::numeric_limits<int>::max() << GridFont::kMaxPixelHeight;
}

void TestGridFont::heightFromTheFile()
{
    QFETCH(int, height);
    QFETCH(int, pixels);
    QFont font;
    font.setPixelSize(20);
    GridFont::applyHeight(font, height);
    QCOMPARE(font.pixelSize(), pixels);
}

void TestGridFont::heightToTheFile()
{
    QFont font;
    font.setPixelSize(14);
    QCOMPARE(GridFont::height(font), -14);
    font.setPointSizeF(9);
    QCOMPARE(GridFont::height(font), -12);
    QCOMPARE(GridFont::height(font, 120), -15);
    font.setPointSizeF(0.1);
    QCOMPARE(GridFont::height(font), -1);
}

void TestGridFont::storedNameToFont_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("installed");
    QTest::newRow("the program's default") << QStringLiteral("MS San Serif") << false;
    QTest::newRow("the design-time font") << QStringLiteral("MS Sans Serif") << false;
    QTest::newRow("empty") << QString() << false;
    const QString installed = QFontDatabase::families().value(0);
    QTest::newRow("an installed family") << installed << !installed.isEmpty();
    QTest::newRow("an installed family, other case") << installed.toUpper() << !installed.isEmpty();
}

// A name the desktop lacks gives the desktop's font (not a substitute the font matcher
// picks), always at the stored height.
void TestGridFont::storedNameToFont()
{
    QFETCH(QString, name);
    QFETCH(bool, installed);
    QFont desktop(QStringLiteral("Desktop Default Family"));
    desktop.setPointSize(9);
    desktop.setBold(true);
    QCOMPARE(GridFont::isInstalled(name), installed);
    const QFont font = GridFont::font(name, -13, desktop);
    QCOMPARE(font.family().compare(installed ? name : desktop.family(), Qt::CaseInsensitive), 0);
    QCOMPARE(font.pixelSize(), 13);
    QCOMPARE(font.bold(), true); // the rest of the desktop font stays
}

// The font database needs the GUI application.
QTEST_MAIN(TestGridFont)
#include "tst_gridfont.moc"
