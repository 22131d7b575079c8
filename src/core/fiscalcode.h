#pragma once

#include <QString>

// The two numbers an Italian client record carries: the fiscal code (`Codice_fiscale`) and
// the VAT number (`Partita_iva`). A check only says whether a code is well formed; nothing
// here changes a code, since offices keep foreign clients and old records whose codes follow
// other rules.
namespace FiscalCode {

enum class Verdict {
    Empty, // nothing to check
    Valid,
    WrongLength,     // neither 16 characters nor (for a fiscal code) 11 digits
    WrongCharacters, // a letter where a digit belongs, or the other way round
    WrongMonth,      // the month letter is none of A B C D E H L M P R S T
    WrongDay,        // the day is outside 1-31 and 41-71
    WrongCheck,      // the check letter or digit does not match the rest
};

// A fiscal code: 16 characters (a person's), the homocode letters L M N P Q R S T U V
// allowed in place of its digits; or 11 digits, checked as a VAT number (a company's).
// Blanks around the code and lower case are allowed.
Verdict checkFiscalCode(const QString &code);
// A VAT number: 11 digits, the last one the check digit of the first ten.
Verdict checkVatNumber(const QString &number);

// The check letter of the first 15 characters of a fiscal code (upper case, digits or
// letters); '\0' when they are not 15 such characters.
char fiscalCheckLetter(const QString &first15);
// Why a code was refused, in Italian, for the status bar and the questions ("la lettera di
// controllo non corrisponde"); empty for Empty and Valid.
QString reason(Verdict verdict);

inline bool acceptable(Verdict verdict) { return verdict == Verdict::Empty || verdict == Verdict::Valid; }

} // namespace FiscalCode
