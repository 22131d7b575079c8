// Hostile values through the input sheet, the card and grid editors and the password prompt:
// each is stored and read back exactly as typed, or refused where a key filter says so; the
// schema and every other row stay as they were.
#include "editing/editingfixture.h"
#include "settings/password.h"

#include <QCryptographicHash>

namespace {

QStringList hostileValues()
{
    return {QStringLiteral("'"),
            QStringLiteral("\""),
            QStringLiteral("D'Amico \"il Geometra\""),
            QStringLiteral("'; DROP TABLE Committente; --"),
            QStringLiteral("' OR '1'='1"),
            QStringLiteral("%"),
            QStringLiteral("_"),
            QStringLiteral("*"),
            QStringLiteral("a%b_c*d?[e]"),
            QString(QChar(0)) + QStringLiteral("dopo il NUL"),
            QStringLiteral("prima") + QChar(0),
            QString(10000, QLatin1Char('x')),
            QString(10000, QChar(0x00E8)),
            QStringLiteral("שלום עולם"),
            QStringLiteral("مرحبا بالعالم"),
            QString(QChar(0x202E)) + QStringLiteral("odnom"),
            QStringLiteral("👩‍💻🏗️ Rossi 🇮🇹"),
            QStringLiteral("  spazi  "),
            QStringLiteral("riga\r\nnuova\ttab"),
            QStringLiteral("\\ ; -- /* */")};
}

} // namespace

class TestHostileInput : public QObject, public EditingFixture
{
    Q_OBJECT

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup() { stopFixture(); }

    void throughTheInputSheet();
    void throughTheCard();
    void throughTheGrid();
    void digitFieldsRefuseThem();
    void throughThePasswordPrompt();
    void typedAmountWithCents();

private:
    // Schema and every row except those of the person `except`, as one fingerprint.
    QByteArray fingerprint(qint64 except = -1);
    QString stored(const QString &column, qint64 person)
    {
        return scalar(QStringLiteral("SELECT %1 FROM Committente WHERE IdCommittente = %2").arg(column).arg(person))
            .toString();
    }
    int personRow(qint64 person) { return rowOf(QStringLiteral("Committente.IdCommittente"), person); }
};

QByteArray TestHostileInput::fingerprint(qint64 except)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    Database &db = db_->db();
    for (const char *sql : {"SELECT type || name || tbl_name || COALESCE(sql, '') FROM sqlite_master ORDER BY name"}) {
        Statement st(db, sql);
        while (st.step())
            hash.addData(st.columnText(0));
    }
    for (const QString &table :
         {"Committente", "Indirizzo", "Recapiti", "Progetto", "Pagamenti", "Stato", "Applicazione"}) {
        const QString where = table == QLatin1String("Committente") || table == QLatin1String("Indirizzo")
                                      || table == QLatin1String("Recapiti")
                                  ? QStringLiteral(" WHERE IdCommittente <> %1").arg(except)
                                  : QString();
        Statement st(db, QStringLiteral("SELECT * FROM %1%2 ORDER BY 1").arg(table, where).toUtf8());
        while (st.step())
            for (int c = 0; c < st.columnCount(); ++c)
                hash.addData(st.columnText(c) + '\x1f');
    }
    return hash.result();
}

void TestHostileInput::throughTheInputSheet()
{
    start(5);
    trigger(QStringLiteral("QueryCommittente"));
    for (const QString &value : hostileValues()) {
        const QByteArray before = fingerprint(db_->db().nextKey("Committente", "IdCommittente") + 1);
        trigger(QStringLiteral("Inserisci"));
        QVERIFY(sheet()->isVisible());
        const qint64 key
            = query()->value(query()->currentRow(), column(QStringLiteral("Committente.IdCommittente"))).toLongLong();
        for (const QString &field : {QStringLiteral("Cognome"), QStringLiteral("Note")}) {
            sheetEditor(field)->setText(value);
            Q_EMIT sheetEditor(field)->textEdited(value);
        }
        type(QStringLiteral("Qualifica"), QStringLiteral("x"));
        pressEnterIn(QStringLiteral("Qualifica"));
        QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->errors.join('\n')));
        QCOMPARE(stored(QStringLiteral("Cognome"), key), value);
        QCOMPARE(stored(QStringLiteral("Note"), key), value);
        QCOMPARE(fingerprint(key), before);
    }
    QVERIFY(dialogs_->errors.isEmpty());
    QCOMPARE(count(QStringLiteral("Committente")), 5 + hostileValues().size());
}

void TestHostileInput::throughTheCard()
{
    start(5);
    trigger(QStringLiteral("QueryCommittente"));
    trigger(QStringLiteral("MostraScheda"));
    const qint64 person = query()->value(0, column(QStringLiteral("Committente.IdCommittente"))).toLongLong();
    query()->setCurrentRow(0);
    const QByteArray before = fingerprint(person);
    for (const QString &value : hostileValues()) {
        QLineEdit *editor = cardEditor(QStringLiteral("Nome"));
        editor->setFocus();
        editor->setText(value);
        Q_EMIT editor->textEdited(value);
        QTest::keyClick(editor, Qt::Key_Return);
        QVERIFY2(dialogs_->errors.isEmpty(), qPrintable(dialogs_->errors.join('\n')));
        QCOMPARE(query()->state(), Query::State::Browse);
        QCOMPARE(stored(QStringLiteral("Nome"), person), value);
        QCOMPARE(fingerprint(person), before);
    }
}

void TestHostileInput::throughTheGrid()
{
    start(5);
    trigger(QStringLiteral("QueryCommittente"));
    const qint64 person = query()->value(2, column(QStringLiteral("Committente.IdCommittente"))).toLongLong();
    const QByteArray before = fingerprint(person);
    for (const QString &value : hostileValues()) {
        const int row = personRow(person);
        const QModelIndex index = main()->model()->index(row, column(QStringLiteral("Qualifica")));
        QVERIFY(main()->model()->setData(index, value, Qt::EditRole));
        query()->post();
        QCOMPARE(stored(QStringLiteral("Qualifica"), person), value);
        QCOMPARE(query()->value(personRow(person), column(QStringLiteral("Qualifica"))).toString(), value);
        QCOMPARE(fingerprint(person), before);
    }
    QVERIFY(dialogs_->errors.isEmpty());
}

void TestHostileInput::digitFieldsRefuseThem()
{
    start(3);
    trigger(QStringLiteral("QueryCommittente"));
    trigger(QStringLiteral("Inserisci"));
    for (const QString &value : hostileValues()) {
        QLineEdit *cap = sheetEditor(QStringLiteral("CAP"));
        cap->clear();
        // Key by key, as typed (the test library types printable ASCII only).
        QString typed, digits;
        for (const QChar c : value.left(200)) {
            if (c.unicode() < 0x20 || c.unicode() > 0x7e)
                continue;
            typed += c;
            if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                digits += c;
        }
        QTest::keyClicks(cap, typed);
        QCOMPARE(cap->text(), digits);
    }
    sheet()->close();
}

void TestHostileInput::throughThePasswordPrompt()
{
    for (const QString &value : hostileValues()) {
        if (value.contains(QChar(0)) || value.contains(QLatin1Char('\n')))
            continue; // a line edit holds neither
        db_ = std::make_unique<TestDatabase>(1);
        Statement set(db_->db(), "UPDATE Applicazione SET Codice = ?");
        set.bind(1, value);
        set.step();
        startup_ = std::make_unique<Startup>(db_->programDir());
        startup_->createWindows();
        startup_->start();
        Password *prompt = startup_->password();
        QVERIFY(prompt->isVisible());
        prompt->edit()->setText(value + QLatin1Char('x'));
        prompt->ConfermaClick();
        QVERIFY(!main()->isVisible());
        prompt->edit()->setText(value);
        prompt->ConfermaClick();
        QVERIFY2(main()->isVisible(), qPrintable(value.left(40)));
        QVERIFY(dialogs_->errors.isEmpty());
        startup_.reset();
    }
}

void TestHostileInput::typedAmountWithCents()
{
    start(0);
    const qint64 person = addPerson("Rinaldi");
    const qint64 project = addProject(person, "Rinaldi", 5000, 0);
    openPaymentsOf(person, project);
    trigger(QStringLiteral("Inserisci"));
    type(QStringLiteral("Importo"), QStringLiteral("2975,46"));
    QCOMPARE(sheetEditor(QStringLiteral("Importo"))->text(), QStringLiteral("2975,46"));
    type(QStringLiteral("Importo"), QStringLiteral(",9")); // a second comma and a third decimal
    QCOMPARE(sheetEditor(QStringLiteral("Importo"))->text(), QStringLiteral("2975,46"));
    pressEnterIn(QStringLiteral("Importo"));
    QVERIFY2(!sheet()->isVisible(), qPrintable(dialogs_->errors.join('\n')));
    QCOMPARE(sumOfPayments(project), 2975.46);
    QCOMPARE(paid(project), 2975.46);
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
