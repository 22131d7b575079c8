#include "settings/inifile.h"

#include "settings/windows1252.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace {

bool sameName(const QString &a, const QString &b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

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
    for (const Line &line : lines_) {
        if (line.kind != Kind::Section)
            continue;
        const bool seen = std::any_of(names.cbegin(), names.cend(),
                                      [&](const QString &name) { return sameName(name, line.name); });
        if (!seen)
            names.append(line.name);
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
    for (qsizetype i = header + 1; i < end; ++i) {
        const Line &line = lines_.at(i);
        if (line.kind != Kind::Key)
            continue;
        const bool seen = std::any_of(names.cbegin(), names.cend(),
                                      [&](const QString &name) { return sameName(name, line.name); });
        if (!seen)
            names.append(line.name);
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
    // Later namesakes first, so that the positions of the first one stay valid.
    for (qsizetype later = findSection(section, header + 1); later >= 0; later = findSection(section, later)) {
        lines_.remove(later, sectionEnd(later) - later);
    }

    const qsizetype first = header + 1;
    const qsizetype oldEnd = contentEnd(header);
    QList<Line> body;
    body.reserve(entries.size());
    for (qsizetype i = 0; i < entries.size(); ++i) {
        Line line = keyLine(entries.at(i).first, entries.at(i).second);
        // An unchanged line keeps its line end, so that an unchanged section keeps its bytes.
        if (first + i < oldEnd && lines_.at(first + i).text == line.text)
            line.end = lines_.at(first + i).end;
        body.append(line);
    }
    lines_.remove(first, oldEnd - first);
    for (qsizetype i = 0; i < body.size(); ++i)
        lines_.insert(first + i, body.at(i));
    terminateLines();
}

qsizetype IniFile::findSection(const QString &section, qsizetype from) const
{
    for (qsizetype i = from; i < lines_.size(); ++i) {
        if (lines_.at(i).kind == Kind::Section && sameName(lines_.at(i).name, section))
            return i;
    }
    return -1;
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
    const qsizetype end = sectionEnd(header);
    for (qsizetype i = header + 1; i < end; ++i) {
        if (lines_.at(i).kind == Kind::Key && sameName(lines_.at(i).name, key))
            return i;
    }
    return -1;
}

void IniFile::appendSection(const QString &section, const Entries &entries)
{
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
