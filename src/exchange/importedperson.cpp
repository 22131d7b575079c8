#include "exchange/importedperson.h"

#include "data/fieldcatalogue.h"

#include <functional>

const QStringList &PersonValues::columns()
{
    static const QStringList &list = [] {
        const QStringList &catalogue = FieldCatalogue::importColumns();
        if (catalogue.size() != kColumns)
            qFatal("PersonValues holds %d columns, the catalogue has %d", kColumns, int(catalogue.size()));
        return std::cref(catalogue);
    }();
    return list;
}

int PersonValues::indexOf(QStringView column)
{
    const QStringList &list = columns();
    for (int i = 0; i < kColumns; ++i) {
        if (list.at(i) == column)
            return i;
    }
    return -1;
}

PersonValues::PersonValues(std::initializer_list<std::pair<QString, QString>> fields)
{
    for (const auto &[column, value] : fields)
        insert(column, value);
}

QString PersonValues::value(const QString &column) const
{
    const int index = indexOf(column);
    return index < 0 ? QString() : fields_[size_t(index)];
}

const QString &PersonValues::operator[](const QString &column) const
{
    static const QString none;
    const int index = indexOf(column);
    return index < 0 ? none : fields_[size_t(index)];
}

bool PersonValues::insert(const QString &column, const QString &value)
{
    const int index = indexOf(column);
    if (index < 0)
        return false;
    fields_[size_t(index)] = value;
    return true;
}

bool PersonValues::isEmpty() const { return nextFilled(0) == kColumns; }

int PersonValues::nextFilled(int from) const
{
    while (from < kColumns && fields_[size_t(from)].isEmpty())
        ++from;
    return from;
}

bool PersonValues::operator==(const PersonValues &other) const { return fields_ == other.fields_; }

QString ImportedPerson::displayName() const
{
    QStringList parts;
    for (const char *column : {"Cognome", "Nome"}) {
        const QString part = values.value(QLatin1String(column)).trimmed();
        if (!part.isEmpty())
            parts << part;
    }
    if (parts.isEmpty())
        return values.value(QStringLiteral("E_mail")).trimmed();
    return parts.join(QLatin1Char(' '));
}
