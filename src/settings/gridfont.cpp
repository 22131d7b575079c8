#include "settings/gridfont.h"

#include <QFontDatabase>
#include <QtGlobal>

#include <algorithm>
#include <array>

namespace {

// Windows system colour indexes 0 to 30 and the palette role that plays each part here.
constexpr std::array<QPalette::ColorRole, 31> kSystemColors = {
    QPalette::Mid,             // 0 scroll bar
    QPalette::Window,          // 1 desktop
    QPalette::Highlight,       // 2 active caption
    QPalette::Mid,             // 3 inactive caption
    QPalette::Window,          // 4 menu
    QPalette::Base,            // 5 window background
    QPalette::Shadow,          // 6 window frame
    QPalette::WindowText,      // 7 menu text
    QPalette::Text,            // 8 window text
    QPalette::HighlightedText, // 9 caption text
    QPalette::Window,          // 10 active border
    QPalette::Window,          // 11 inactive border
    QPalette::Dark,            // 12 application workspace
    QPalette::Highlight,       // 13 highlight
    QPalette::HighlightedText, // 14 highlighted text
    QPalette::Button,          // 15 button face
    QPalette::Dark,            // 16 button shadow
    QPalette::PlaceholderText, // 17 grey text
    QPalette::ButtonText,      // 18 button text
    QPalette::WindowText,      // 19 inactive caption text
    QPalette::Light,           // 20 button highlight
    QPalette::Shadow,          // 21 dark 3D shadow
    QPalette::Midlight,        // 22 3D light
    QPalette::ToolTipText,     // 23 tool tip text
    QPalette::ToolTipBase,     // 24 tool tip background
    QPalette::Text,            // 25 unused
    QPalette::Link,            // 26 hot-tracked item
    QPalette::Highlight,       // 27 active caption gradient
    QPalette::Mid,             // 28 inactive caption gradient
    QPalette::Highlight,       // 29 menu highlight
    QPalette::Window,          // 30 menu bar
};

} // namespace

namespace GridFont {

QColor color(int colorref, const QPalette &palette)
{
    const auto value = quint32(colorref);
    if (value & 0x80000000u) {
        const quint32 index = value & 0xFFu;
        // An index Windows does not define: the text colour keeps the grid readable.
        const QPalette::ColorRole role = index < kSystemColors.size() ? kSystemColors.at(index) : QPalette::Text;
        return palette.color(QPalette::Active, role);
    }
    // The high byte of a plain colour says how Windows matches it to a palette; the colour
    // itself is in the three low bytes.
    return QColor(int(value & 0xFFu), int((value >> 8) & 0xFFu), int((value >> 16) & 0xFFu));
}

int colorref(const QColor &color)
{
    const QColor rgb = color.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

void applyHeight(QFont &font, int height)
{
    if (height == 0)
        return;
    // Through 64 bits: the most negative integer has no positive counterpart.
    const qint64 pixels = qAbs(qint64(height));
    font.setPixelSize(int(std::clamp<qint64>(pixels, 1, kMaxPixelHeight)));
}

int height(const QFont &font, int dotsPerInch)
{
    if (font.pixelSize() > 0)
        return -font.pixelSize();
    if (font.pointSizeF() > 0)
        return -qMax(1, qRound(font.pointSizeF() * dotsPerInch / 72.0));
    return 0;
}

bool isInstalled(const QString &family)
{
    return !family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive);
}

QFont font(const QString &name, int height, const QFont &desktopDefault)
{
    QFont result = desktopDefault;
    if (isInstalled(name))
        result.setFamily(name);
    applyHeight(result, height);
    return result;
}

} // namespace GridFont
