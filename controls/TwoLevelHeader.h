#pragma once

#include <QColor>
#include <QHash>
#include <QHeaderView>
#include <QString>

#include <utility>

namespace qor {

// Height of a line of text in the font, for title and row heights.
int lineHeight(const QFont &font);

// Horizontal grid header with an optional second title level. A column's
// caption "Upper|Lower" gives its two titles; neighbouring columns (in visual
// order) with the same upper title share one upper title cell; a column
// without a lower title has one title across both levels. Titles set here win
// over the model's header data, which is split the same way.
class TwoLevelHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit TwoLevelHeader(QWidget *parent = nullptr);

    static std::pair<QString, QString> splitCaption(const QString &caption);

    void setTwoLevels(bool on);
    bool twoLevels() const { return m_twoLevels; }

    // Invalid colours draw black.
    void setTitle(int logicalIndex, const QString &upper, const QString &lower,
                  const QColor &upperColor = {}, const QColor &lowerColor = {});
    void clearTitles();

    QString upperTitle(int logicalIndex) const;
    QString lowerTitle(int logicalIndex) const;
    QColor upperTitleColor(int logicalIndex) const;
    QColor lowerTitleColor(int logicalIndex) const;

    // First and last visual index of the upper title cell that holds the
    // column at visualIndex; hidden columns between are passed over.
    std::pair<int, int> upperSpan(int visualIndex) const;

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override;

private:
    struct Title {
        QString upper;
        QString lower;
        QColor upperColor;
        QColor lowerColor;
    };
    Title titleOf(int logicalIndex) const;
    int levelHeight() const;
    void paintCell(QPainter *painter, const QRect &rect, const QString &text, const QColor &color) const;

    QHash<int, Title> m_titles;
    bool m_twoLevels = false;
};

} // namespace qor
