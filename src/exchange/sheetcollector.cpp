#include "exchange/sheetcollector.h"

#include "data/values.h"

#include <algorithm>
#include <utility>

SheetCollector::SheetCollector(const SheetReader::ColumnChoice &choice, int maxRows) :
    choice_(choice), maxRows_(maxRows)
{}

bool SheetCollector::startRow(int number)
{
    if (number > maxRows_) {
        return refuse(QStringLiteral("il foglio \"%1\" continua oltre la riga %2, l'ultima che questo formato "
                                     "consente: il file è danneggiato.")
                          .arg(SheetReader::kSheetName, Values::groupedCount(maxRows_)));
    }
    if (number <= row_) {
        return refuse(QStringLiteral("nel foglio \"%1\" la riga %2 viene dopo la riga %3: il file è danneggiato.")
                          .arg(SheetReader::kSheetName, Values::groupedCount(number), Values::groupedCount(row_)));
    }
    if (!endRow())
        return false;
    row_ = number;
    if (row_ > 1 && !chosen_)
        chooseColumns();
    return true;
}

bool SheetCollector::wants(int column) const
{
    if (row_ <= 1 || all_)
        return row_ >= 1;
    return size_t(column) < slots_.size() && slots_[size_t(column)] >= 0;
}

bool SheetCollector::setCell(int column, QString text)
{
    if (text.isEmpty() || !wants(column))
        return true;
    if (row_ == 1) {
        if (header_.size() <= column)
            header_.resize(column + 1);
        header_[column] = std::move(text);
        return true;
    }
    const int at = all_ ? column : slots_[size_t(column)];
    if (cells_.size() <= at)
        cells_.resize(at + 1);
    cells_[at] = std::move(text);
    rowHasValue_ = true;
    return true;
}

bool SheetCollector::endRow()
{
    if (row_ >= 2 && rowHasValue_) {
        width_ = std::max(width_, int(cells_.size()));
        content_.rows.append(std::move(cells_));
        content_.rowNumbers.append(row_);
        // Counted as the rows will be once as wide as the widest.
        if (qint64(content_.rows.size()) * std::max(width_, 1) > SheetReader::kMaxCells) {
            return refuse(QStringLiteral("il foglio \"%1\" contiene più di %2 celle da leggere: è troppo grande per "
                                         "essere importato.")
                              .arg(SheetReader::kSheetName, Values::groupedCount(SheetReader::kMaxCells)));
        }
    }
    cells_ = QStringList();
    // Room for a row as wide as the widest so far: the cells are then put in place without
    // the list growing cell by cell.
    if (chosen_)
        cells_.reserve(width_);
    rowHasValue_ = false;
    return true;
}

void SheetCollector::chooseColumns()
{
    chosen_ = true;
    if (!choice_) {
        width_ = int(header_.size());
        return;
    }
    all_ = false;
    for (const int column : choice_(header_)) {
        if (column < 0 || column >= SheetReader::kMaxColumns)
            continue;
        if (slots_.size() <= size_t(column))
            slots_.resize(size_t(column) + 1, -1);
        if (slots_[size_t(column)] >= 0)
            continue; // chosen twice
        slots_[size_t(column)] = int(content_.header.size());
        content_.header << (column < header_.size() ? header_.at(column) : QString());
    }
    width_ = int(content_.header.size());
}

bool SheetCollector::finish(SheetContent *content)
{
    if (!refusal_.isEmpty() || !endRow())
        return false;
    if (!chosen_)
        chooseColumns();
    if (all_) {
        content_.header = std::move(header_);
        content_.header.resize(width_);
    }
    for (QStringList &row : content_.rows)
        row.resize(width_);
    *content = std::move(content_);
    content_ = SheetContent();
    return true;
}

bool SheetCollector::refuse(const QString &reason)
{
    refusal_ = reason;
    return false;
}
