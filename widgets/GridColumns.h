#pragma once

#include <QObject>
#include <QString>

class QTableView;
class QWidget;

// A register grid's column widths: at its first show each column as wide as its values in view and its
// caption, the spare column (a description, a street) taking what room is left; never narrower than its
// caption. The widths a clerk drags are kept, per grid, for the next start.
class GridColumns : public QObject
{
    Q_OBJECT
public:
    // spare: the logical column that takes the room left over, -1 for none. name: the grid's own key.
    GridColumns(QTableView* grid, const QString& name, int spare);

    // Where the clerk's widths are kept: beside the engine's configuration, in a file of their own.
    static QString filePath();
    int captionWidth(int column) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fit();
    void fillSpare();
    void sectionResized(int column, int newSize);

    QTableView* m_grid;
    QWidget* m_viewport; // kept: while the grid is torn down its children still send events
    QString m_name;
    int m_spare;
    int m_spareNatural = 0; // what the spare column's own values and caption need
    bool m_fitted = false;
    bool m_clerksWidths = false; // dragged by the clerk: the spare column no longer follows the grid
    int m_busy = 0;              // our own resizing under way
};
