#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <initializer_list>
#include <utility>

// A person's data fields by column name ("Cognome", "Numero_cell1", "Codice_fiscale"...):
// the columns of the persons result without the keys, each held in place. An absent or
// empty value is an empty field. A name outside those columns has no place: it reads
// empty and is never kept (no file maps a value to one, and nothing would write it).
class PersonValues
{
public:
    static constexpr int kColumns = 16;

    // The person columns, in the order a spreadsheet import writes them; a column's index
    // is its place in this list.
    static const QStringList &columns();
    // The index of the column with this name (exact comparison), -1 when none.
    static int indexOf(QStringView column);

    PersonValues() = default;
    // {{"Cognome", "Rossi"}, {"Nome", "Mario"}}: as insert() each in turn.
    PersonValues(std::initializer_list<std::pair<QString, QString>> fields);

    QString value(const QString &column) const;
    const QString &at(int index) const { return fields_[size_t(index)]; }
    QString &operator[](int index) { return fields_[size_t(index)]; }
    // The column's value, to read: a value is set by insert() or through the index.
    const QString &operator[](const QString &column) const;
    // Sets the column's value; false, and nothing kept, for a name outside the columns.
    bool insert(const QString &column, const QString &value);
    // Whether the column holds a value that is not empty.
    bool contains(const QString &column) const { return !value(column).isEmpty(); }
    // Whether every field is empty.
    bool isEmpty() const;
    void clear() { fields_ = {}; }

    // The fields that are not empty, in column order: it.key() the column, *it the value.
    class const_iterator
    {
    public:
        const QString &key() const { return columns().at(index_); }
        const QString &value() const { return owner_->at(index_); }
        const QString &operator*() const { return value(); }
        const_iterator &operator++()
        {
            index_ = owner_->nextFilled(index_ + 1);
            return *this;
        }
        bool operator==(const const_iterator &other) const = default;

    private:
        friend class PersonValues;
        const_iterator(const PersonValues *owner, int index) : owner_(owner), index_(index) {}
        const PersonValues *owner_;
        int index_;
    };
    const_iterator begin() const { return {this, nextFilled(0)}; }
    const_iterator end() const { return {this, kColumns}; }
    const_iterator cbegin() const { return begin(); }
    const_iterator cend() const { return end(); }

    // Equal when every column holds the same text, an empty value being an absent one.
    bool operator==(const PersonValues &other) const;

private:
    int nextFilled(int from) const;

    std::array<QString, kColumns> fields_;
};
// Texts move in memory as they are: a list of persons grows without moving each field.
Q_DECLARE_TYPEINFO(PersonValues, Q_RELOCATABLE_TYPE);

// One person read from a file to be added to the address book.
struct ImportedPerson
{
    PersonValues values;
    // What the file held for this person that has no place in the record, ready to show
    // ("Telefono 905-111-1234").
    QStringList leftOut;
    // Where the person was read: the card's number, or the line of the file; counting from 1.
    int origin = 0;

    // "Rossi Mario", for the report; the e-mail when there is no name.
    QString displayName() const;
};
Q_DECLARE_TYPEINFO(ImportedPerson, Q_RELOCATABLE_TYPE);
