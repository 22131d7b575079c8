#include "settings/textformatting.h"

#include "settings/gridfont.h"

#include <QApplication>
#include <QHeaderView>
#include <QTableView>

TextFormatting::TextFormatting(QTableView *grid) : grid_(grid)
{
    setFromSettings(QStringLiteral("MS Sans Serif"), GridFont::kWindowTextColor, -11);
}

void TextFormatting::setFromSettings(const QString &name, int colorref, int height)
{
    // From the desktop's own font and colours, not from what the grid shows now.
    const QFont font = GridFont::font(name, height, QApplication::font(grid_));
    const QColor color = GridFont::color(colorref, QApplication::palette(grid_));
    storedName_ = name;
    shownFamily_ = font.family();
    storedColor_ = colorref;
    shownColor_ = color;
    setGridFont(font, color);
}

void TextFormatting::FormattestoExecute()
{
    Dialogs::FontChoice choice{grid_->font(), color()};
    // The dialog's result plays no part: only its apply button changes the grid.
    Dialogs::instance().chooseFont(choice, [this](const Dialogs::FontChoice &applied) { FontDialog1Apply(applied); });
}

void TextFormatting::FontDialog1Apply(const Dialogs::FontChoice &choice)
{
    setGridFont(choice.font, choice.color.isValid() ? choice.color : color());
}

void TextFormatting::setGridFont(const QFont &font, const QColor &color)
{
    grid_->setFont(font);
    QPalette data = grid_->palette();
    data.setColor(QPalette::Text, color);
    grid_->setPalette(data);

    QHeaderView *titles = grid_->horizontalHeader();
    titles->setFont(font);
    QPalette title = titles->palette();
    title.setColor(QPalette::ButtonText, color);
    title.setColor(QPalette::WindowText, color);
    titles->setPalette(title);
}

QColor TextFormatting::color() const { return grid_->palette().color(QPalette::Text); }

QString TextFormatting::fontName() const
{
    const QString family = grid_->font().family();
    return family == shownFamily_ ? storedName_ : family;
}

int TextFormatting::fontColor() const { return color() == shownColor_ ? storedColor_ : GridFont::colorref(color()); }

int TextFormatting::fontHeight() const { return GridFont::height(grid_->font(), grid_->logicalDpiY()); }
