#include "controls/TwoLevelHeader.h"

#include <QFontInfo>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <QStyleOptionHeader>

namespace qor {

int lineHeight(const QFont &font)
{
    // Some stand-in faces (Wine's Tahoma) report no line gap at all.
    return std::max(QFontMetrics(font).height(), int(std::ceil(QFontInfo(font).pixelSize() * 1.2)));
}

TwoLevelHeader::TwoLevelHeader(QWidget *parent)
    : QHeaderView(Qt::Horizontal, parent)
{
    setSectionsClickable(false);
    setSectionsMovable(true);
    setHighlightSections(false);
    // A resize or move changes where a shared title is centred, beyond the
    // sections Qt repaints by itself.
    const auto repaint = [this] { viewport()->update(); };
    connect(this, &QHeaderView::sectionResized, this, repaint);
    connect(this, &QHeaderView::sectionMoved, this, repaint);
}

std::pair<QString, QString> TwoLevelHeader::splitCaption(const QString &caption)
{
    const qsizetype bar = caption.indexOf(u'|');
    if (bar < 0)
        return {caption, QString()};
    return {caption.left(bar), caption.mid(bar + 1)};
}

void TwoLevelHeader::setTwoLevels(bool on)
{
    if (m_twoLevels == on)
        return;
    m_twoLevels = on;
    updateGeometry();
    viewport()->update();
}

void TwoLevelHeader::setTitle(int logicalIndex, const QString &upper, const QString &lower,
                              const QColor &upperColor, const QColor &lowerColor)
{
    m_titles.insert(logicalIndex, Title{upper, lower, upperColor, lowerColor});
    viewport()->update();
}

void TwoLevelHeader::clearTitles()
{
    m_titles.clear();
    viewport()->update();
}

TwoLevelHeader::Title TwoLevelHeader::titleOf(int logicalIndex) const
{
    const auto it = m_titles.constFind(logicalIndex);
    if (it != m_titles.constEnd())
        return *it;
    Title title;
    if (model()) {
        const auto [upper, lower] = splitCaption(
            model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString());
        title.upper = upper;
        title.lower = lower;
        const QVariant color = model()->headerData(logicalIndex, orientation(), Qt::ForegroundRole);
        if (color.canConvert<QColor>())
            title.upperColor = title.lowerColor = color.value<QColor>();
    }
    return title;
}

QString TwoLevelHeader::upperTitle(int logicalIndex) const { return titleOf(logicalIndex).upper; }
QString TwoLevelHeader::lowerTitle(int logicalIndex) const { return titleOf(logicalIndex).lower; }
QColor TwoLevelHeader::upperTitleColor(int logicalIndex) const { return titleOf(logicalIndex).upperColor; }
QColor TwoLevelHeader::lowerTitleColor(int logicalIndex) const { return titleOf(logicalIndex).lowerColor; }

std::pair<int, int> TwoLevelHeader::upperSpan(int visualIndex) const
{
    if (visualIndex < 0 || visualIndex >= count())
        return {-1, -1};
    const Title own = titleOf(logicalIndex(visualIndex));
    if (!m_twoLevels || own.lower.isEmpty())
        return {visualIndex, visualIndex};

    const auto joins = [&](int visual) {
        const Title other = titleOf(logicalIndex(visual));
        return !other.lower.isEmpty() && other.upper == own.upper;
    };
    int first = visualIndex;
    for (int v = visualIndex - 1; v >= 0; --v) {
        if (isSectionHidden(logicalIndex(v)))
            continue;
        if (!joins(v))
            break;
        first = v;
    }
    int last = visualIndex;
    for (int v = visualIndex + 1; v < count(); ++v) {
        if (isSectionHidden(logicalIndex(v)))
            continue;
        if (!joins(v))
            break;
        last = v;
    }
    return {first, last};
}

int TwoLevelHeader::levelHeight() const
{
    return lineHeight(font()) + 4;
}

QSize TwoLevelHeader::sizeHint() const
{
    QSize size = QHeaderView::sizeHint();
    size.setHeight(levelHeight() * (m_twoLevels ? 2 : 1));
    return size;
}

void TwoLevelHeader::paintCell(QPainter *painter, const QRect &rect, const QString &text,
                               const QColor &color) const
{
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = 0;
    option.position = QStyleOptionHeader::Middle;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    const QRect textRect = rect.adjusted(2, 0, -3, 0);
    painter->setFont(font());
    painter->setPen(color.isValid() ? color : QColor(Qt::black));
    const QFontMetrics metrics = painter->fontMetrics();
    // A narrow title spanning both levels ("№ П/П") breaks into lines, at
    // spaces only (Qt would also break after "/").
    if (metrics.horizontalAdvance(text) > textRect.width()) {
        QStringList lines;
        QString line;
        for (const QString &word : text.split(u' ', Qt::SkipEmptyParts)) {
            const QString joined = line.isEmpty() ? word : line + u' ' + word;
            if (!line.isEmpty() && metrics.horizontalAdvance(joined) > textRect.width()) {
                lines << metrics.elidedText(line, Qt::ElideRight, textRect.width());
                line = word;
            } else {
                line = joined;
            }
        }
        lines << metrics.elidedText(line, Qt::ElideRight, textRect.width());
        if (lines.size() > 1 && lines.size() * metrics.height() <= textRect.height()) {
            painter->drawText(textRect, Qt::AlignCenter, lines.join(u'\n'));
            return;
        }
    }
    painter->drawText(textRect, Qt::AlignCenter, metrics.elidedText(text, Qt::ElideRight, textRect.width()));
}

void TwoLevelHeader::paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const
{
    if (!rect.isValid())
        return;
    const Title title = titleOf(logicalIndex);
    if (!m_twoLevels) {
        // One level shows the caption as it is given.
        const QString caption = title.lower.isEmpty() ? title.upper : title.upper + u'|' + title.lower;
        paintCell(painter, rect, caption, title.upperColor);
        return;
    }
    if (title.lower.isEmpty()) {
        paintCell(painter, rect, title.upper, title.upperColor);
        return;
    }

    const int upperHeight = rect.height() / 2;
    // Every column of a shared cell paints the whole cell, so any one of them
    // being repainted draws it complete.
    const auto [first, last] = upperSpan(visualIndex(logicalIndex));
    const int left = sectionViewportPosition(this->logicalIndex(first));
    const int right = sectionViewportPosition(this->logicalIndex(last)) + sectionSize(this->logicalIndex(last));
    const QColor upperColor = titleOf(this->logicalIndex(first)).upperColor;
    paintCell(painter, QRect(left, rect.top(), right - left, upperHeight), title.upper, upperColor);
    paintCell(painter, QRect(rect.left(), rect.top() + upperHeight, rect.width(), rect.height() - upperHeight),
              title.lower, title.lowerColor);
}

} // namespace qor
