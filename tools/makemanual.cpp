// Renders the user manual (HTML) to Manuale.pdf: A4 pages, a new page for every chapter (each
// <h1>), the page number at the foot of each page. Screenshots not taken yet are drawn as
// framed placeholders, so the manual can be built before every picture exists.
//
//   pratilio-manual <manuale.html> <Manuale.pdf> [image folder...]
//
// Images are looked up beside the HTML file first, then in the given folders.

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <cstdio>

namespace {

// A document that finds its images in a list of folders and stands in for missing ones.
class ManualDocument : public QTextDocument
{
public:
    explicit ManualDocument(QStringList folders) : folders_(std::move(folders)) {}

    QStringList missing;

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        if (type != QTextDocument::ImageResource)
            return QTextDocument::loadResource(type, name);
        const QString relative = name.isLocalFile() ? name.toLocalFile() : name.toString();
        for (const QString &folder : folders_) {
            const QString path = QDir(folder).filePath(relative);
            QImage image;
            if (QFileInfo::exists(path) && image.load(path))
                return image;
        }
        missing << relative;
        return placeholder(relative);
    }

private:
    static QImage placeholder(const QString &name)
    {
        QImage image(800, 450, QImage::Format_RGB32);
        image.fill(QColor(0xf2, 0xf2, 0xf2));
        QPainter painter(&image);
        painter.setPen(QPen(QColor(0x99, 0x99, 0x99), 4, Qt::DashLine));
        painter.drawRect(image.rect().adjusted(4, 4, -4, -4));
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(28);
        painter.setFont(font);
        painter.setPen(QColor(0x66, 0x66, 0x66));
        painter.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Immagine non ancora disponibile\n%1").arg(name));
        return image;
    }

    QStringList folders_;
};

// Every chapter begins on a page of its own.
void breakBeforeChapters(QTextDocument &doc)
{
    QTextCursor cursor(&doc);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block.blockFormat().headingLevel() != 1)
            continue;
        QTextBlockFormat format;
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        cursor.setPosition(block.position());
        cursor.mergeBlockFormat(format);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "uso: pratilio-manual <manuale.html> <Manuale.pdf> [cartella immagini...]\n");
        return 2;
    }
    const QString &input = args.at(1);
    const QString &output = args.at(2);

    QFile html(input);
    if (!html.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "pratilio-manual: %s: %s\n", qPrintable(input), qPrintable(html.errorString()));
        return 1;
    }
    QStringList folders{QFileInfo(input).absolutePath()};
    folders += args.mid(3);

    QPdfWriter writer(output);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(20, 18, 20, 15), QPageLayout::Millimeter);
    // At 96 dots per inch one document pixel is one screen pixel: image widths in the HTML
    // mean what they mean on screen. Text stays vector text whatever the resolution.
    writer.setResolution(96);
    writer.setTitle(QStringLiteral("Pratilio+ - Manuale d'uso"));
    writer.setCreator(QStringLiteral("pratilio-manual"));

    ManualDocument doc(folders);
    doc.documentLayout()->setPaintDevice(&writer);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    // No ligatures: a reader searching the PDF for "finestra" must find it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    doc.setDefaultFont(font);
    doc.setHtml(QString::fromUtf8(html.readAll()));
    breakBeforeChapters(doc);

    QPainter painter;
    if (!painter.begin(&writer)) {
        std::fprintf(stderr, "pratilio-manual: %s: impossibile scrivere il file\n", qPrintable(output));
        return 1;
    }
    const QRectF page = writer.pageLayout().paintRectPixels(writer.resolution());
    const qreal footer = 28;
    const QSizeF body(page.width(), page.height() - footer);
    doc.setPageSize(body);
    const int pages = doc.pageCount();

    QFont footerFont(QStringLiteral("DejaVu Sans"));
    footerFont.setPointSizeF(8);
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            writer.newPage();
        painter.save();
        painter.translate(0, -i * body.height());
        doc.drawContents(&painter, QRectF(QPointF(0, i * body.height()), body));
        painter.restore();
        painter.setFont(footerFont);
        painter.setPen(QColor(0x55, 0x55, 0x55));
        painter.drawText(QRectF(0, body.height(), body.width(), footer), Qt::AlignHCenter | Qt::AlignBottom,
                         QStringLiteral("Pratilio+ - Manuale d'uso - pagina %1 di %2").arg(i + 1).arg(pages));
    }
    painter.end();

    doc.missing.removeDuplicates();
    for (const QString &name : std::as_const(doc.missing))
        std::fprintf(stderr, "pratilio-manual: immagine mancante, segnaposto al suo posto: %s\n", qPrintable(name));
    return 0;
}
