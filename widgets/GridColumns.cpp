#include "widgets/GridColumns.h"

#include "store/admin/Settings.h"

#include <QDir>
#include <QEvent>
#include <QHeaderView>
#include <QStandardPaths>
#include <QTableView>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

GridColumns::GridColumns(QTableView* grid, const QString& name, int spare)
    : QObject(grid), m_grid(grid), m_viewport(grid->viewport()), m_name(name), m_spare(spare)
{
    QHeaderView* header = grid->horizontalHeader();
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setResizeContentsPrecision(0); // the rows in view: a large table is not read for its widths
    grid->installEventFilter(this);
    m_viewport->installEventFilter(this); // its size is the room, set after the grid's own resize
    connect(header, &QHeaderView::sectionResized, this,
            [this](int column, int, int newSize) { sectionResized(column, newSize); });
}

QString GridColumns::filePath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(u"mervana/grids.ini"_s);
}

int GridColumns::captionWidth(int column) const
{
    return m_grid->horizontalHeader()->sectionSizeHint(column);
}

bool GridColumns::eventFilter(QObject* watched, QEvent* event)
{
    // Compared by address only: the grid may be half destroyed when its viewport reports its own end.
    if (event->type() == QEvent::Show && watched == m_grid && !m_fitted) fit();
    if (event->type() == QEvent::Resize && watched == m_viewport && m_fitted && !m_clerksWidths) fillSpare();
    return QObject::eventFilter(watched, event);
}

void GridColumns::fit()
{
    QHeaderView* header = m_grid->horizontalHeader();
    const QStringList saved = Settings(filePath()).list(u"Grids/"_s + m_name);
    m_clerksWidths = saved.size() == header->count();
    ++m_busy;
    for (int column = 0; column < header->count(); ++column) {
        if (header->isSectionHidden(column)) continue;
        const int content = m_clerksWidths ? saved.at(column).toInt()
                                           : static_cast<const QAbstractItemView*>(m_grid)->sizeHintForColumn(column);
        const int width = std::max(content, captionWidth(column));
        if (column == m_spare) m_spareNatural = width;
        header->resizeSection(column, width);
    }
    m_fitted = true;
    if (!m_clerksWidths) fillSpare();
    --m_busy;
}

void GridColumns::fillSpare()
{
    QHeaderView* header = m_grid->horizontalHeader();
    if (m_spare < 0 || m_spare >= header->count()) return;
    int others = 0;
    for (int column = 0; column < header->count(); ++column)
        if (column != m_spare && !header->isSectionHidden(column)) others += header->sectionSize(column);
    ++m_busy;
    header->resizeSection(m_spare, std::max(m_spareNatural, m_grid->viewport()->width() - others));
    --m_busy;
}

void GridColumns::sectionResized(int column, int newSize)
{
    if (m_busy || !m_fitted) return;
    QHeaderView* header = m_grid->horizontalHeader();
    if (header->isSectionHidden(column)) return;
    ++m_busy;
    if (newSize < captionWidth(column)) header->resizeSection(column, captionWidth(column));
    --m_busy;
    m_clerksWidths = true;
    QStringList widths;
    for (int c = 0; c < header->count(); ++c)
        widths << QString::number(header->isSectionHidden(c) ? 0 : header->sectionSize(c));
    Settings(filePath()).set(u"Grids/"_s + m_name, widths);
}
