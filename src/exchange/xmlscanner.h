#pragma once

#include <QByteArrayView>

#include <string>
#include <string_view>
#include <vector>

// A small pull scanner over the UTF-8 XML of a worksheet and of its shared strings, the
// only parts of a workbook large enough for their reading to matter: a general XML reader
// spent most of an import building strings for names that are compared once. Tags come by
// their local name (a namespace prefix such as "x:" is dropped, as some programs write
// one) with their attributes as bytes; texts come as UTF-8 with the five entities,
// character references, CDATA sections and line ends resolved. Mismatched tags, bad
// references and a document type (no worksheet has one) make the document invalid.
class XmlScanner
{
public:
    // EndOfPiece: the end of the bytes given so far, when more are to come (see extend()).
    enum class Token { StartElement, EndElement, Text, EndOfDocument, EndOfPiece, Invalid };

    // `last` false: the document goes on past these bytes, given later by extend(). Each
    // piece must end between two tokens (a text may come in two).
    explicit XmlScanner(QByteArrayView utf8, bool last = true);
    // The document's bytes now reach `end`, past where the last piece ended; the same
    // bytes stay where they were.
    void extend(const char *end, bool last);

    Token next();
    bool hasError() const { return error_; }

    // The local name of the last start or end tag.
    std::string_view name() const { return name_; }
    // An attribute of the last start tag by its name as written ("r", not "x:r": the
    // attributes a sheet uses belong to no namespace), references resolved; empty when
    // absent. Valid until the next call of next() or attribute().
    std::string_view attribute(std::string_view name) const;

    // After a start tag: appends the element's text to `utf8` and consumes its end tag.
    // An element inside it makes the document invalid, as it has no text of its own.
    bool appendText(std::string *utf8);
    // After a start tag: skips to its end tag, whatever it holds.
    bool skipElement();
    // After the start tag of a worksheet's cell (<c>): when its value is written the way
    // nearly every program writes a number or an inline string, <v>text</v></c> or
    // <is><t>text</t></is></c>, gives its text in `utf8` and consumes the cell's end tag, in
    // one step instead of six tokens. The text is valid until the next call of cellValue().
    // Any other form (a formula, rich or phonetic text, blanks between the tags, a namespace
    // prefix) returns false and leaves the scanner where it was, for the reading token by
    // token.
    bool cellValue(std::string_view *utf8);

private:
    Token fail();
    Token startTag();
    Token endTag();
    Token cdata();
    bool skipPast(std::string_view end);

    enum class Raw { Text, Cdata, Attribute };
    // Appends `raw` to `out` with line ends and, but in CDATA, references resolved (in an
    // attribute value every line end and tab becomes a space); false on a bad reference.
    static bool decode(std::string_view raw, Raw kind, std::string *out);

    const char *pos_;
    const char *end_;
    bool error_ = false;
    bool pendingEnd_ = false; // an empty element <a/> gives its end tag next
    bool cdata_ = false;      // the current text is a CDATA section
    bool root_ = false;       // an element has been seen
    bool last_ = true;        // the bytes up to end_ are the whole document
    std::string_view name_;
    std::string_view text_;
    std::vector<std::string_view> open_; // qualified names of the open elements
    struct Attribute
    {
        std::string_view name;
        std::string_view raw;
        bool plain; // no reference, tab or line end: the raw value is the value
    };
    std::vector<Attribute> attributes_;
    mutable std::string attributeText_; // the last value that held a reference
    std::string cellText_;              // the last cell value that held a reference or a line end
};
