#include "exchange/csvsheetwriter.h"

#include "exchange/csvreader.h"

#include <QDate>

#include <cmath>

CsvSheetWriter::~CsvSheetWriter() { abort(); }

QByteArray CsvSheetWriter::cell(const QVariant &value, CellType type)
{
    if (value.isNull())
        return {};
    QString text;
    bool guard = false;
    if (value.typeId() == QMetaType::QDate) {
        text = value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    } else if (type == CellType::Number && value.typeId() != QMetaType::QString && value.canConvert<double>()) {
        const double number = value.toDouble();
        // Whole numbers as they are; others with two decimals after a comma.
        text = number == std::floor(number) && std::abs(number) < 1e15
                   ? QString::number(qint64(number))
                   : QString::number(number, 'f', 2).replace(QLatin1Char('.'), QLatin1Char(','));
    } else {
        text = value.toString();
        guard = CsvReader::looksLikeFormula(text);
    }
    if (guard)
        text.prepend(QLatin1Char('\''));
    const bool quote = guard || text.contains(QLatin1Char(';')) || text.contains(QLatin1Char('"'))
                       || text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'))
                       || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote)
        return text.toUtf8();
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return '"' + text.toUtf8() + '"';
}

bool CsvSheetWriter::put(const QByteArray &bytes)
{
    if (file_.write(bytes) == bytes.size())
        return true;
    fail(file_.errorString());
    return false;
}

bool CsvSheetWriter::start(const QString &asidePath, const QStringList &headers)
{
    file_.setFileName(asidePath);
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        fail(file_.errorString());
        return false;
    }
    line_ = "\xEF\xBB\xBF";
    for (int c = 0; c < headers.size(); ++c) {
        if (c > 0)
            line_ += ';';
        line_ += cell(headers.at(c), CellType::Text);
    }
    line_ += "\r\n";
    return put(line_);
}

bool CsvSheetWriter::addRow(int, const QVariantList &cells)
{
    line_.clear();
    for (int c = 0; c < types().size(); ++c) {
        if (c > 0)
            line_ += ';';
        if (c < cells.size())
            line_ += cell(cells.at(c), types().at(c));
    }
    line_ += "\r\n";
    return put(line_);
}

bool CsvSheetWriter::close()
{
    const bool flushed = file_.flush();
    if (!flushed)
        fail(file_.errorString());
    file_.close();
    return flushed;
}

void CsvSheetWriter::discard() { file_.close(); }
