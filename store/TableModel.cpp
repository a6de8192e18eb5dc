#include "store/TableModel.h"

#include "store/Store.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"

#include <QTimer>
#include <algorithm>

using namespace Qt::Literals::StringLiterals;

TableModel::TableModel(Table& table, QList<Column> columns, QObject* parent)
    : QAbstractTableModel(parent), m_table(table), m_columns(std::move(columns))
{
    for (const Column& c : m_columns)
        m_fieldIndex << Schema::find(table.fileName())->fieldIndex(c.field);
    connect(&table, &Table::viewChanged, this, &TableModel::refresh);
    connect(&table.store(), &Store::tableChanged, this, [this](const QString& sqlName) {
        if (sqlName.compare(Schema::find(m_table.fileName())->sqlName, Qt::CaseInsensitive) == 0) scheduleRefresh();
    });
}

void TableModel::scheduleRefresh()
{
    // A marking loop writes thousands of records: refresh once, after it.
    if (m_refreshPending) return;
    m_refreshPending = true;
    QTimer::singleShot(0, this, [this] {
        if (!m_refreshPending) return;
        try {
            refresh();
        } catch (const ConnectionLost&) {
            // What follows the reset (a window finding its row again) met a lost connection. No command runs
            // to tell it and no error may reach the event loop: the clerk's next command meets it and tells it.
        }
    });
}

void TableModel::suspendUpdates()
{
    ++m_suspended;
}

void TableModel::resumeUpdates()
{
    if (m_suspended == 0 || --m_suspended > 0) return;
    refresh();
}

void TableModel::refresh()
{
    if (m_suspended > 0) {
        m_refreshPending = true; // done on resuming
        return;
    }
    m_refreshPending = false;
    m_unreachable = false;
    beginResetModel();
    m_pages.clear();
    m_count = -1;
    endResetModel();
}

void TableModel::checkVersions() const
{
    if (m_suspended > 0) return; // the view keeps the rows it was told of
    if (!m_table.isOpen()) {
        m_pages.clear();
        m_count = 0;
        return;
    }
    const quint64 data = m_table.store().version(m_table.definition());
    if (data != m_dataVersion || m_table.viewVersion() != m_viewVersion) {
        m_pages.clear();
        m_count = -1;
        m_unreachable = false;
        m_dataVersion = data;
        m_viewVersion = m_table.viewVersion();
    }
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid()) return 0;
    checkVersions();
    if (m_count < 0 && !m_unreachable) {
        try {
            count();
        } catch (const ConnectionLost&) {
            m_unreachable = true;
        }
    }
    if (m_count >= 0) m_shownCount = m_count;
    return m_shownCount;
}

int TableModel::count() const
{
    checkVersions();
    if (m_count < 0) m_count = m_table.isOpen() ? m_table.recordCount() : 0;
    return m_count;
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_columns.size();
}

int TableModel::columnOf(const QString& field) const
{
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void TableModel::loadPage(int page) const
{
    const int total = count();
    const int lastPage = total > 0 ? (total - 1) / PageSize : 0;
    QList<Row> rows;
    if (m_pages.contains(page - 1)) {
        rows = m_table.fetchRows(Table::Direction::Forward, &m_pages.value(page - 1).constLast(), false, PageSize);
    } else if (m_pages.contains(page + 1)) {
        rows = m_table.fetchRows(Table::Direction::Backward, &m_pages.value(page + 1).constFirst(), false, PageSize);
        std::reverse(rows.begin(), rows.end());
    } else if (page == 0) {
        rows = m_table.fetchRows(Table::Direction::Forward, nullptr, false, PageSize);
    } else if (page == lastPage) {
        rows = m_table.fetchRows(Table::Direction::Backward, nullptr, false, total - page * PageSize);
        std::reverse(rows.begin(), rows.end());
    } else {
        rows = m_table.fetchRowsAt(page * PageSize, PageSize); // a jump into the middle of the view
    }
    // Keep memory bounded on big tables: forget the pages farthest from this one.
    while (m_pages.size() >= 64) {
        int farthest = m_pages.constBegin().key();
        for (auto it = m_pages.constBegin(); it != m_pages.constEnd(); ++it)
            if (std::abs(it.key() - page) > std::abs(farthest - page)) farthest = it.key();
        m_pages.remove(farthest);
    }
    m_pages.insert(page, rows);
}

const Row* TableModel::rowAt(int row) const
{
    if (row < 0 || row >= count()) return nullptr;
    if (!m_pages.contains(row / PageSize)) loadPage(row / PageSize);
    return loadedRowAt(row);
}

const Row* TableModel::loadedRowAt(int row) const
{
    checkVersions();
    const auto it = m_pages.constFind(row / PageSize);
    const int offset = row % PageSize;
    if (row < 0 || it == m_pages.constEnd() || offset >= it->size()) return nullptr;
    return &it->at(offset);
}

int TableModel::rowOfCurrent() const
{
    if (!m_table.isOpen() || m_table.isEmpty()) return -1;
    const qint64 rowid = m_table.rowId();
    if (rowid == 0) return -1;
    // Cheap when the current record is among the cached rows; one count query otherwise.
    for (auto it = m_pages.constBegin(); it != m_pages.constEnd(); ++it)
        for (int i = 0; i < it->size(); ++i)
            if (it->at(i).rowid == rowid) return it.key() * PageSize + i;
    Row r;
    r.rowid = rowid;
    r.values.resize(m_table.definition().fields.size());
    const int tagField =
        m_table.indexName().isEmpty() ? -1 : m_table.fieldIndex(m_table.definition().tag(m_table.indexName())->field);
    if (tagField >= 0) r.values.set(tagField, m_table.field(tagField).value());
    return m_table.positionOf(r);
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid()) return {};
    const Row* row = loadedRowAt(index.row());
    if (!row && !m_unreachable) {
        try {
            row = rowAt(index.row());
        } catch (const ConnectionLost&) {
            m_unreachable = true;
        }
    }
    if (!row) return {};
    if (role == Qt::DisplayRole) {
        const int field = m_fieldIndex.at(index.column());
        if (field < 0) return {};
        const FieldDef& def = m_table.definition().fields.at(field);
        return Field::format(def.type, row->values, field, Field::inCents(m_table.store(), def));
    }
    if (m_hook) return m_hook(*row, index.column(), role);
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 && section < m_columns.size())
        return m_columns.at(section).title;
    return QAbstractTableModel::headerData(section, orientation, role);
}
