// The start-up password: hashing, checking (older plain-text values included) and the
// "Conferma password" steps of the options dialog.
#include "core/passwordhash.h"

#include <sodium.h>

#include <QtTest>

class TestPasswordHash : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void hashIsNeverThePlainText();
    void hashChecks_data();
    void hashChecks();
    void plainTextStoredValue_data();
    void plainTextStoredValue();
    void emptyStoredValueMeansNoPassword();
    void weakerHashIsAcceptedAndFlagged();
    void whatCountsAsAHash_data();
    void whatCountsAsAHash();
    void damagedHashOpensNothing();
    void confirmation_data();
    void confirmation();
    void confirmedPasswordIsStoredAsItsHash();

private:
    QString hashOfSecret_;
};

void TestPasswordHash::initTestCase()
{
    // Hashing is slow by design: one hash serves the cases that only check against it.
    hashOfSecret_ = PasswordHash::hash(QStringLiteral("Segreto è 1"));
    QVERIFY(!hashOfSecret_.isEmpty());
}

void TestPasswordHash::hashIsNeverThePlainText()
{
    const QString password = QStringLiteral("Segreto è 1");
    QVERIFY(hashOfSecret_ != password);
    QVERIFY(!hashOfSecret_.contains(password));
    QVERIFY(hashOfSecret_.startsWith(QLatin1String("$argon2id$")));
    QVERIFY(PasswordHash::isHash(hashOfSecret_));
    // The salt makes each hash of the same password different.
    const QString again = PasswordHash::hash(password);
    QVERIFY(again != hashOfSecret_);
    QVERIFY(PasswordHash::check(again, password).accepted);
    // The stored hash typed as a password opens nothing.
    QVERIFY(!PasswordHash::check(hashOfSecret_, hashOfSecret_).accepted);
}

void TestPasswordHash::hashChecks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("same") << "Segreto è 1" << true;
    QTest::newRow("case differs") << "segreto è 1" << false;
    QTest::newRow("accent differs") << "Segreto e 1" << false;
    QTest::newRow("trailing blank") << "Segreto è 1 " << false;
    QTest::newRow("prefix") << "Segreto" << false;
    QTest::newRow("empty") << "" << false;
}

void TestPasswordHash::hashChecks()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    const PasswordHash::Check check = PasswordHash::check(hashOfSecret_, typed);
    QCOMPARE(check.accepted, accepted);
    QCOMPARE(check.needsRehash, false);
}

void TestPasswordHash::plainTextStoredValue_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("same") << "pippo"
                          << "pippo" << true;
    QTest::newRow("case differs") << "pippo"
                                  << "Pippo" << false;
    QTest::newRow("empty typed") << "pippo"
                                 << "" << false;
    QTest::newRow("accented") << "città"
                              << "città" << true;
    // Only the start of a hash: still a plain password, compared as text.
    QTest::newRow("looks like a hash") << "$argon2id$abc"
                                       << "$argon2id$abc" << true;
}

void TestPasswordHash::plainTextStoredValue()
{
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QVERIFY(PasswordHash::isRequired(stored));
    const PasswordHash::Check check = PasswordHash::check(stored, typed);
    QCOMPARE(check.accepted, accepted);
    // Only the right password earns the new hash; a wrong one changes nothing.
    QCOMPARE(check.needsRehash, accepted);
}

void TestPasswordHash::emptyStoredValueMeansNoPassword()
{
    QVERIFY(!PasswordHash::isRequired(QString()));
    const PasswordHash::Check check = PasswordHash::check(QString(), QStringLiteral("anything"));
    QVERIFY(check.accepted);
    QVERIFY(!check.needsRehash);
}

void TestPasswordHash::weakerHashIsAcceptedAndFlagged()
{
    std::array<char, crypto_pwhash_STRBYTES> weak{};
    QCOMPARE(crypto_pwhash_str(weak.data(), "pw", 2, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN), 0);
    const PasswordHash::Check check = PasswordHash::check(QString::fromLatin1(weak.data()), QStringLiteral("pw"));
    QVERIFY(check.accepted);
    QVERIFY(check.needsRehash);
}

void TestPasswordHash::whatCountsAsAHash_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("hash");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("plain") << "pippo" << false;
    QTest::newRow("prefix only") << "$argon2id$" << false;
    QTest::newRow("other algorithm") << "$argon2i$v=19$m=4096,t=3,p=1$c2FsdHNhbHQ$aGFzaGhhc2g" << false;
    QTest::newRow("too long") << "$argon2id$" + QString(200, QLatin1Char('a')) << false;
    QTest::newRow("NUL inside") << QString::fromUtf8("$argon2id$\0x", 12) << false;
    QTest::newRow("non-Latin character") << "$argon2id$v=19$m=65536,t=2,p=1$Ω" << false;
}

void TestPasswordHash::whatCountsAsAHash()
{
    QFETCH(QString, stored);
    QFETCH(bool, hash);
    QCOMPARE(PasswordHash::isHash(stored), hash);
}

void TestPasswordHash::damagedHashOpensNothing()
{
    // A hash with one character changed is no hash and no longer opens anything.
    QString damaged = hashOfSecret_;
    const qsizetype inHash = damaged.size() - 10;
    damaged[inHash] = damaged.at(inHash) == QLatin1Char('A') ? QLatin1Char('B') : QLatin1Char('A');
    QVERIFY(!PasswordHash::check(damaged, QStringLiteral("Segreto è 1")).accepted);
}

void TestPasswordHash::confirmation_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("verification");
    QTest::addColumn<bool>("store");
    QTest::addColumn<bool>("cleared");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("confirmOptions");
    const QString mismatch = QStringLiteral("    Attenzione: La password deve essere uguale in entrambi i campi!");
    QTest::newRow("different") << "uno"
                               << "due" << false << false << mismatch << false;
    QTest::newRow("case differs") << "Uno"
                                  << "uno" << false << false << mismatch << false;
    QTest::newRow("second empty") << "uno"
                                  << "" << false << false << mismatch << false;
    QTest::newRow("first empty") << ""
                                 << "uno" << false << false << mismatch << false;
    QTest::newRow("trailing blank") << "uno"
                                    << "uno " << false << false << mismatch << false;
    QTest::newRow("both empty clears") << ""
                                       << "" << true << true << "    Password cancellata!" << true;
    QTest::newRow("same") << "uno"
                          << "uno" << true << false << "    Password salvata!" << true;
    QTest::newRow("a blank is a password") << " "
                                           << " " << true << false << "    Password salvata!" << true;
}

void TestPasswordHash::confirmation()
{
    QFETCH(QString, password);
    QFETCH(QString, verification);
    QFETCH(bool, store);
    QFETCH(bool, cleared);
    QFETCH(QString, message);
    QFETCH(bool, confirmOptions);
    const PasswordHash::Confirmation result = PasswordHash::confirm(password, verification);
    QCOMPARE(result.store, store);
    QCOMPARE(result.message, message);
    QCOMPARE(result.confirmOptions, confirmOptions);
    if (!store)
        return;
    QCOMPARE(result.codice.isEmpty(), cleared);
    if (!cleared) {
        QVERIFY(result.codice != password);
        QVERIFY(PasswordHash::check(result.codice, password).accepted);
    }
}

void TestPasswordHash::confirmedPasswordIsStoredAsItsHash()
{
    const PasswordHash::Confirmation result = PasswordHash::confirm(QStringLiteral("nuova"), QStringLiteral("nuova"));
    QVERIFY(PasswordHash::isHash(result.codice));
    const PasswordHash::Check check = PasswordHash::check(result.codice, QStringLiteral("nuova"));
    QVERIFY(check.accepted);
    QVERIFY(!check.needsRehash);
    QVERIFY(!PasswordHash::check(result.codice, QStringLiteral("Nuova")).accepted);
}

QTEST_GUILESS_MAIN(TestPasswordHash)
#include "tst_passwordhash.moc"
