#include "app/mainwindowfixture.h"
#include "core/errorhandler.h"

#include <QLabel>
#include <QLineEdit>

// A wrong fiscal code or VAT number on the card: shown in red with a status-bar line, saved
// as written only after a question, never changed.
class TestCodeCheck : public QObject, public MainWindowFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void wrongCodeIsShown();
    void savedOnlyAfterTheQuestion();
    void otherChangesAskNothing();

private:
    QLineEdit *codeEditor() const
    {
        for (int k = 1; k <= 21; ++k) {
            auto *e = main()->findChild<QLineEdit *>(QStringLiteral("DBEdit%1").arg(k));
            if (e && main()->cardPairs()[size_t(k - 1)].boundField == QLatin1String("Codice_fiscale"))
                return e;
        }
        return nullptr;
    }
    QString statusLine() const { return child<QLabel>(QStringLiteral("StatusBar1Codici"))->text(); }
    QString storedCode(qint64 key) const
    {
        return db_->db()
            .scalar(QStringLiteral("SELECT Codice_fiscale FROM Committente WHERE IdCommittente = %1").arg(key).toUtf8())
            .toString();
    }
    bool save()
    {
        return ErrorHandler::guard([this] { query()->post(); });
    }
};

void TestCodeCheck::wrongCodeIsShown()
{
    start(0);
    const qint64 right = addPerson(QStringLiteral("Giusti"));
    const qint64 wrong = addPerson(QStringLiteral("Sbagli"));
    db_->db().exec(QStringLiteral("UPDATE Committente SET Codice_fiscale = 'RSSMRA85T10A562S' WHERE IdCommittente = %1")
                       .arg(right));
    db_->db().exec(QStringLiteral("UPDATE Committente SET Codice_fiscale = 'RSSMRA85T10A562T' WHERE IdCommittente = %1")
                       .arg(wrong));
    trigger("QueryCommittente");
    trigger("MostraScheda");
    QLineEdit *editor = codeEditor();
    QVERIFY(editor);
    for (int r = 0; r < query()->recordCount(); ++r) {
        query()->setCurrentRow(r);
        const bool bad = query()->text(r, column("Codice_fiscale")) == QLatin1String("RSSMRA85T10A562T");
        QCOMPARE(editor->palette().color(QPalette::Text) == QColor(0xC0, 0, 0), bad);
        QCOMPARE(statusLine(), bad ? QStringLiteral("Codice fiscale da verificare: il carattere di controllo non "
                                                    "corrisponde")
                                   : QString());
    }
    // Typing a right code clears the mark at once.
    for (int r = 0; r < query()->recordCount(); ++r) {
        if (query()->value(r, column("Committente.IdCommittente")).toLongLong() == wrong)
            query()->setCurrentRow(r);
    }
    editor->setText(QStringLiteral("RSSMRA85T10A562S"));
    QVERIFY(statusLine().isEmpty());
    QVERIFY(editor->toolTip().isEmpty());
}

void TestCodeCheck::savedOnlyAfterTheQuestion()
{
    start(0);
    const qint64 key = addPerson(QStringLiteral("Rossi"));
    trigger("QueryCommittente");
    query()->edit();
    query()->fieldByName(QStringLiteral("Codice_fiscale")).setAsString(QStringLiteral("rssmra85t10a562t"));
    dialogs_->answerNext(false);
    QVERIFY(!save());
    QCOMPARE(dialogs_->questions.last(), QStringLiteral("Il codice fiscale \"rssmra85t10a562t\" non supera il "
                                                        "controllo: il carattere di controllo non corrisponde.\n"
                                                        "Salvarlo comunque così come è scritto?"));
    QVERIFY(dialogs_->errors.last().contains(QStringLiteral("non è stato salvato")));
    QVERIFY(storedCode(key).isEmpty());
    QCOMPARE(query()->state(), Query::State::Edit); // still as typed
    QCOMPARE(query()->fieldByName(QStringLiteral("Codice_fiscale")).asString(), QStringLiteral("rssmra85t10a562t"));
    // OK: saved exactly as written, lower case included.
    QVERIFY(save());
    QCOMPARE(storedCode(key), QStringLiteral("rssmra85t10a562t"));
    // A VAT number likewise, in a new row of the input sheet's kind.
    query()->edit();
    query()->fieldByName(QStringLiteral("Partita_iva")).setAsString(QStringLiteral("12345678901"));
    dialogs_->questions.clear();
    QVERIFY(save());
    QCOMPARE(dialogs_->questions.size(), 1);
    QVERIFY(dialogs_->questions.first().startsWith(QStringLiteral("La partita IVA \"12345678901\"")));
}

void TestCodeCheck::otherChangesAskNothing()
{
    start(0);
    const qint64 key = addPerson(QStringLiteral("Rossi"));
    db_->db().exec(QStringLiteral("UPDATE Committente SET Codice_fiscale = 'X123' WHERE IdCommittente = %1").arg(key));
    trigger("QueryCommittente");
    query()->edit();
    query()->fieldByName(QStringLiteral("Note")).setAsString(QStringLiteral("cliente estero"));
    QVERIFY(save());
    QVERIFY(dialogs_->questions.isEmpty());
    QCOMPARE(storedCode(key), QStringLiteral("X123"));
}

QTEST_MAIN(TestCodeCheck)
#include "tst_codecheck.moc"
