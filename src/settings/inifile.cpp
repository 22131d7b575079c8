#include "settings/inifile.h"

#include "core/windows1252.h"

#include <QFile>
#include <QSaveFile>
#include <QSet>

namespace {

// Names compare without regard to case: this is the form they are looked up by.
QString folded(const QString &name) { return name.toCaseFolded(); }

QString unquoted(const QString &value)
{
    if (value.size() >= 2 && value.front() == value.back()
        && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\'')))
        return value.mid(1, value.size() - 2);
    return value;
}

// A line break inside a name or value would end the line early and make the rest a line of
// its own: a value could then open a section or set a key.
QString oneLine(QString text)
{
    text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    text.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return text;
}

bool isBlank(const QByteArray &text) { return text.trimmed().isEmpty(); }

} // namespace

bool IniFile::load(const QString &path)
{
    lines_.clear();
    error_.clear();
    QFile file(path);
    if (!file.exists())
        return true;
    if (!file.open(QIODevice::ReadOnly)) {
        error_ = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error_ = file.errorString();
        return false;
    }
    setBytes(bytes);
    return true;
}

bool IniFile::save(const QString &path)
{
    error_.clear();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error_ = file.errorString();
        return false;
    }
    const QByteArray bytes = toBytes();
    // The bytes sit in the file's buffer until flushed; commit() does not notice a flush that
    // fails (a full disk) and would put an empty file in place of the old one.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        error_ = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error_ = file.errorString();
        return false;
    }
    return true;
}

QByteArray IniFile::toBytes() const
{
    QByteArray bytes;
    for (const Line &line : lines_) {
        bytes += line.text;
        if (line.end == LineEnd::CrLf)
            bytes += "\r\n";
        else if (line.end == LineEnd::Lf)
            bytes += '\n';
    }
    return bytes;
}

void IniFile::setBytes(const QByteArray &bytes)
{
    lines_.clear();
    index_.reset();
    qsizetype start = 0;
    while (start < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', start);
        if (lf < 0) {
            lines_.append(parse(bytes.mid(start), LineEnd::None));
            break;
        }
        const bool cr = lf > start && bytes.at(lf - 1) == '\r';
        const qsizetype length = lf - start - (cr ? 1 : 0);
        lines_.append(parse(bytes.mid(start, length), cr ? LineEnd::CrLf : LineEnd::Lf));
        start = lf + 1;
    }
}

IniFile::Line IniFile::parse(const QByteArray &text, LineEnd end)
{
    Line line;
    line.text = text;
    line.end = end;
    const QString decoded = Windows1252::decode(text).trimmed();
    if (decoded.startsWith(QLatin1Char('['))) {
        const qsizetype close = decoded.lastIndexOf(QLatin1Char(']'));
        line.kind = Kind::Section;
        line.name = (close > 0 ? decoded.mid(1, close - 1) : decoded.mid(1)).trimmed();
        return line;
    }
    if (decoded.startsWith(QLatin1Char(';')))
        return line;
    const qsizetype equals = decoded.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return line;
    const QString name = decoded.left(equals).trimmed();
    if (name.isEmpty())
        return line;
    line.kind = Kind::Key;
    line.name = name;
    line.value = unquoted(decoded.mid(equals + 1).trimmed());
    return line;
}

IniFile::Line IniFile::keyLine(const QString &key, const QString &value)
{
    return parse(Windows1252::encode(oneLine(key) + QLatin1Char('=') + oneLine(value)), LineEnd::CrLf);
}

IniFile::Line IniFile::sectionLine(const QString &section)
{
    return parse(Windows1252::encode(QLatin1Char('[') + oneLine(section) + QLatin1Char(']')), LineEnd::CrLf);
}

QStringList IniFile::sectionNames() const
{
    QStringList names;
    QSet<QString> seen;
    for (const Line &line : lines_) {
        if (line.kind == Kind::Section && !seen.contains(folded(line.name))) {
            seen.insert(folded(line.name));
            names.append(line.name);
        }
    }
    return names;
}

bool IniFile::containsSection(const QString &section) const { return findSection(section) >= 0; }

QStringList IniFile::keys(const QString &section) const
{
    QStringList names;
    const qsizetype header = findSection(section);
    if (header < 0)
        return names;
    const qsizetype end = sectionEnd(header);
    QSet<QString> seen;
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line &line = lines_.at(i);
        if (line.kind == Kind::Key && !seen.contains(folded(line.name))) {
            seen.insert(folded(line.name));
            names.append(line.name);
        }
    }
    return names;
}

bool IniFile::contains(const QString &section, const QString &key) const
{
    const qsizetype header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

QString IniFile::value(const QString &section, const QString &key, const QString &fallback) const
{
    const qsizetype header = findSection(section);
    const qsizetype line = header < 0 ? -1 : findKey(header, key);
    return line < 0 ? fallback : lines_.at(line).value;
}

void IniFile::setValue(const QString &section, const QString &key, const QString &value)
{
    const qsizetype header = findSection(section);
    if (header < 0) {
        appendSection(section, {{key, value}});
        return;
    }
    const qsizetype found = findKey(header, key);
    index_.reset();
    if (found < 0) {
        lines_.insert(contentEnd(header), keyLine(key, value));
    } else if (lines_.at(found).value != value) {
        // The stored spelling of the key is kept; the line takes the written form.
        const LineEnd end = lines_.at(found).end;
        lines_[found] = keyLine(lines_.at(found).name, value);
        lines_[found].end = end;
    }
    terminateLines();
}

void IniFile::replaceSection(const QString &section, const Entries &entries)
{
    const qsizetype header = findSection(section);
    if (header < 0) {
        appendSection(section, entries);
        return;
    }
    const qsizetype first = header + 1;
    const qsizetype oldEnd = contentEnd(header);
    // The file is copied once, with the new body in place of the old one and without the
    // later namesakes (which readers never see): one pass, however large the file.
    QList<Line> lines;
    lines.reserve(lines_.size() - (oldEnd - first) + entries.size());
    for (qsizetype i = 0; i < first; ++i)
        lines.append(std::move(lines_[i]));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        Line line = keyLine(entries.at(i).first, entries.at(i).second);
        // An unchanged line keeps its line end, so that an unchanged section keeps its bytes.
        if (first + i < oldEnd && lines_.at(first + i).text == line.text)
            line.end = lines_.at(first + i).end;
        lines.append(std::move(line));
    }
    const QString name = folded(section);
    bool skipping = false;
    for (qsizetype i = oldEnd; i < lines_.size(); ++i) {
        if (lines_.at(i).kind == Kind::Section)
            skipping = folded(lines_.at(i).name) == name;
        if (!skipping)
            lines.append(std::move(lines_[i]));
    }
    lines_ = std::move(lines);
    index_.reset();
    terminateLines();
}

const IniFile::Index &IniFile::index() const
{
    if (index_)
        return *index_;
    Index index;
    qsizetype header = -1;
    for (qsizetype i = 0; i < lines_.size(); ++i) {
        const Line &line = lines_.at(i);
        if (line.kind == Kind::Section) {
            header = i;
            // The first occurrence counts: a later one does not replace it.
            const QString name = folded(line.name);
            if (!index.sections.contains(name))
                index.sections.insert(name, i);
        } else if (line.kind == Kind::Key && header >= 0) {
            const std::pair key(header, folded(line.name));
            if (!index.keys.contains(key))
                index.keys.insert(key, i);
        }
    }
    index_ = std::move(index);
    return *index_;
}

qsizetype IniFile::findSection(const QString &section) const
{
    const auto &sections = index().sections;
    const auto found = sections.constFind(folded(section));
    return found == sections.constEnd() ? -1 : *found;
}

qsizetype IniFile::sectionEnd(qsizetype header) const
{
    qsizetype i = header + 1;
    while (i < lines_.size() && lines_.at(i).kind != Kind::Section)
        ++i;
    return i;
}

qsizetype IniFile::contentEnd(qsizetype header) const
{
    qsizetype end = sectionEnd(header);
    while (end > header + 1 && isBlank(lines_.at(end - 1).text))
        --end;
    return end;
}

qsizetype IniFile::findKey(qsizetype header, const QString &key) const
{
    const auto &keys = index().keys;
    const auto found = keys.constFind(std::pair(header, folded(key)));
    return found == keys.constEnd() ? -1 : *found;
}

void IniFile::appendSection(const QString &section, const Entries &entries)
{
    index_.reset();
    lines_.append(sectionLine(section));
    for (const auto &[key, value] : entries)
        lines_.append(keyLine(key, value));
    terminateLines();
}

void IniFile::terminateLines()
{
    for (qsizetype i = 0; i + 1 < lines_.size(); ++i) {
        if (lines_.at(i).end == LineEnd::None)
            lines_[i].end = LineEnd::CrLf;
    }
}
