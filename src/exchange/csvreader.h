#pragma once

#include "exchange/sheetreader.h"

#include <QByteArray>
#include <QString>

// Reads a text file of separated values as a sheet: its first line is the header. The
// separator (semicolon, comma or tab: the one the header line holds most often outside
// quotes) and the encoding (UTF-8 with or without a byte order mark, otherwise
// Windows-1252) are found from the file itself. Quoted fields may hold separators, doubled
// quotes and line breaks; lines end in CR LF, LF or CR. A field written as an apostrophe
// before a text a spreadsheet would run as a formula ('=...) is read without the
// apostrophe. Never fails on damaged input: an unclosed quote runs to the end of the file.
class CsvReader
{
public:
    enum class Encoding { Utf8WithBom, Utf8, Windows1252 };

    struct Result
    {
        SheetContent sheet;
        QChar separator = QLatin1Char(';');
        Encoding encoding = Encoding::Utf8;
        // The line of the file where each row of the sheet begins (the header is line 1).
        QList<int> lines;
    };

    static Result read(const QByteArray &bytes);

    // "punto e virgola", "virgola", "tabulazione"; "UTF-8 con BOM", "UTF-8", "Windows-1252".
    static QString separatorName(QChar separator);
    static QString encodingName(Encoding encoding);

    // Whether a spreadsheet would run `text` as a formula: it begins with = + - @, a tab or
    // a carriage return.
    static bool looksLikeFormula(const QString &text);
};
