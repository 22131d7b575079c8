#include "views/gridheaders.h"

#include <QEvent>
#include <QFont>

namespace {

bool changesSize(const QEvent *event)
{
    return event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange;
}

// As the table view sets up the headers it makes itself.
void setUpLikeTableHeader(QHeaderView *header)
{
    header->setSectionsClickable(true);
    header->setHighlightSections(true);
}

} // namespace

RowNumberHeader::RowNumberHeader(QWidget *parent) : QHeaderView(Qt::Vertical, parent) { setUpLikeTableHeader(this); }

QSize RowNumberHeader::sizeHint() const
{
    if (count() == 0 || !model())
        return QHeaderView::sizeHint();
    QSize &hint = measured_[size_t(QString::number(count()).size())];
    if (!hint.isValid())
        hint = sectionSizeFromContents(0).expandedTo(sectionSizeFromContents(count() - 1));
    return hint;
}

void RowNumberHeader::changeEvent(QEvent *event)
{
    if (changesSize(event))
        measured_.fill(QSize());
    QHeaderView::changeEvent(event);
}

TitleHeader::TitleHeader(QWidget *parent) : QHeaderView(Qt::Horizontal, parent) { setUpLikeTableHeader(this); }

QString TitleHeader::titlesKey() const
{
    QString key = QString::number(isSortIndicatorShown() ? sortIndicatorSection() : -1);
    for (int section = 0; section < count(); ++section) {
        if (isSectionHidden(section))
            continue;
        const QVariant font = model()->headerData(section, orientation(), Qt::FontRole);
        key += model()->headerData(section, orientation(), Qt::DisplayRole).toString();
        key += font.isValid() && font.value<QFont>().bold() ? QLatin1Char('\2') : QLatin1Char('\1');
    }
    return key;
}

QSize TitleHeader::sizeHint() const
{
    if (count() == 0 || !model())
        return QHeaderView::sizeHint();
    const QString key = titlesKey();
    if (key != measuredTitles_ || !measured_.isValid()) {
        measured_ = QHeaderView::sizeHint();
        measuredTitles_ = key;
    }
    return measured_;
}

void TitleHeader::changeEvent(QEvent *event)
{
    if (changesSize(event))
        measured_ = QSize();
    QHeaderView::changeEvent(event);
}
