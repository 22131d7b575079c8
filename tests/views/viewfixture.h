#pragma once

#include "app/mainwindowfixture.h"
#include "views/griddelegate.h"

#include <QDir>
#include <QImage>
#include <QStyleOptionViewItem>
#include <QWheelEvent>

// Colours as the tests expect them, written out rather than taken from the code.
namespace Rgb {
const QColor PersonYellow(0xFF, 0xFF, 0xC6);
const QColor AddressPink(0xFF, 0xBF, 0xBF);
const QColor ContactGreen(0xC1, 0xFF, 0xC1);
const QColor ProjectCyan(0xCA, 0xFF, 0xFF);
const QColor PaymentLavender(0xC1, 0xC1, 0xFF);
const QColor Red(0xFF, 0x00, 0x00);
const QColor Green(0x00, 0x80, 0x00);
const QColor Yellow(0xFF, 0xFF, 0x00);
const QColor Blue(0x00, 0x00, 0xFF);
const QColor Fuchsia(0xFF, 0x00, 0xFF);
const QColor Aqua(0x00, 0xFF, 0xFF);
const QColor Black(0x00, 0x00, 0x00);
} // namespace Rgb

// The main window with helpers to click cells, read how a cell is drawn and add rows.
class ViewFixture : public MainWindowFixture
{
protected:
    QTableView *grid() const { return main()->grid(); }
    QModelIndex cell(int row, const QString &field) const { return main()->model()->index(row, column(field)); }

    // A real mouse click on the cell, as the user makes it.
    void clickCell(int row, const QString &field)
    {
        const QModelIndex index = cell(row, field);
        QVERIFY2(index.isValid(), qPrintable(field));
        grid()->scrollTo(index);
        const QRect rect = grid()->visualRect(index);
        QVERIFY(!rect.isEmpty());
        QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {}, rect.center());
    }

    // The options the grid paints the cell with.
    QStyleOptionViewItem optionFor(const QModelIndex &index) const
    {
        QStyleOptionViewItem option;
        option.initFrom(grid());
        option.rect = grid()->visualRect(index);
        main()->gridDelegate()->initStyleOption(&option, index);
        return option;
    }
    QColor background(int row, const QString &field) const
    {
        const QStyleOptionViewItem option = optionFor(cell(row, field));
        return option.backgroundBrush.style() == Qt::NoBrush ? QColor() : option.backgroundBrush.color();
    }
    QColor foreground(int row, const QString &field) const
    {
        return optionFor(cell(row, field)).palette.color(QPalette::Text);
    }
    bool bold(int row, const QString &field) const { return optionFor(cell(row, field)).font.bold(); }
    bool underlined(int row, const QString &field) const { return optionFor(cell(row, field)).font.underline(); }

    // A pixel of the cell as drawn, near its top left corner where no text lies.
    QColor drawnPixel(int row, const QString &field)
    {
        const QModelIndex index = cell(row, field);
        grid()->scrollTo(index);
        const QRect rect = grid()->visualRect(index);
        const QImage image = grid()->viewport()->grab().toImage();
        return image.pixelColor(rect.left() + 2, rect.top() + 2);
    }

    int rowOf(const QString &field, const QVariant &value) const
    {
        const int c = column(field);
        for (int row = 0; row < query()->recordCount(); ++row)
            if (query()->value(row, c) == value)
                return row;
        return -1;
    }

    qint64 addPayment(qint64 project, int amount, const QString &storedDate, const QString &invoice)
    {
        db_->db().exec(
            QStringLiteral("INSERT INTO Pagamenti (IdProgetto, Importo, Data, Fattura) VALUES (%1, %2, '%3', "
                           "'%4')")
                .arg(project)
                .arg(amount)
                .arg(storedDate, invoice));
        return db_->db().nextKey(QStringLiteral("Pagamenti"), QStringLiteral("IdFattura"));
    }

    void sendWheel(int delta)
    {
        QWidget *viewport = grid()->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
        lastWheelAccepted_ = event.isAccepted();
    }

    void saveScreenshot(QWidget *widget, const QString &name)
    {
        const QString folder = qEnvironmentVariable("PRATILIO_TEST_OUTPUT");
        if (folder.isEmpty())
            return;
        QDir().mkpath(folder);
        QVERIFY(widget->grab().save(QDir(folder).filePath(name)));
    }

    bool lastWheelAccepted_ = false;
};
