#include "exchange/xlsxsheetreader.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QXmlStreamReader>

#include <QFile>

#include <unzip.h>

namespace {

// Text of an <si> or <is> element: its <t> pieces, phonetic runs left out. Reads up to
// the element's end.
QString stringItem(QXmlStreamReader &xml)
{
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0 && !xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("t")) {
                const QString piece = xml.readElementText(); // consumes its end too
                if (phonetic == 0)
                    text += piece;
                continue;
            }
            ++depth;
            if (xml.name() == QLatin1String("rPh"))
                ++phonetic;
        } else if (token == QXmlStreamReader::EndElement) {
            --depth;
            if (xml.name() == QLatin1String("rPh"))
                --phonetic;
        }
    }
    return text;
}

// Column index of a reference such as "AB12"; -1 when it has no letters.
int columnOf(QStringView ref)
{
    int column = 0;
    int letters = 0;
    for (QChar ch : ref) {
        if (ch < QLatin1Char('A') || ch > QLatin1Char('Z'))
            break;
        column = column * 26 + (ch.unicode() - 'A' + 1);
        ++letters;
    }
    return letters == 0 ? -1 : column - 1;
}

bool isDateFormatCode(QString code)
{
    // Quoted text and bracketed parts (colours, locales) say nothing about dates.
    static const QRegularExpression noise(QStringLiteral("\"[^\"]*\"|\\[[^\\]]*\\]|\\\\."));
    code.remove(noise);
    return code.contains(QLatin1Char('d'), Qt::CaseInsensitive) || code.contains(QLatin1Char('y'), Qt::CaseInsensitive);
}

QString resolvePart(const QString &target)
{
    if (target.startsWith(QLatin1Char('/')))
        return target.mid(1);
    return QStringLiteral("xl/") + target;
}

} // namespace

bool XlsxSheetReader::readPart(void *zip, const QString &name, QByteArray *data)
{
    data->clear();
    if (unzLocateFile(zip, name.toUtf8().constData(), 1) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK)
        return false;
    char buffer[1 << 16];
    int n = 0;
    while ((n = unzReadCurrentFile(zip, buffer, sizeof buffer)) > 0)
        data->append(buffer, n);
    // Closing checks the part's checksum.
    const int closed = unzCloseCurrentFile(zip);
    return n == 0 && closed == UNZ_OK;
}

namespace {

class Zip
{
public:
    explicit Zip(const QString &path) : handle(unzOpen64(QFile::encodeName(path).constData())) {}
    ~Zip()
    {
        if (handle)
            unzClose(handle);
    }
    unzFile handle;
};

} // namespace

bool XlsxSheetReader::read(const QString &path, SheetContent *content)
{
    Zip archive(path);
    void *zip = archive.handle;
    if (!zip) {
        setError(path, QStringLiteral("il file è danneggiato o non è una cartella di lavoro Excel (.xlsx)."));
        return false;
    }
    const QString damaged = QStringLiteral("il file è danneggiato (parte %1 illeggibile).");

    // The workbook names the sheet and its relationship; the relationships give its part.
    QByteArray data;
    if (!readPart(zip, QStringLiteral("xl/workbook.xml"), &data)) {
        setError(path, QStringLiteral("il file non è una cartella di lavoro Excel (.xlsx)."));
        return false;
    }
    QString relationId;
    {
        QXmlStreamReader xml(data);
        while (!xml.atEnd() && relationId.isEmpty()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("sheet")
                && xml.attributes().value(QLatin1String("name")).compare(kSheetName, Qt::CaseInsensitive) == 0) {
                for (const QXmlStreamAttribute &a : xml.attributes())
                    if (a.name() == QLatin1String("id") && !a.namespaceUri().isEmpty())
                        relationId = a.value().toString();
            }
        }
    }
    if (relationId.isEmpty()) {
        setError(path, noSheetReason());
        return false;
    }
    QString sheetPart;
    if (!readPart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), &data)) {
        setError(path, damaged.arg(QStringLiteral("xl/_rels/workbook.xml.rels")));
        return false;
    }
    {
        QXmlStreamReader xml(data);
        while (!xml.atEnd() && sheetPart.isEmpty()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Relationship")
                && xml.attributes().value(QLatin1String("Id")) == relationId)
                sheetPart = resolvePart(xml.attributes().value(QLatin1String("Target")).toString());
        }
    }

    // Shared strings and the cell formats that show dates; both parts may be missing.
    QStringList shared;
    if (readPart(zip, QStringLiteral("xl/sharedStrings.xml"), &data)) {
        QXmlStreamReader xml(data);
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("si"))
                shared << stringItem(xml);
        }
    }
    QList<bool> dateStyles;
    if (readPart(zip, QStringLiteral("xl/styles.xml"), &data)) {
        QSet<int> dateFormats = {14, 15, 16, 17, 22}; // the built-in date formats
        for (int id = 27; id <= 36; ++id)
            dateFormats.insert(id);
        for (int id = 50; id <= 58; ++id)
            dateFormats.insert(id);
        QXmlStreamReader xml(data);
        bool inCellXfs = false;
        while (!xml.atEnd()) {
            const auto token = xml.readNext();
            if (token == QXmlStreamReader::StartElement) {
                if (xml.name() == QLatin1String("numFmt")
                    && isDateFormatCode(xml.attributes().value(QLatin1String("formatCode")).toString()))
                    dateFormats.insert(xml.attributes().value(QLatin1String("numFmtId")).toInt());
                else if (xml.name() == QLatin1String("cellXfs"))
                    inCellXfs = true;
                else if (inCellXfs && xml.name() == QLatin1String("xf"))
                    dateStyles << dateFormats.contains(xml.attributes().value(QLatin1String("numFmtId")).toInt());
            } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("cellXfs")) {
                inCellXfs = false;
            }
        }
    }

    if (sheetPart.isEmpty() || !readPart(zip, sheetPart, &data)) {
        setError(path, damaged.arg(sheetPart.isEmpty() ? kSheetName : sheetPart));
        return false;
    }
    QList<QStringList> rows;
    int width = 0;
    QXmlStreamReader xml(data);
    int rowIndex = -1;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("row")) {
            const int r = xml.attributes().value(QLatin1String("r")).toInt();
            rowIndex = r > 0 ? r - 1 : rowIndex + 1;
            if (rowIndex > 1048575)
                break;
            continue;
        }
        if (xml.name() != QLatin1String("c") || rowIndex < 0)
            continue;
        const QXmlStreamAttributes attributes = xml.attributes();
        const QString type = attributes.value(QLatin1String("t")).toString();
        const int style = attributes.value(QLatin1String("s")).toInt();
        int column = columnOf(attributes.value(QLatin1String("r")));
        if (column < 0)
            column = rowIndex < rows.size() ? int(rows.at(rowIndex).size()) : 0;
        if (column > 16383)
            continue;
        QString value;
        bool hasValue = false;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("v")) {
                value = xml.readElementText();
                hasValue = true;
            } else if (xml.name() == QLatin1String("is")) {
                value = stringItem(xml);
                hasValue = true;
            } else {
                xml.skipCurrentElement();
            }
        }
        if (!hasValue)
            continue;
        QString text;
        if (type == QLatin1String("s")) {
            const int index = value.toInt();
            text = index >= 0 && index < shared.size() ? shared.at(index) : QString();
        } else if (type == QLatin1String("inlineStr") || type == QLatin1String("str") || type == QLatin1String("e")) {
            text = value;
        } else if (type == QLatin1String("b")) {
            text = value == QLatin1String("1") ? QStringLiteral("VERO") : QStringLiteral("FALSO");
        } else if (type == QLatin1String("d")) {
            const QDate date = QDate::fromString(value.left(10), Qt::ISODate);
            text = date.isValid() ? date.toString(QStringLiteral("dd/MM/yyyy")) : value;
        } else {
            bool ok = false;
            const double number = value.toDouble(&ok);
            if (!ok)
                text = value;
            else if (style >= 0 && style < dateStyles.size() && dateStyles.at(style))
                text = QDate(1899, 12, 30).addDays(qint64(number)).toString(QStringLiteral("dd/MM/yyyy"));
            else
                text = numberText(number);
        }
        while (rows.size() <= rowIndex)
            rows.append(QStringList());
        QStringList &row = rows[rowIndex];
        while (row.size() <= column)
            row.append(QString());
        row[column] = text;
        width = std::max(width, column + 1);
    }
    if (xml.hasError()) {
        setError(path, damaged.arg(sheetPart));
        return false;
    }

    *content = SheetContent();
    for (QStringList &row : rows) {
        while (row.size() < width)
            row.append(QString());
    }
    if (!rows.isEmpty())
        content->header = rows.takeFirst();
    content->rows = rows;
    return true;
}
