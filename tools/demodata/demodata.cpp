#include "demodata/demodata.h"

#include "data/database.h"
#include "data/values.h"
#include "demodata/demowords.h"

#include <QDate>
#include <QString>

#include <algorithm>
#include <array>
#include <vector>

namespace {

using namespace DemoWords;

// A small generator of our own: the data must be identical on every machine and with
// every standard library, which std::uniform_int_distribution does not promise.
class Rng
{
public:
    explicit Rng(quint32 seed) : state_(0x9E3779B97F4A7C15ull ^ (quint64(seed) << 1)) {}

    quint64 next()
    {
        quint64 z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int below(int n) { return int(next() % quint64(n)); }
    int range(int lo, int hi) { return lo + below(hi - lo + 1); } // both ends included
    bool chance(int percent) { return below(100) < percent; }
    template<typename T, size_t N>
    const T &pick(const T (&items)[N])
    {
        return items[size_t(below(int(N)))];
    }

private:
    quint64 state_;
};

const QDate kFirstDay(2000, 1, 1);
const QDate kLastStart(2025, 12, 31);
const QDate kLastDay(2026, 12, 31);

// A name reduced to the letters A-Z: accents and apostrophes do not exist in tax codes,
// e-mail addresses or web sites.
QByteArray asciiLetters(const char *utf8)
{
    const QString decomposed = QString::fromUtf8(utf8).normalized(QString::NormalizationForm_D);
    QByteArray letters;
    for (const QChar c : decomposed) {
        if (c.unicode() < 128 && c.isLetter())
            letters += char(c.toUpper().unicode());
    }
    return letters;
}

void splitLetters(const QByteArray &letters, QByteArray *consonants, QByteArray *vowels)
{
    for (const char c : letters)
        (QByteArray("AEIOU").contains(c) ? vowels : consonants)->append(c);
}

QByteArray surnameCode(const QByteArray &letters)
{
    QByteArray consonants, vowels;
    splitLetters(letters, &consonants, &vowels);
    return (consonants + vowels + "XXX").left(3);
}

QByteArray nameCode(const QByteArray &letters)
{
    QByteArray consonants, vowels;
    splitLetters(letters, &consonants, &vowels);
    if (consonants.size() >= 4)
        return QByteArray() + consonants[0] + consonants[2] + consonants[3];
    return (consonants + vowels + "XXX").left(3);
}

// The control letter the revenue agency's algorithm puts at the end, so that the codes
// pass the same check as real ones.
char taxCodeCheck(const QByteArray &first15)
{
    static const int odd[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
    int sum = 0;
    for (int i = 0; i < first15.size(); ++i) {
        const char c = first15[i];
        const int value = c >= '0' && c <= '9' ? c - '0' : c - 'A';
        sum += i % 2 == 0 ? odd[value] : value;
    }
    return char('A' + sum % 26);
}

QByteArray digits(Rng &rng, int count)
{
    QByteArray text;
    for (int i = 0; i < count; ++i)
        text += char('0' + rng.below(10));
    return text;
}

// Eleven digits whose last one is the check digit of the Italian VAT number.
QByteArray vatNumber(Rng &rng)
{
    QByteArray number = QByteArray::number(rng.range(1, 9999999)).rightJustified(7, '0');
    number += QByteArray::number(rng.range(1, 100)).rightJustified(3, '0'); // tax office
    int sum = 0;
    for (int i = 0; i < 10; ++i) {
        int d = number[i] - '0';
        if (i % 2 == 1) {
            d *= 2;
            if (d > 9)
                d -= 9;
        }
        sum += d;
    }
    return number + char('0' + (10 - sum % 10) % 10);
}

QByteArray landline(Rng &rng, const City &city)
{
    QByteArray number = QByteArray(city.phonePrefix) + ' ' + char('1' + rng.below(9));
    number += digits(rng, 9 - int(qstrlen(city.phonePrefix)));
    return number;
}

QByteArray mobile(Rng &rng)
{
    QByteArray number = QByteArray(rng.pick(kMobilePrefixes)) + ' ';
    number += digits(rng, 7);
    return number;
}

QDate randomDay(Rng &rng, const QDate &from, const QDate &to)
{
    return QDate::fromJulianDay(from.toJulianDay() + rng.below(int(from.daysTo(to)) + 1));
}

QDate laterDay(Rng &rng, const QDate &start, int minDays, int maxDays)
{
    return std::min(start.addDays(rng.range(minDays, maxDays)), kLastDay);
}

void bindText(Statement &st, int index, const QByteArray &utf8)
{
    if (utf8.isEmpty())
        st.bindNull(index);
    else
        st.bindText(index, utf8);
}

struct Person
{
    QByteArray surname, name, surnameAscii, nameAscii, title;
    const City *city = nullptr;
};

class Generator
{
public:
    Generator(Database &db, quint32 seed) :
        rng_(seed),
        person_(db, "INSERT INTO Committente (IdCommittente, Cognome, Nome, Qualifica, Codice_fiscale, "
                    "Partita_iva, Note) VALUES (?, ?, ?, ?, ?, ?, ?)"),
        address_(db, "INSERT INTO Indirizzo (IdCommittente, CAP, \"Città\", Via) VALUES (?, ?, ?, ?)"),
        contacts_(db, "INSERT INTO Recapiti (IdCommittente, Numero_telefono1, Numero_telefono2, "
                      "Numero_fax, Numero_cell1, Numero_cell2, E_mail, Sito_internet) "
                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
        project_(db, "INSERT INTO Progetto (IdProgetto, IdCommittente, Cognome_progettista, "
                     "Nome_progettista, Descrizione, Comune, Stato, Importo_totale, Importo_pagato, "
                     "Data_inizio, Data_fine, Data_scadenza, Archivio, Nota) "
                     "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        payment_(db, "INSERT INTO Pagamenti (IdProgetto, Importo, Data, Fattura) VALUES (?, ?, ?, ?)")
    {}

    void addPerson(qint64 id)
    {
        Person p;
        const bool female = rng_.chance(40);
        p.surname = rng_.pick(kSurnames);
        p.name = female ? rng_.pick(kFemaleNames) : rng_.pick(kMaleNames);
        p.surnameAscii = asciiLetters(p.surname.constData()).toLower();
        p.nameAscii = asciiLetters(p.name.constData()).toLower();
        if (!rng_.chance(5))
            p.title = female ? rng_.pick(kFemaleTitles) : rng_.pick(kMaleTitles);
        p.city = &rng_.pick(kCities);
        const bool professional = p.title == "Ing." || p.title == "Arch." || p.title == "Geom." || p.title == "Avv.";

        person_.bind(1, id);
        bindText(person_, 2, p.surname);
        bindText(person_, 3, p.name);
        bindText(person_, 4, p.title);
        bindText(person_, 5, rng_.chance(97) ? taxCode(p, female) : QByteArray());
        bindText(person_, 6, rng_.chance(professional ? 80 : 20) ? vatNumber(rng_) : QByteArray());
        bindText(person_, 7, rng_.chance(20) ? QByteArray(rng_.pick(kPersonNotes)) : QByteArray());
        person_.step();
        person_.reset();

        address_.bind(1, id);
        bindText(address_, 2, QByteArray::number(rng_.range(p.city->capLow, p.city->capHigh)).rightJustified(5, '0'));
        bindText(address_, 3, p.city->name);
        bindText(address_, 4, street());
        address_.step();
        address_.reset();

        addContacts(id, p, professional);

        int roll = rng_.below(100);
        int projects = 0;
        while (roll >= kProjectCountPercent[projects]) {
            roll -= kProjectCountPercent[projects];
            ++projects;
        }
        for (int i = 0; i < projects; ++i)
            addProject(id, p);
        ++counts_.persons;
    }

    const DemoData::Counts &counts() const { return counts_; }

private:
    QByteArray taxCode(const Person &p, bool female)
    {
        const QDate birth = randomDay(rng_, QDate(1940, 1, 1), QDate(2001, 12, 31));
        const City &place = rng_.chance(70) ? *p.city : rng_.pick(kCities);
        const QByteArray code = surnameCode(p.surnameAscii.toUpper()) + nameCode(p.nameAscii.toUpper())
                                + QByteArray::number(birth.year() % 100).rightJustified(2, '0')
                                + "ABCDEHLMPRST"[birth.month() - 1]
                                + QByteArray::number(birth.day() + (female ? 40 : 0)).rightJustified(2, '0')
                                + place.registryCode;
        return code + taxCodeCheck(code);
    }

    QByteArray street()
    {
        QByteArray text = QByteArray(rng_.pick(kStreetKinds)) + ' ';
        text += rng_.pick(kStreetNames);
        text += ", " + QByteArray::number(rng_.range(1, 250));
        const int extra = rng_.below(20);
        if (extra == 0)
            text += "/A";
        else if (extra == 1)
            text += "/B";
        else if (extra == 2)
            text += " int. " + QByteArray::number(rng_.range(1, 20));
        return text;
    }

    void addContacts(qint64 id, const Person &p, bool professional)
    {
        const QByteArray surname = p.surnameAscii;
        const QByteArray name = p.nameAscii;
        QByteArray mail;
        if (rng_.chance(85)) {
            switch (rng_.below(4)) {
            case 0:
                mail = name + '.' + surname;
                break;
            case 1:
                mail = name.left(1) + '.' + surname;
                break;
            case 2:
                mail = surname + '.' + name;
                break;
            default:
                mail = name + surname;
                break;
            }
            if (rng_.chance(25))
                mail += QByteArray::number(rng_.range(60, 99));
            mail += '@';
            mail += professional && rng_.chance(50) ? "studio" + surname + ".it" : QByteArray(rng_.pick(kMailDomains));
        }
        QByteArray site;
        if (rng_.chance(professional ? 45 : 8)) {
            switch (rng_.below(4)) {
            case 0:
                site = "www.studio" + surname + ".it";
                break;
            case 1:
                site = "www." + surname + name + ".it";
                break;
            case 2:
                site = "www." + surname + "architetti.it";
                break;
            default:
                site = "www." + surname + "-progetti.it";
                break;
            }
        }
        contacts_.bind(1, id);
        bindText(contacts_, 2, rng_.chance(85) ? landline(rng_, *p.city) : QByteArray());
        bindText(contacts_, 3, rng_.chance(20) ? landline(rng_, *p.city) : QByteArray());
        bindText(contacts_, 4, rng_.chance(professional ? 50 : 10) ? landline(rng_, *p.city) : QByteArray());
        bindText(contacts_, 5, rng_.chance(70) ? mobile(rng_) : QByteArray());
        bindText(contacts_, 6, rng_.chance(10) ? mobile(rng_) : QByteArray());
        bindText(contacts_, 7, mail);
        bindText(contacts_, 8, site);
        contacts_.step();
        contacts_.reset();
    }

    QByteArray pickState()
    {
        int roll = rng_.below(100);
        for (const StateShare &s : kStates) {
            if (roll < s.percent)
                return s.name;
            roll -= s.percent;
        }
        return kStates[0].name;
    }

    // Whole euros in steps of 50, small jobs far more common than large ones.
    qint64 projectTotal()
    {
        const double u = double(rng_.below(1000001)) / 1000000.0;
        return 500 + 50 * qint64(u * u * u * 1190.0);
    }

    enum class Paid { None, Part, Full };

    // Closed projects are mostly settled, projects not yet started mostly not paid at all.
    Paid paidFor(const QByteArray &state)
    {
        const int roll = rng_.below(100);
        auto split = [roll](int none, int part) {
            return roll < none ? Paid::None : roll < none + part ? Paid::Part : Paid::Full;
        };
        if (state == "Concluso")
            return split(5, 10);
        if (state == "In corso")
            return split(20, 65);
        if (state == "Da iniziare")
            return split(70, 30);
        if (state == "Sospeso")
            return split(30, 60);
        return split(50, 45);
    }

    QByteArray archive(int year)
    {
        int &counter = archiveCounters_[size_t(year - 2000)];
        ++counter;
        const char letter = char('A' + (counter / 1000) % 26);
        return QByteArray() + letter + '-' + QByteArray::number(year) + '/'
               + QByteArray::number(counter % 1000).rightJustified(3, '0');
    }

    QByteArray invoice(const QDate &day)
    {
        int &counter = invoiceCounters_[size_t(day.year() - 2000)];
        counter = counter % 9999 + 1;
        return QByteArray::number(day.year()) + '/' + QByteArray::number(counter).rightJustified(4, '0');
    }

    // Splits `amount` euros (a multiple of 50) into at most `count` positive instalments
    // that add up to it exactly.
    std::vector<qint64> instalments(qint64 amount, int count)
    {
        const qint64 units = amount / 50;
        count = int(std::min<qint64>(count, units));
        std::vector<qint64> weights(static_cast<size_t>(count));
        qint64 weightSum = 0;
        for (qint64 &w : weights) {
            w = rng_.range(1, 10);
            weightSum += w;
        }
        std::vector<qint64> parts(static_cast<size_t>(count));
        const qint64 spare = units - count;
        qint64 given = 0;
        for (int i = 0; i < count; ++i) {
            parts[size_t(i)] = 1 + spare * weights[size_t(i)] / weightSum;
            given += parts[size_t(i)];
        }
        parts[0] += units - given; // what rounding left over goes into the first instalment
        for (qint64 &p : parts)
            p *= 50;
        // A few odd amounts, as when a client rounds a transfer; the first one absorbs them.
        for (int i = 1; i < count; ++i) {
            if (rng_.chance(15) && parts[size_t(i)] > 100) {
                const qint64 shift = rng_.range(1, 49);
                parts[size_t(i)] -= shift;
                parts[0] += shift;
            }
        }
        return parts;
    }

    void addProject(qint64 personId, const Person &p)
    {
        const qint64 id = counts_.projects++;
        const QByteArray state = pickState();
        const qint64 total = projectTotal();

        QDate start;
        if (state != "Da iniziare" || rng_.chance(80))
            start = randomDay(rng_, kFirstDay, kLastStart);
        QDate end;
        const int endChance = state == "Concluso"    ? 95
                              : state == "Annullato" ? 60
                              : state == "Sospeso"   ? 30
                              : state == "In corso"  ? 10
                                                     : 0;
        if (start.isValid() && rng_.chance(endChance))
            end = laterDay(rng_, start, 30, 1200);
        QDate due;
        if (start.isValid() && rng_.chance(75))
            due = laterDay(rng_, start, 60, 1500);

        const Paid paid = start.isValid() ? paidFor(state) : Paid::None;
        std::vector<qint64> parts;
        if (paid == Paid::Full) {
            parts = instalments(total, rng_.range(1, 8));
        } else if (paid == Paid::Part) {
            const qint64 share = std::clamp<qint64>(total * rng_.range(10, 90) / 100 / 50 * 50, 50, total - 50);
            parts = instalments(share, rng_.range(1, 8));
        }
        std::vector<qint64> days;
        if (!parts.empty()) {
            const QDate last = end.isValid() ? end : laterDay(rng_, start, 30, 900);
            for (size_t i = 0; i < parts.size(); ++i)
                days.push_back(randomDay(rng_, start, last).toJulianDay());
        }
        std::sort(days.begin(), days.end());
        qint64 paidSum = 0;
        for (const qint64 part : parts)
            paidSum += part;

        QByteArray description = rng_.pick(kDescriptions);
        if (rng_.chance(25)) {
            description += QByteArray(" - ") + rng_.pick(kStreetKinds) + ' ';
            description += rng_.pick(kStreetNames);
        }
        const City &place = rng_.chance(60) ? *p.city : rng_.pick(kCities);

        project_.bind(1, id);
        project_.bind(2, personId);
        bindText(project_, 3, p.surname);
        bindText(project_, 4, p.name);
        bindText(project_, 5, description);
        bindText(project_, 6, place.name);
        bindText(project_, 7, state);
        project_.bind(8, Values::storedAmount(total * 100));
        project_.bind(9, Values::storedAmount(paidSum * 100));
        bindText(project_, 10, Values::dateToStored(start));
        bindText(project_, 11, Values::dateToStored(end));
        bindText(project_, 12, Values::dateToStored(due));
        bindText(project_, 13, rng_.chance(90) ? archive(start.isValid() ? start.year() : 2026) : QByteArray());
        bindText(project_, 14, rng_.chance(20) ? QByteArray(rng_.pick(kProjectNotes)) : QByteArray());
        project_.step();
        project_.reset();

        for (size_t i = 0; i < parts.size(); ++i) {
            const QDate day = QDate::fromJulianDay(days[i]);
            payment_.bind(1, id);
            payment_.bind(2, Values::storedAmount(parts[i] * 100));
            bindText(payment_, 3, Values::dateToStored(day));
            bindText(payment_, 4, rng_.chance(95) ? invoice(day) : QByteArray());
            payment_.step();
            payment_.reset();
            ++counts_.payments;
        }
    }

    Rng rng_;
    Statement person_, address_, contacts_, project_, payment_;
    std::array<int, 30> archiveCounters_{}; // by year, from 2000
    std::array<int, 30> invoiceCounters_{};
    DemoData::Counts counts_;
};

} // namespace

namespace DemoData {

Counts fill(Database &db, int persons, quint32 seed)
{
    if (db.scalar("SELECT COUNT(*) FROM Committente").toLongLong() > 0
        || db.scalar("SELECT COUNT(*) FROM Progetto").toLongLong() > 0) {
        throw DbError(QStringLiteral("Il database contiene già dei dati: i dati dimostrativi si "
                                     "caricano solo in un database vuoto."));
    }
    Transaction tx(db);
    Counts counts;
    {
        // The statements must be finalised before the transaction ends.
        Generator generator(db, seed);
        for (int id = 0; id < persons; ++id)
            generator.addPerson(id);
        counts = generator.counts();
    }
    tx.commit();
    return counts;
}

} // namespace DemoData
