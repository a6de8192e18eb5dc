#pragma once

#include "store/Table.h"

#include <QAbstractTableModel>
#include <QHash>
#include <functional>

// Grid rows of one table instance, in its tag order and filter, read in pages along the tag.
// Refreshes when any instance writes the table or this instance changes its view.
//
// Qt asks for rows while it paints or resets the grid, where no error may go. A lost connection to the server
// met there leaves the grid with the rows it holds (those not read show empty), and is not met again until the
// rows change (a connection made again changes all of them): the clerk's next command meets the loss and tells
// it. rowAt and rowOfCurrent, which the program's own commands use, throw as the store does.
class TableModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    struct Column
    {
        QString field;
        QString title;
    };
    // Extra roles (colours, fonts) computed by the window from the row's values.
    using RoleHook = std::function<QVariant(const Row& row, int column, int role)>;

    TableModel(Table& table, QList<Column> columns, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setRoleHook(RoleHook hook) { m_hook = std::move(hook); }
    Table& table() const { return m_table; }
    const QList<Column>& columns() const { return m_columns; }

    const Row* rowAt(int row) const; // nullptr outside the view
    int rowOfCurrent() const;        // the table instance's current record, -1 when none
    int columnOf(const QString& field) const;
    static constexpr int PageSize = 32; // about a screenful: opening a window reads one page

    // While suspended the model keeps the rows it has and refreshes once, on resuming: a long pass over
    // the table is not followed on screen.
    void suspendUpdates();
    void resumeUpdates();
    bool updatesSuspended() const { return m_suspended > 0; }

public Q_SLOTS:
    void refresh(); // drop every cached row now

private:
    void scheduleRefresh();
    int count() const; // throws
    void loadPage(int page) const;
    void checkVersions() const;
    const Row* loadedRowAt(int row) const;

    Table& m_table;
    QList<Column> m_columns;
    QList<int> m_fieldIndex;
    RoleHook m_hook;
    mutable QHash<int, QList<Row>> m_pages;
    mutable int m_count = -1;
    mutable int m_shownCount = 0;       // the count Qt was last told
    mutable bool m_unreachable = false; // the connection was lost since the rows last changed
    mutable quint64 m_dataVersion = 0;
    mutable quint64 m_viewVersion = 0;
    bool m_refreshPending = false;
    int m_suspended = 0;
};
