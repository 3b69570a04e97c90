#include "reports/ReportPages.h"

#include "engine/Error.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextOption>

#include <algorithm>

namespace qor {

namespace {

const QColor TitleShade(235, 235, 235);

QFont sized(const QString &family, double points, bool bold = false)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Where everything goes, in the device's pixels.
class Layout
{
public:
    Layout(const ReportTable &table, QPainter &painter, const QString &family)
        : m_table(table), m_painter(painter),
          m_cellFont(sized(family, 9)), m_titleFont(sized(family, 9, true)), m_lineFont(sized(family, 10)),
          m_subjectFont(sized(family, 13, true)), m_footFont(sized(family, 8))
    {
        const QPaintDevice *device = painter.device();
        m_page = QRectF(0, 0, device->width(), device->height());
        m_mm = device->logicalDpiX() / 25.4;
        m_padX = 1.2 * m_mm;
        m_padY = 0.7 * m_mm;
        m_wrap.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        readTexts();
        placeColumns();
        measureHeading();
        measureTitles();
        measureRows();
        measureNotes();
        m_footHeight = textHeight(m_footFont, QStringLiteral("Страница"), m_page.width()) + 2 * m_mm;
        paginate();
    }

    int pageCount() const { return int(m_pageStarts.size()); }

    void paintPage(int page)
    {
        double y = 0;
        if (page == 0)
            y = paintHeading();
        y = paintTitles(y);
        const int end = page + 1 < pageCount() ? m_pageStarts[page + 1] : int(m_table.rows.size());
        for (int row = m_pageStarts[page]; row < end; ++row) {
            paintRow(row, y);
            y += m_rowHeights[row];
        }
        if (page + 1 == pageCount())
            paintNotes(y);
        paintFoot(page);
    }

private:
    // Columns share the page's width in proportion to their widths, within
    // bounds: none narrower than its own title or its longest word (a number
    // or a date is never broken), none wider than its longest text needs, the
    // room it does not need going to the columns whose texts wrap.
    void placeColumns()
    {
        const int count = int(m_table.columns.size());
        QList<double> least(count), most(count), weight(count);
        for (int c = 0; c < count; ++c) {
            const Extent extent = extentOf(c);
            const double slack = 2 * m_padX + 0.5 * m_mm; // with room for rounding
            least[c] = std::min(extent.longestWord + slack, m_page.width() / 3);
            most[c] = std::max(least[c], extent.longestLine + slack);
            weight[c] = std::max(1, m_table.columns[c].width);
        }
        enum class Bound { None, Least, Most };
        QList<Bound> bound(count, Bound::None);
        m_columnWidth = QList<double>(count, 0.0);
        for (;;) {
            double room = m_page.width(), shared = 0;
            for (int c = 0; c < count; ++c) {
                if (bound[c] == Bound::None)
                    shared += weight[c];
                else
                    room -= m_columnWidth[c];
            }
            bool belowLeast = false, aboveMost = false;
            for (int c = 0; c < count; ++c) {
                if (bound[c] != Bound::None)
                    continue;
                m_columnWidth[c] = std::max(0.0, room) * weight[c] / shared;
                belowLeast |= m_columnWidth[c] < least[c];
                aboveMost |= m_columnWidth[c] > most[c];
            }
            // Narrow columns are widened first: that leaves less to share.
            for (int c = 0; c < count; ++c) {
                if (bound[c] != Bound::None)
                    continue;
                if (belowLeast && m_columnWidth[c] < least[c]) {
                    bound[c] = Bound::Least;
                    m_columnWidth[c] = least[c];
                } else if (!belowLeast && aboveMost && m_columnWidth[c] > most[c]) {
                    bound[c] = Bound::Most;
                    m_columnWidth[c] = most[c];
                }
            }
            if (!belowLeast && !aboveMost)
                break;
            if (std::find(bound.begin(), bound.end(), Bound::None) == bound.end()) {
                // Every text fits with room to spare: spread it in proportion.
                double total = 0, weights = 0;
                for (int c = 0; c < count; ++c) {
                    total += m_columnWidth[c];
                    weights += weight[c];
                }
                for (int c = 0; c < count; ++c)
                    m_columnWidth[c] += std::max(0.0, m_page.width() - total) * weight[c] / weights;
                break;
            }
        }
        double x = 0;
        for (double width : std::as_const(m_columnWidth)) {
            m_columnX.append(x);
            x += width;
        }
    }

    struct Extent
    {
        double longestWord = 0; // what must fit on a line
        double longestLine = 0; // what fits the longest text on one line
    };

    Extent extentOf(int column)
    {
        const ReportColumn &described = m_table.columns[column];
        const QFontMetricsF titles(m_titleFont, m_painter.device());
        const QFontMetricsF cells(m_cellFont, m_painter.device());
        // A title of this column alone is kept on one line: "№ П/П" would
        // otherwise break after its "/".
        const double title = titles.horizontalAdvance(described.lowerTitle.isEmpty() ? described.upperTitle : described.lowerTitle);
        Extent extent{title, title};
        for (const QStringList &texts : std::as_const(m_cellTexts)) {
            const QString &text = texts.value(column);
            if (text.isEmpty())
                continue;
            const double line = cells.horizontalAdvance(text);
            extent.longestLine = std::max(extent.longestLine, line);
            if (!text.contains(u' '))
                extent.longestWord = std::max(extent.longestWord, line);
            else if (line > extent.longestWord) {
                for (const QString &word : text.split(u' ', Qt::SkipEmptyParts))
                    extent.longestWord = std::max(extent.longestWord, cells.horizontalAdvance(word));
            }
        }
        return extent;
    }

    void readTexts()
    {
        m_cellTexts.reserve(m_table.rows.size());
        for (const QList<QVariant> &values : m_table.rows) {
            QStringList texts;
            for (int c = 0; c < m_table.columns.size(); ++c)
                texts.append(reportText(values.value(c)));
            m_cellTexts.append(texts);
        }
    }

    double spanWidth(int first, int count) const
    {
        double width = 0;
        for (int c = first; c < first + count; ++c)
            width += m_columnWidth[c];
        return width;
    }

    double textHeight(const QFont &font, const QString &text, double width)
    {
        m_painter.setFont(font);
        const QRectF box(0, 0, std::max(1.0, width), 1e6);
        return m_painter.boundingRect(box, text.isEmpty() ? QStringLiteral(" ") : text, m_wrap).height();
    }

    double cellHeight(const QFont &font, const QString &text, double width)
    {
        return textHeight(font, text, width - 2 * m_padX) + 2 * m_padY;
    }

    void measureHeading()
    {
        const QStringList lines = m_table.headingLines();
        m_headingHeight = 0;
        for (int i = 0; i < lines.size(); ++i)
            m_headingHeight += textHeight(i == 1 ? m_subjectFont : m_lineFont, lines[i], m_page.width());
        m_headingHeight += 3 * m_mm;
    }

    void measureTitles()
    {
        m_upperHeight = m_lowerHeight = 0;
        double spanningHeight = 0;
        for (int first = 0; first < m_table.columns.size();) {
            const int span = m_table.upperTitleSpan(first);
            const ReportColumn &column = m_table.columns[first];
            const double height = cellHeight(m_titleFont, column.upperTitle, spanWidth(first, span));
            if (column.lowerTitle.isEmpty())
                spanningHeight = std::max(spanningHeight, height);
            else
                m_upperHeight = std::max(m_upperHeight, height);
            for (int c = first; c < first + span; ++c) {
                if (!m_table.columns[c].lowerTitle.isEmpty())
                    m_lowerHeight = std::max(m_lowerHeight, cellHeight(m_titleFont, m_table.columns[c].lowerTitle, m_columnWidth[c]));
            }
            first += span;
        }
        if (m_upperHeight == 0 && m_lowerHeight == 0)
            m_upperHeight = spanningHeight; // one title row
        else
            m_lowerHeight = std::max(m_lowerHeight, spanningHeight - m_upperHeight);
    }

    void measureRows()
    {
        m_rowHeights.reserve(m_table.rows.size());
        m_painter.setFont(m_cellFont);
        const QFontMetricsF metrics(m_cellFont, m_painter.device());
        const double lineHeight = metrics.height() + 2 * m_padY;
        for (const QStringList &texts : std::as_const(m_cellTexts)) {
            double height = lineHeight;
            for (int c = 0; c < texts.size(); ++c) {
                // Most cells hold one short line: measured by width alone.
                if (!texts[c].isEmpty() && metrics.horizontalAdvance(texts[c]) > m_columnWidth[c] - 2 * m_padX)
                    height = std::max(height, cellHeight(m_cellFont, texts[c], m_columnWidth[c]));
            }
            m_rowHeights.append(height);
        }
    }

    void measureNotes()
    {
        m_notesHeight = 0;
        for (const QString &note : m_table.notes)
            m_notesHeight += textHeight(m_lineFont, note, m_page.width());
        if (m_notesHeight > 0)
            m_notesHeight += 2 * m_mm;
    }

    void paginate()
    {
        const double titles = m_upperHeight + m_lowerHeight;
        const double room = m_page.height() - m_footHeight - titles;
        double used = m_headingHeight;
        m_pageStarts.append(0);
        for (int row = 0; row < m_rowHeights.size(); ++row) {
            // A row taller than a page still gets a page of its own.
            if (used + m_rowHeights[row] > room && row > m_pageStarts.last()) {
                m_pageStarts.append(row);
                used = 0;
            }
            used += m_rowHeights[row];
        }
        // The notes stay with the table's last rows, or start a page of their own.
        if (m_notesHeight > 0 && used + m_notesHeight > room && !m_rowHeights.isEmpty())
            m_pageStarts.append(int(m_rowHeights.size()));
    }

    void paintNotes(double y)
    {
        m_painter.setFont(m_lineFont);
        y += 2 * m_mm;
        for (const QString &note : m_table.notes) {
            const double height = textHeight(m_lineFont, note, m_page.width());
            m_painter.drawText(QRectF(0, y, m_page.width(), height), note, m_wrap);
            y += height;
        }
    }

    double paintHeading()
    {
        const QStringList lines = m_table.headingLines();
        double y = 0;
        for (int i = 0; i < lines.size(); ++i) {
            const QFont &font = i == 1 ? m_subjectFont : m_lineFont;
            const double height = textHeight(font, lines[i], m_page.width());
            m_painter.setFont(font);
            m_painter.drawText(QRectF(0, y, m_page.width(), height), lines[i], m_wrap);
            y += height;
        }
        return m_headingHeight;
    }

    void paintCell(const QRectF &box, const QString &text, Qt::Alignment alignment, bool title)
    {
        if (title)
            m_painter.fillRect(box, TitleShade);
        m_painter.drawRect(box);
        QTextOption option = m_wrap;
        option.setAlignment(alignment | Qt::AlignVCenter);
        m_painter.drawText(box.adjusted(m_padX, m_padY, -m_padX, -m_padY), text, option);
    }

    double paintTitles(double y)
    {
        m_painter.setFont(m_titleFont);
        m_painter.setPen(gridPen());
        for (int first = 0; first < m_table.columns.size();) {
            const int span = m_table.upperTitleSpan(first);
            const ReportColumn &column = m_table.columns[first];
            const double width = spanWidth(first, span);
            const double height = column.lowerTitle.isEmpty() ? m_upperHeight + m_lowerHeight : m_upperHeight;
            paintCell(QRectF(m_columnX[first], y, width, height), column.upperTitle, Qt::AlignHCenter, true);
            for (int c = first; c < first + span; ++c) {
                if (!m_table.columns[c].lowerTitle.isEmpty())
                    paintCell(QRectF(m_columnX[c], y + m_upperHeight, m_columnWidth[c], m_lowerHeight),
                              m_table.columns[c].lowerTitle, Qt::AlignHCenter, true);
            }
            first += span;
        }
        return y + m_upperHeight + m_lowerHeight;
    }

    void paintRow(int row, double y)
    {
        m_painter.setFont(m_cellFont);
        const QStringList &texts = m_cellTexts[row];
        for (int c = 0; c < m_columnWidth.size(); ++c) {
            const Qt::Alignment horizontal = m_table.columns[c].alignment & Qt::AlignHorizontal_Mask;
            paintCell(QRectF(m_columnX[c], y, m_columnWidth[c], m_rowHeights[row]), c < texts.size() ? texts[c] : QString(),
                      horizontal ? horizontal : Qt::AlignLeft, false);
        }
    }

    void paintFoot(int page)
    {
        m_painter.setFont(m_footFont);
        const QRectF foot(0, m_page.height() - m_footHeight + m_mm, m_page.width(), m_footHeight - m_mm);
        const QString number = QStringLiteral("Страница %1 из %2").arg(page + 1).arg(pageCount());
        const double numberWidth = m_painter.fontMetrics().horizontalAdvance(number) + 4 * m_mm;
        const QString subject = m_painter.fontMetrics().elidedText(m_table.subject, Qt::ElideRight, int(foot.width() - numberWidth));
        m_painter.drawText(foot, Qt::AlignLeft | Qt::AlignVCenter, subject);
        m_painter.drawText(foot, Qt::AlignRight | Qt::AlignVCenter, number);
    }

    QPen gridPen() const { return QPen(Qt::black, 0.2 * m_mm); }

    const ReportTable &m_table;
    QPainter &m_painter;
    QFont m_cellFont, m_titleFont, m_lineFont, m_subjectFont, m_footFont;
    QTextOption m_wrap;
    QRectF m_page;
    double m_mm = 1, m_padX = 0, m_padY = 0;
    QList<double> m_columnX, m_columnWidth;
    double m_headingHeight = 0, m_upperHeight = 0, m_lowerHeight = 0, m_footHeight = 0, m_notesHeight = 0;
    QList<QStringList> m_cellTexts;
    QList<double> m_rowHeights;
    QList<int> m_pageStarts; // first row of each page
};

} // namespace

int printReport(const ReportTable &table, QPagedPaintDevice &device, const QString &fontFamily, int first, int last)
{
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(QStringLiteral("Не удалось начать печать: принтер недоступен или файл нельзя записать."));
    Layout layout(table, painter, fontFamily);
    const int pages = layout.pageCount();
    first = first > 0 ? std::min(first, pages) : 1;
    last = last > 0 ? std::clamp(last, first, pages) : pages;
    for (int page = first; page <= last; ++page) {
        if (page > first && !device.newPage()) {
            painter.end();
            throw Error(QStringLiteral("Не удалось начать новую страницу печати."));
        }
        layout.paintPage(page - 1);
    }
    if (!painter.end())
        throw Error(QStringLiteral("Не удалось закончить печать."));
    return pages;
}

} // namespace qor
