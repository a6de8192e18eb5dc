#pragma once

#include "widgets/MaskEdit.h"

#include "store/TableModel.h"
#include "store/engine/Errors.h"

#include <QMetaObject>
#include <QWidget>

#include <functional>

class Frame;
class Table;
class QLabel;
class QSpinBox;
class QToolButton;
class QLineEdit;
class QTableView;

// What the register windows have in common: the window's own table instance, shown through a model in
// the grid, and the panel below refilled whenever the clerk may have moved to another record — the
// window shown or activated in the frame, a cell clicked, the grid entered, left or moved with a key.
class Store;

class RegisterWindow : public QWidget
{
    Q_OBJECT
public:
    ~RegisterWindow() override;

    Table* Table1 = nullptr;
    TableModel* model = nullptr;
    QTableView* DBGrid1 = nullptr;

    // Display updates of the grid: while disabled, a pass over Table1 is not redrawn; enabling shows
    // the rows as they are then. Calls nest.
    void DisableControls();
    void EnableControls();

    // The grid and the panel follow the current record of Table1 after it was moved from outside (a tool
    // button, a double click in another window, the search), also when the window was active already, and
    // also over boxes kept after a write that met another counter's change.
    void followCurrent();

protected:
    // Opens the table on the tag and sets up the grid over it, with the window's columns; the column of
    // spareField (none when empty) takes the grid's spare width.
    RegisterWindow(Frame* main, const QString& name, const QString& title, const QString& file, const QString& tag,
                   QList<TableModel::Column> columns, const QString& spareField = {});

    // Fills the panel from the current record of Table1.
    virtual void refreshPanel() = 0;
    // Table1 goes to the record of a grid row; a row outside the view leaves it where it is.
    virtual void gotoGridRow(int row);
    // The grid's selection follows the current record of Table1.
    virtual void selectCurrentRow();
    // A click on a grid cell: the record of its row, then the panel.
    virtual void gridClicked(int row);
    // The rows are others after a reset: the grid looks for the current record again at once.
    virtual void modelWasReset();
    // Showing the window and activating its sub-window both refill the panel.
    virtual void windowShown();
    virtual void windowActivated();

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // The write of one record from the panel: open begins it on t (an edit as shown, an append; nothing when
    // t holds the blank record of "&Nový"), fill sets its fields from the boxes, then it is posted. A failure
    // abandons the write and goes on to the clerk's message (see writePanel and guarded).
    void postRecord(Table& t, const std::function<void()>& open, const std::function<void(Table&)>& fill);
    // The panel written into the record it shows, as it showed it: the cursor stands elsewhere only when
    // another counter deleted the record or took it out of the view. A blank record of "&Nový" stays new; an
    // empty view starts one.
    void writeShown(const std::function<void(Table&)>& fill);

    // Takes the record the panel has just been filled from, as read, for the next write or delete.
    void noteShown();
    // Whether the panel keeps what the clerk typed rather than being filled from the record: after a write
    // that met the record changed or deleted by another counter, until the clerk moves to another record.
    bool keepsTypedValues();
    // Begins the edit of the record t stands on: checked against what the panel showed of it, when the
    // panel shows that record.
    void editAsShown(Table& t);
    // Runs write, which stores the panel. One that meets the record changed by another counter leaves the
    // grid showing the record as it is now, the boxes as typed, and the window writing over the record as it
    // is now at the next "Z&apíš" (or, when another counter deleted it, storing the boxes as a new record);
    // the error goes on to the clerk.
    template <class F> void writePanel(F&& write)
    {
        try {
            write();
        } catch (const RecordChanged& e) {
            keepTypedValues(e);
            throw;
        }
        m_keeping = false;
    }
    // Deletes the record the panel shows, only while it is as shown (else the current record, as read).
    // One another counter changed or deleted meanwhile shows as it is now, in the grid and the panel.
    void removeShown();

    // The record the panel was last filled from, as read then (row id 0: none).
    Row m_shown;
    QLabel* labelFor(const QString& name, const QString& text, QWidget* buddy);
    // Spin arrows 0..100 beside a box that holds the number itself.
    QSpinBox* createUpDown();
    // Panel boxes by their control names: a line edit with an entry limit (0 = none), a masked date box,
    // and the small calendar button beside a date box. The entry limit binds typing only: see showText.
    QLineEdit* createEdit(const QString& name, int limit);
    // Shows text in a box of createEdit whole, also a stored value or a computed total longer than the entry
    // limit (QLineEdit::setText would cut it); the limit returns once the text fits again.
    static void showText(QLineEdit* box, const QString& text);
    // Writes a box into a field of t, as text or as typed (Field::setAsTyped). A box that still holds the
    // field's value leaves the field as it is: a value longer than the box or the field's width (imported,
    // or written by an older program) survives a write of the record's other boxes.
    enum class Entry { Text, Typed };
    static void storeBox(Table& t, const QString& field, const QLineEdit* box, Entry entry = Entry::Text);
    // A box for a sum: crownLimit characters in a crown store; in a euro store six digits, the comma and two
    // decimals, a point of the numeric pad typed as the comma.
    QLineEdit* createMoneyEdit(const QString& name, int crownLimit);
    MaskEdit* createDateBox(const QString& name, MaskEdit::Mask mask);
    QToolButton* createDayButton(const QString& name);

    Frame* m_main;

private:
    // A failed write must not leave a half-filled record in the buffer; the blank record of "&Nový"
    // stays prepared so that the corrected panel still goes into a new record.
    void abandonWrite(Table& t);
    void keepTypedValues(const RecordChanged& e);

    QMetaObject::Connection m_activation;
    bool m_keeping = false;
    qint64 m_keptAt = 0; // the row id Table1 stood on then
};
