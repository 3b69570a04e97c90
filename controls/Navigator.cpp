#include "controls/Navigator.h"

#include "controls/DataGrid.h"
#include "controls/RowEditor.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

namespace qor {

namespace {

enum class Glyph { Plus, Minus, Check };

QIcon glyphIcon(Glyph glyph)
{
    QIcon icon;
    for (const QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled}) {
        QPixmap pixmap(15, 15);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(mode == QIcon::Normal ? QColor(Qt::black) : QColor(160, 160, 160), 2));
        switch (glyph) {
        case Glyph::Plus:
            painter.drawLine(QPointF(7.5, 3), QPointF(7.5, 12));
            [[fallthrough]];
        case Glyph::Minus:
            painter.drawLine(QPointF(3, 7.5), QPointF(12, 7.5));
            break;
        case Glyph::Check:
            painter.drawPolyline(QPolygonF({QPointF(3, 8), QPointF(6.5, 11.5), QPointF(12.5, 3.5)}));
            break;
        }
        icon.addPixmap(pixmap, mode);
    }
    return icon;
}

QToolButton *makeButton(QWidget *parent, Glyph glyph, const QString &toolTip, const char *name)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setIcon(glyphIcon(glyph));
    button->setToolTip(toolTip);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    button->setEnabled(false);
    return button;
}

} // namespace

Navigator::Navigator(QWidget *parent)
    : QWidget(parent)
    , m_insert(makeButton(this, Glyph::Plus, tr("Вставить запись"), "InsertButton"))
    , m_delete(makeButton(this, Glyph::Minus, tr("Удалить запись"), "DeleteButton"))
    , m_post(makeButton(this, Glyph::Check, tr("Сохранить запись"), "PostButton"))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton *button : {m_insert, m_delete, m_post})
        layout->addWidget(button);
}

void Navigator::setGrid(DataGrid *grid, Buttons buttons)
{
    m_grid = grid;
    m_insert->setVisible(buttons & Insert);
    m_delete->setVisible(buttons & Delete);
    m_post->setVisible(buttons & Post);
    // The new row is for typing into: the grid takes the keyboard.
    connect(m_insert, &QToolButton::clicked, grid, [grid] {
        if (grid->insertRow())
            grid->setFocus();
    });
    connect(m_delete, &QToolButton::clicked, grid, [grid] { grid->deleteRow(); });
    connect(m_post, &QToolButton::clicked, grid, [grid] { grid->postRow(); });
    connect(grid, &DataGrid::recordStateChanged, this, &Navigator::updateButtons);
    updateButtons();
}

QToolButton *Navigator::button(Button which) const
{
    switch (which) {
    case Insert:
        return m_insert;
    case Delete:
        return m_delete;
    case Post:
        return m_post;
    }
    return nullptr;
}

void Navigator::updateButtons()
{
    const RowEditor *rows = m_grid ? m_grid->rowEditor() : nullptr;
    const bool canModify = rows && rows->canModify();
    m_insert->setEnabled(canModify);
    m_delete->setEnabled(canModify && m_grid->model()->rowCount() > 0);
    m_post->setEnabled(canModify && rows->isEditing());
}

} // namespace qor
