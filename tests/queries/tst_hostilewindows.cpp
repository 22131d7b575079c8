// Values that try to break out of their place in a statement, typed into every text box of
// the three query windows: the condition dialog, the quick search and the complex query.
// No value may change the database: afterwards the schema and every table's row count are
// as before, and a condition on a name, a surname or a state finds nothing (no row holds
// these values).
#include "queries/querywindowfixture.h"

#include "data/schema.h"
#include "queries/querycomplessa.h"
#include "queries/querystandard.h"

#include <QPushButton>

#include <algorithm>

class TestHostileWindows : public QObject, public QueryWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase() { stopFixture(); }

    void conditionDialog();
    void quickSearch();
    void complexQuery();
    void databaseUnchanged();

private:
    QStringList values() const;
    void enter(QWidget *widget, const QString &value);
    QString snapshot();

    QString before_;
};

QStringList TestHostileWindows::values() const
{
    return {
        QStringLiteral("'"),
        QStringLiteral("''"),
        QStringLiteral("D'Ammiraglio"),
        QStringLiteral("'; DROP TABLE Committente; --"),
        QStringLiteral("x'; DELETE FROM Progetto; --"),
        QStringLiteral("' OR '1'='1"),
        QStringLiteral("'Rossi' OR '1'='1'"),
        QStringLiteral("%"),
        QStringLiteral("_"),
        QStringLiteral("*"),
        QStringLiteral("\"In corso\" OR 1=1"),
        QStringLiteral(":01/01/2007"),
        QStringLiteral(") OR (1=1"),
        QStringLiteral("-- "),
        QString(10000, QLatin1Char('x')),
        QString(10000, QLatin1Char('\'')),
        QStringLiteral("مرحبا 'بالعالم'"),
        QStringLiteral("\u202Eilamron'"),
        QStringLiteral("😀'😀"),
        QStringLiteral("0); DROP TABLE Pagamenti; --"),
    };
}

// Typed key by key when short and plain ASCII (what the test's keyboard can type); any other
// text is pasted, as a user would.
void TestHostileWindows::enter(QWidget *widget, const QString &value)
{
    auto *edit = qobject_cast<QLineEdit *>(widget);
    if (auto *box = qobject_cast<QComboBox *>(widget))
        edit = box->lineEdit();
    QVERIFY(edit);
    edit->clear();
    const bool typeable = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x7F; });
    if (value.size() < 40 && typeable) {
        edit->setFocus();
        QTest::keyClicks(edit, value);
    } else {
        edit->setText(value);
    }
    QCOMPARE(edit->text(), value);
}

// The schema's text and every table's row count.
QString TestHostileWindows::snapshot()
{
    Database &db = db_->db();
    QString text = db.scalar("SELECT group_concat(sql, ';') FROM (SELECT sql FROM sqlite_master ORDER BY name)")
                       .toString();
    for (const QString table :
         {"Applicazione", "Committente", "Indirizzo", "Recapiti", "Progetto", "Pagamenti", "Stato"})
        text += QStringLiteral("|%1=%2").arg(table).arg(count(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)));
    return text;
}

void TestHostileWindows::initTestCase()
{
    startFixture();
    start(40);
    before_ = snapshot();
    QVERIFY(before_.contains("Committente=40"));
}

void TestHostileWindows::conditionDialog()
{
    QueryStandard *dialog = startup_->conditionDialog();
    const struct
    {
        const char *action;
        const char *widget;
    } inputs[] = {{"Nome", "Edit1"},
                  {"Nome", "Edit2"},
                  {"Qualifica", "ComboBox1"},
                  {"Citta", "ComboBox1"},
                  {"Stato", "ComboBox1"}};
    for (const auto &input : inputs) {
        for (const QString &value : values()) {
            trigger(input.action);
            QWidget *widget = dialog->findChild<QWidget *>(input.widget);
            enter(widget, value);
            pressEnter(widget);
            QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(input.widget + (": " + dialogs_->errors.join(' '))));
            QVERIFY(!dialog->isVisible());
            QVERIFY(query()->isActive());
            QCOMPARE(query()->recordCount(), 0);
        }
    }
}

void TestHostileWindows::quickSearch()
{
    for (const char *queryAction : {"QueryCommittente", "QueryProgetto"}) {
        for (const QString field : {"Cognome", "Cognome cliente", "Note", "Descrizione", "Importo totale"}) {
            for (const QString &value : values()) {
                trigger(queryAction);
                child<QComboBox>("ComboBox1")->setEditText(field);
                dialogs_->errors.clear();
                enter(child<QLineEdit>("Edit1"), value);
                QVERIFY(query()->isActive());
                QCOMPARE(main()->model()->rowCount(), query()->recordCount());
            }
            // The field box takes them too: an unknown field is refused, never run.
            enter(child<QComboBox>("ComboBox1"), values().at(3));
            enter(child<QLineEdit>("Edit1"), QStringLiteral("a"));
            QVERIFY(!dialogs_->errors.isEmpty());
        }
    }
    dialogs_->errors.clear();
}

void TestHostileWindows::complexQuery()
{
    QueryComplessa *window = startup_->complexQuery();
    auto box = [window](int n) { return window->findChild<QComboBox *>(QStringLiteral("ComboBox%1").arg(n)); };
    auto ok = [window] { QTest::mouseClick(window->findChild<QPushButton *>("Button1"), Qt::LeftButton); };
    trigger("PersonalizzaQuery");
    box(1)->setEditText("Cognome");
    box(2)->setEditText("=");
    box(3)->setEditText("Rossi");
    QTest::mouseClick(window->findChild<QToolButton *>("SpeedButton1"), Qt::LeftButton);
    box(4)->setEditText(" OR ");
    box(5)->setEditText("Nome");
    box(6)->setEditText("=");
    box(7)->setEditText("Nessuno");
    const QStringList before = query()->sql();

    // Each box of both rows in turn holds the value; only the value boxes can make a query.
    for (int n = 1; n <= 7; ++n) {
        for (const QString &value : values()) {
            if (!window->isVisible())
                trigger("PersonalizzaQuery");
            const QStringList kept = {box(1)->currentText(), box(2)->currentText(), box(3)->currentText(),
                                      box(4)->currentText(), box(5)->currentText(), box(6)->currentText(),
                                      box(7)->currentText()};
            dialogs_->messages.clear();
            enter(box(n), value);
            if (n == 3 || n == 7) {
                enter(box(n == 3 ? 7 : 3), value);
                ok();
                QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join(' ')));
                QVERIFY2(dialogs_->messages.isEmpty(), qPrintable(dialogs_->messages.join(' ')));
                QVERIFY(!window->isVisible());
                QCOMPARE(query()->recordCount(), 0);
            } else {
                ok();
                QCOMPARE(dialogs_->messages.size(), 1); // a field, operator or connector not of the window
                QVERIFY(window->isVisible());
                QVERIFY(dialogs_->errors.isEmpty());
            }
            for (int k = 1; k <= 7; ++k)
                box(k)->setEditText(kept.at(k - 1));
        }
    }
    Q_UNUSED(before);
    window->close();
}

void TestHostileWindows::databaseUnchanged() { QCOMPARE(snapshot(), before_); }

QTEST_MAIN(TestHostileWindows)
#include "tst_hostilewindows.moc"
