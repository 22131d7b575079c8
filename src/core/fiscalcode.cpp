#include "core/fiscalcode.h"

namespace FiscalCode {

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }
bool isLetter(QChar c) { return c >= QLatin1Char('A') && c <= QLatin1Char('Z'); }

// The positions of a person's code that hold digits, where a homocode may hold a letter.
constexpr int kDigitPositions[] = {6, 7, 9, 10, 12, 13, 14};
// The letters that stand for 0 to 9 in a homocode.
constexpr char kHomocodeLetters[] = "LMNPQRSTUV";

bool isDigitPosition(int i)
{
    for (int p : kDigitPositions) {
        if (p == i)
            return true;
    }
    return false;
}

// The digit a character stands for in a digit position; -1 when it stands for none.
int digitValue(QChar c)
{
    if (isDigit(c))
        return c.unicode() - '0';
    for (int d = 0; d < 10; ++d) {
        if (c == QLatin1Char(kHomocodeLetters[d]))
            return d;
    }
    return -1;
}

} // namespace

char fiscalCheckLetter(const QString &first15)
{
    // The value of a character in an odd place (first, third...); digits count as the
    // letters of the same rank (0 as A).
    static constexpr int kOdd[26] = {1,  0,  5, 7, 9, 13, 15, 17, 19, 21, 2,  4,  18,
                                     20, 11, 3, 6, 8, 12, 14, 16, 10, 22, 25, 24, 23};
    if (first15.size() != 15)
        return '\0';
    int sum = 0;
    for (int i = 0; i < 15; ++i) {
        const QChar c = first15.at(i);
        int rank = 0;
        if (isDigit(c))
            rank = c.unicode() - '0';
        else if (isLetter(c))
            rank = c.unicode() - 'A';
        else
            return '\0';
        sum += i % 2 == 0 ? kOdd[rank] : rank;
    }
    return char('A' + sum % 26);
}

Verdict checkFiscalCode(const QString &code)
{
    const QString c = code.trimmed().toUpper();
    if (c.isEmpty())
        return Verdict::Empty;
    if (c.size() == 11) {
        for (QChar ch : c) {
            if (!isDigit(ch))
                return Verdict::WrongCharacters;
        }
        return checkVatNumber(c);
    }
    if (c.size() != 16)
        return Verdict::WrongLength;
    for (int i = 0; i < 16; ++i) {
        const QChar ch = c.at(i);
        if (isDigitPosition(i) ? digitValue(ch) < 0 : !isLetter(ch))
            return Verdict::WrongCharacters;
    }
    static const QString kMonths = QStringLiteral("ABCDEHLMPRST");
    if (!kMonths.contains(c.at(8)))
        return Verdict::WrongMonth;
    const int day = digitValue(c.at(9)) * 10 + digitValue(c.at(10));
    if (!((day >= 1 && day <= 31) || (day >= 41 && day <= 71)))
        return Verdict::WrongDay;
    if (fiscalCheckLetter(c.left(15)) != c.at(15).toLatin1())
        return Verdict::WrongCheck;
    return Verdict::Valid;
}

Verdict checkVatNumber(const QString &number)
{
    const QString n = number.trimmed();
    if (n.isEmpty())
        return Verdict::Empty;
    if (n.size() != 11)
        return Verdict::WrongLength;
    int sum = 0;
    bool allZero = true;
    for (int i = 0; i < 11; ++i) {
        if (!isDigit(n.at(i)))
            return Verdict::WrongCharacters;
        int d = n.at(i).unicode() - '0';
        allZero = allZero && d == 0;
        if (i == 10)
            break;
        if (i % 2 == 1) {
            d *= 2;
            if (d > 9)
                d -= 9;
        }
        sum += d;
    }
    // Eleven zeros pass the arithmetic but are only ever typed as a placeholder.
    if (allZero || (10 - sum % 10) % 10 != n.at(10).unicode() - '0')
        return Verdict::WrongCheck;
    return Verdict::Valid;
}

QString reason(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Empty:
    case Verdict::Valid:
        return {};
    case Verdict::WrongLength:
        return QStringLiteral("la lunghezza non è quella prevista");
    case Verdict::WrongCharacters:
        return QStringLiteral("contiene caratteri non previsti in quella posizione");
    case Verdict::WrongMonth:
        return QStringLiteral("la lettera del mese non è valida");
    case Verdict::WrongDay:
        return QStringLiteral("il giorno di nascita non è valido");
    case Verdict::WrongCheck:
        return QStringLiteral("il carattere di controllo non corrisponde");
    }
    return {};
}

} // namespace FiscalCode
