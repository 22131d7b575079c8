#pragma once

#include <QHeaderView>

#include <array>

// The grid's two headers. Qt sizes a header by measuring up to 200 of its sections, laying
// out each text, after every change of the result: that cost more than a short query's
// whole statement. These headers measure only what can change their size, and keep it until
// the font or the style changes.

// The row numbers, from 1. They only widen with their digits: the first and the last
// number are measured, once for each number of digits.
class RowNumberHeader : public QHeaderView
{
public:
    explicit RowNumberHeader(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    mutable std::array<QSize, 11> measured_; // by the digits of the row count
};

// The column titles: measured again only when a title, its weight or the sort mark changes.
class TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(QWidget *parent = nullptr);

    QSize sizeHint() const override;

protected:
    void changeEvent(QEvent *event) override;

private:
    QString titlesKey() const;

    mutable QString measuredTitles_;
    mutable QSize measured_;
};
