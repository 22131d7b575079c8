#include "exchange/xmlscanner.h"

#include <array>
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

// What a byte is to the scanner, looked up rather than compared byte by byte: names and
// attribute values are read one byte at a time.
enum : unsigned char { kSpace = 1, kEndsName = 2, kDecoded = 4 };

constexpr std::array<unsigned char, 256> kByteClass = [] {
    std::array<unsigned char, 256> classes = {};
    for (const unsigned char c : {'\t', '\n', '\r'})
        classes[c] = kSpace | kEndsName | kDecoded; // an attribute value's blanks become spaces
    classes[' '] = kSpace | kEndsName;
    for (const unsigned char c : {'>', '/', '='})
        classes[c] = kEndsName;
    classes['&'] = kDecoded;
    return classes;
}();

bool isSpace(char c) { return kByteClass[static_cast<unsigned char>(c)] & kSpace; }

bool endsName(char c) { return kByteClass[static_cast<unsigned char>(c)] & kEndsName; }

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

XmlScanner::XmlScanner(QByteArrayView utf8, bool last) : pos_(utf8.data()), end_(utf8.data() + utf8.size()), last_(last)
{
    if (std::string_view(pos_, size_t(end_ - pos_)).starts_with("\xEF\xBB\xBF"))
        pos_ += 3;
}

void XmlScanner::extend(const char *end, bool last)
{
    end_ = end;
    last_ = last;
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
        if (pos_ == end_ && !last_)
            return Token::EndOfPiece;
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
    const char *colon = nullptr; // the local name is found while the name is read
    while (p < end_ && !endsName(*p)) {
        if (*p == ':' && !colon)
            colon = p;
        ++p;
    }
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
        // Values are short: looked through here rather than by a call to memchr, noting on
        // the way whether one needs decoding.
        const char quote = *p;
        const char *valueStart = ++p;
        unsigned char classes = 0;
        while (p < end_ && *p != quote)
            classes |= kByteClass[static_cast<unsigned char>(*p++)];
        if (p == end_)
            return fail();
        const bool plain = !(classes & kDecoded);
        attributes_.push_back({attributeName, std::string_view(valueStart, size_t(p - valueStart)), plain});
        ++p;
    }
    pos_ = p;
    name_ = colon ? std::string_view(colon + 1, size_t(qualified.end() - colon - 1)) : qualified;
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
    for (const Attribute &attribute : attributes_) {
        if (!same(attribute.name, name))
            continue;
        // Values are nearly always plain: only those with a reference or a line end are copied.
        if (attribute.plain)
            return attribute.raw;
        attributeText_.clear();
        if (!decode(attribute.raw, Raw::Attribute, &attributeText_))
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
        if (token == Token::Invalid || token == Token::EndOfDocument || token == Token::EndOfPiece)
            return false;
        if (token == Token::EndElement && open_.size() < depth)
            return true;
    }
}

bool XmlScanner::cellValue(std::string_view *utf8)
{
    if (error_ || pendingEnd_ || open_.empty() || !same(open_.back(), "c"))
        return false;
    const std::string_view rest(pos_, size_t(end_ - pos_));
    std::string_view close;
    size_t start = 0;
    if (rest.starts_with("<v>")) {
        start = 3;
        close = "</v></c>";
    } else if (rest.starts_with("<is><t>")) {
        start = 7;
        close = "</t></is></c>";
    } else if (constexpr std::string_view kPreserved = "<is><t xml:space=\"preserve\">"; rest.starts_with(kPreserved)) {
        start = kPreserved.size();
        close = "</t></is></c>";
    } else {
        return false;
    }
    const void *lt = std::memchr(pos_ + start, '<', rest.size() - start);
    if (!lt)
        return false;
    const char *textEnd = static_cast<const char *>(lt);
    if (!std::string_view(textEnd, size_t(end_ - textEnd)).starts_with(close))
        return false;
    const std::string_view raw(pos_ + start, size_t(textEnd - pos_) - start);
    if (std::memchr(raw.data(), '&', raw.size()) || std::memchr(raw.data(), '\r', raw.size())) {
        cellText_.clear();
        if (!decode(raw, Raw::Text, &cellText_))
            return false; // the reading token by token finds the bad reference and says so
        *utf8 = cellText_;
    } else {
        *utf8 = raw; // nearly every value: nothing to resolve
    }
    pos_ = textEnd + close.size();
    open_.pop_back();
    name_ = "c";
    return true;
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
