// The real font dialog behind Dialogs::chooseFont: Qt's own font dialog, with the colour
// choice and the apply button of the classic desktop font dialog added to it.
#include "core/dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The sixteen colours the classic font dialog offers.
struct NamedColour
{
    const char *name;
    QRgb rgb;
};

constexpr NamedColour kColours[] = {
    {"Nero", 0x000000},       {"Marrone", 0x800000}, {"Verde", 0x008000},        {"Oliva", 0x808000},
    {"Blu marino", 0x000080}, {"Porpora", 0x800080}, {"Verde acqua", 0x008080},  {"Grigio", 0x808080},
    {"Argento", 0xC0C0C0},    {"Rosso", 0xFF0000},   {"Verde chiaro", 0x00FF00}, {"Giallo", 0xFFFF00},
    {"Blu", 0x0000FF},        {"Fucsia", 0xFF00FF},  {"Azzurro", 0x00FFFF},      {"Bianco", 0xFFFFFF},
};

QIcon swatch(const QColor &colour)
{
    QPixmap pixmap(16, 12);
    pixmap.fill(colour);
    return QIcon(pixmap);
}

// A list of the colours, the given one selected (added as its own item when it is none of them).
QComboBox *colourBox(const QColor &current, QWidget *parent)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("ColourBox"));
    for (const NamedColour &colour : kColours)
        box->addItem(swatch(QColor(colour.rgb)), QString::fromUtf8(colour.name), QColor(colour.rgb));
    int index = box->findData(current.toRgb());
    if (index < 0 && current.isValid()) {
        box->addItem(swatch(current), QStringLiteral("Attuale"), current);
        index = box->count() - 1;
    }
    box->setCurrentIndex(qMax(0, index));
    return box;
}

} // namespace

bool QtDialogs::chooseFont(FontChoice &choice, const std::function<void(const FontChoice &)> &apply)
{
    // Qt's own dialog rather than the platform's, which takes neither a colour nor an apply button.
    QFontDialog dialog(choice.font, QApplication::activeWindow());
    dialog.setOption(QFontDialog::DontUseNativeDialog);
    dialog.setObjectName(QStringLiteral("FontDialog1"));

    // The colour goes with the effects, as in the classic dialog; below them when Qt lays the
    // dialog out differently.
    auto *colourLabel = new QLabel(QStringLiteral("Colore:"), &dialog);
    QComboBox *colours = colourBox(choice.color, &dialog);
    colourLabel->setBuddy(colours);
    const QCheckBox *effect = dialog.findChild<QCheckBox *>();
    auto *effects = effect ? qobject_cast<QGroupBox *>(effect->parentWidget()) : nullptr;
    if (auto *layout = effects ? qobject_cast<QBoxLayout *>(effects->layout()) : nullptr) {
        layout->addWidget(colourLabel);
        layout->addWidget(colours);
    } else if (dialog.layout()) {
        dialog.layout()->addWidget(colourLabel);
        dialog.layout()->addWidget(colours);
    }

    const auto shown = [&dialog, colours] {
        return FontChoice{dialog.currentFont(), colours->currentData().value<QColor>()};
    };
    if (auto *buttons = dialog.findChild<QDialogButtonBox *>()) {
        QPushButton *applyButton = buttons->addButton(QDialogButtonBox::Apply);
        QObject::connect(applyButton, &QPushButton::clicked, &dialog, [&] { apply(shown()); });
    }
    if (dialog.exec() != QDialog::Accepted)
        return false;
    choice = shown();
    return true;
}
