#include "exchange/xmlscanner.h"

#include <cstring>

namespace {

// Names are short: compared here byte by byte rather than through a call to memcmp.
bool same(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

bool endsName(char c) { return isSpace(c) || c == '>' || c == '/' || c == '='; }

std::string_view localName(std::string_view qualified)
{
    for (size_t i = 0; i < qualified.size(); ++i)
        if (qualified[i] == ':')
            return qualified.substr(i + 1);
    return qualified;
}

// The code point of a character reference's body ("#233", "#xE9"); 0 when it is not one
// or names a character XML does not allow.
char32_t referencedCharacter(std::string_view ref)
{
    if (ref.size() < 2 || ref[0] != '#')
        return 0;
    const bool hex = ref[1] == 'x';
    const std::string_view digits = ref.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8)
        return 0;
    char32_t code = 0;
    for (char c : digits) {
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return 0;
        code = code * (hex ? 16 : 10) + char32_t(digit);
    }
    const bool allowed = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF)
                         || (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
    return allowed ? code : 0;
}

void appendUtf8(char32_t code, std::string *out)
{
    if (code < 0x80) {
        out->push_back(char(code));
    } else if (code < 0x800) {
        out->push_back(char(0xC0 | (code >> 6)));
        out->push_back(char(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(char(0xE0 | (code >> 12)));
        out->push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(char(0x80 | (code & 0x3F)));
    } else {
        out->push_back(char(0xF0 | (code >> 18)));
        out->push_back(char(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(char(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(char(0x80 | (code & 0x3F)));
    }
}

} // namespace

XmlScanner::XmlScanner(QByteArrayView utf8) : pos_(utf8.data()), end_(utf8.data() + utf8.size())
{
    if (std::string_view(pos_, size_t(end_ - pos_)).starts_with("\xEF\xBB\xBF"))
        pos_ += 3;
}

XmlScanner::Token XmlScanner::fail()
{
    error_ = true;
    pos_ = end_;
    return Token::Invalid;
}

XmlScanner::Token XmlScanner::next()
{
    if (error_)
        return Token::Invalid;
    if (pendingEnd_) {
        pendingEnd_ = false;
        open_.pop_back();
        return Token::EndElement;
    }
    for (;;) {
        if (pos_ == end_)
            return open_.empty() && root_ ? Token::EndOfDocument : fail();
        if (*pos_ != '<') {
            const char *start = pos_;
            const void *lt = std::memchr(pos_, '<', size_t(end_ - pos_));
            pos_ = lt ? static_cast<const char *>(lt) : end_;
            text_ = std::string_view(start, size_t(pos_ - start));
            cdata_ = false;
            return Token::Text;
        }
        // Nearly every mark is a start or an end tag: told apart by the byte after '<'.
        const char second = pos_ + 1 < end_ ? pos_[1] : '\0';
        if (second == '/')
            return endTag();
        if (second != '?' && second != '!')
            return startTag();
        const std::string_view rest(pos_, size_t(end_ - pos_));
        if (rest.starts_with("<?")) { // the declaration, a processing instruction
            if (!skipPast("?>"))
                return fail();
            continue;
        }
        if (rest.starts_with("<!--")) {
            if (!skipPast("-->"))
                return fail();
            continue;
        }
        if (rest.starts_with("<![CDATA["))
            return cdata();
        if (rest.starts_with("<!"))
            return fail();
        return startTag();
    }
}

bool XmlScanner::skipPast(std::string_view end)
{
    const std::string_view rest(pos_, size_t(end_ - pos_));
    const size_t at = rest.find(end);
    if (at == std::string_view::npos)
        return false;
    pos_ += at + end.size();
    return true;
}

XmlScanner::Token XmlScanner::startTag()
{
    const char *p = pos_ + 1;
    const char *nameStart = p;
    while (p < end_ && !endsName(*p))
        ++p;
    if (p == nameStart)
        return fail();
    const std::string_view qualified(nameStart, size_t(p - nameStart));
    attributes_.clear();
    for (;;) {
        while (p < end_ && isSpace(*p))
            ++p;
        if (p == end_)
            return fail();
        if (*p == '>') {
            ++p;
            break;
        }
        if (*p == '/') {
            if (p + 1 == end_ || p[1] != '>')
                return fail();
            p += 2;
            pendingEnd_ = true;
            break;
        }
        const char *attributeStart = p;
        while (p < end_ && !endsName(*p))
            ++p;
        const std::string_view attributeName(attributeStart, size_t(p - attributeStart));
        while (p < end_ && isSpace(*p))
            ++p;
        if (attributeName.empty() || p == end_ || *p != '=')
            return fail();
        ++p;
        while (p < end_ && isSpace(*p))
            ++p;
        if (p == end_ || (*p != '"' && *p != '\''))
            return fail();
        // Values are short: looked through here rather than by a call to memchr.
        const char quote = *p;
        const char *valueStart = ++p;
        while (p < end_ && *p != quote)
            ++p;
        if (p == end_)
            return fail();
        attributes_.emplace_back(attributeName, std::string_view(valueStart, size_t(p - valueStart)));
        ++p;
    }
    pos_ = p;
    name_ = localName(qualified);
    open_.push_back(qualified);
    root_ = true;
    return Token::StartElement;
}

XmlScanner::Token XmlScanner::endTag()
{
    const char *p = pos_ + 2;
    const char *nameStart = p;
    while (p < end_ && !endsName(*p))
        ++p;
    const std::string_view qualified(nameStart, size_t(p - nameStart));
    while (p < end_ && isSpace(*p))
        ++p;
    if (p == end_ || *p != '>' || open_.empty() || !same(open_.back(), qualified))
        return fail();
    pos_ = p + 1;
    open_.pop_back();
    name_ = localName(qualified);
    return Token::EndElement;
}

XmlScanner::Token XmlScanner::cdata()
{
    const char *start = pos_ + 9; // after <![CDATA[
    pos_ = start;
    if (open_.empty() || !skipPast("]]>"))
        return fail();
    text_ = std::string_view(start, size_t(pos_ - 3 - start));
    cdata_ = true;
    return Token::Text;
}

std::string_view XmlScanner::attribute(std::string_view name) const
{
    for (const auto &[attributeName, raw] : attributes_) {
        if (!same(attributeName, name))
            continue;
        // Values are nearly always plain: only those with a reference or a line end are copied.
        const char *p = raw.data();
        const char *end = p + raw.size();
        while (p < end && *p != '&' && *p != '\t' && *p != '\n' && *p != '\r')
            ++p;
        if (p == end)
            return raw;
        attributeText_.clear();
        if (!decode(raw, Raw::Attribute, &attributeText_))
            return {};
        return attributeText_;
    }
    return {};
}

bool XmlScanner::appendText(std::string *utf8)
{
    for (;;) {
        switch (next()) {
        case Token::Text:
            if (!decode(text_, cdata_ ? Raw::Cdata : Raw::Text, utf8)) {
                fail();
                return false;
            }
            break;
        case Token::EndElement:
            return true;
        default:
            fail();
            return false;
        }
    }
}

bool XmlScanner::skipElement()
{
    const size_t depth = open_.size();
    for (;;) {
        const Token token = next();
        if (token == Token::Invalid || token == Token::EndOfDocument)
            return false;
        if (token == Token::EndElement && open_.size() < depth)
            return true;
    }
}

bool XmlScanner::decode(std::string_view raw, Raw kind, std::string *out)
{
    const char *p = raw.data();
    const char *end = p + raw.size();
    while (p < end) {
        const char *run = p;
        while (p < end && *p != '\r' && (kind == Raw::Cdata || *p != '&')
               && (kind != Raw::Attribute || (*p != '\t' && *p != '\n')))
            ++p;
        out->append(run, size_t(p - run));
        if (p == end)
            break;
        if (*p == '\r') { // CR LF and a lone CR are one line end
            out->push_back(kind == Raw::Attribute ? ' ' : '\n');
            ++p;
            if (p < end && *p == '\n')
                ++p;
            continue;
        }
        if (*p != '&') { // a tab or line feed in an attribute
            out->push_back(' ');
            ++p;
            continue;
        }
        const void *semicolon = std::memchr(p, ';', size_t(end - p));
        if (!semicolon)
            return false;
        const std::string_view ref(p + 1, size_t(static_cast<const char *>(semicolon) - p - 1));
        if (ref == "amp")
            out->push_back('&');
        else if (ref == "lt")
            out->push_back('<');
        else if (ref == "gt")
            out->push_back('>');
        else if (ref == "quot")
            out->push_back('"');
        else if (ref == "apos")
            out->push_back('\'');
        else if (const char32_t code = referencedCharacter(ref))
            appendUtf8(code, out);
        else
            return false;
        p = static_cast<const char *>(semicolon) + 1;
    }
    return true;
}
