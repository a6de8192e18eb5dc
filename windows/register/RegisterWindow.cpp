#include "windows/register/RegisterWindow.h"
#include <QLineEdit>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QToolButton>

#include "core/Shop.h"
#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Table.h"
#include "widgets/Frame.h"
#include "widgets/GridColumns.h"
#include "widgets/Guard.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTableView>

using namespace Qt::Literals::StringLiterals;

RegisterWindow::RegisterWindow(Frame* main, const QString& name, const QString& title, const QString& file,
                               const QString& tag, QList<TableModel::Column> columns, const QString& spareField)
    : QWidget(nullptr), m_main(main)
{
    setObjectName(name);
    setWindowTitle(title);
    Table1 = new Table(main->shop().store(), file, this);
    Table1->setObjectName(u"Table1"_s);
    Table1->setIndexName(tag);
    Table1->open();

    model = new TableModel(*Table1, std::move(columns), this);

    DBGrid1 = new QTableView(this);
    DBGrid1->setObjectName(u"DBGrid1"_s);
    DBGrid1->setModel(model);
    DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
    DBGrid1->installEventFilter(this);
    int spare = -1;
    for (int c = 0; c < model->columns().size(); ++c)
        if (model->columns().at(c).field == spareField) spare = c;
    new GridColumns(DBGrid1, name, spare);

    // After the grid's own handling of the reset, so that its rows are the new ones.
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        const EventPump::Hold hold; // the grid is between its old rows and the new ones
        modelWasReset();
    });
    connect(DBGrid1, &QTableView::clicked, this,
            [this](const QModelIndex& index) { guarded([&] { gridClicked(index.row()); }); });
    if (QMdiArea* area = main->mdiArea()) {
        m_activation = connect(area, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* sub) {
            if (!sub || sub->widget() != this) return;
            const EventPump::Hold hold; // the MDI area is in the middle of switching its windows
            guardedRefresh([this] { windowActivated(); });
        });
    }
}

RegisterWindow::~RegisterWindow()
{
    // The window's parts go while it is still whole, and nothing they signal reaches it any more: the
    // grid reports losing focus, the closing table its changed view, the model its reset.
    const EventPump::Hold hold;
    DBGrid1->removeEventFilter(this);
    disconnect(m_activation);
    for (QObject* part : {static_cast<QObject*>(DBGrid1), static_cast<QObject*>(model), static_cast<QObject*>(Table1)})
        QObject::disconnect(part, nullptr, this, nullptr);
    delete DBGrid1;
    DBGrid1 = nullptr;
    delete model;
    model = nullptr;
    delete Table1;
    Table1 = nullptr;
}

void RegisterWindow::DisableControls()
{
    if (!model->updatesSuspended()) DBGrid1->setUpdatesEnabled(false);
    model->suspendUpdates();
}

void RegisterWindow::EnableControls()
{
    if (!model->updatesSuspended()) return;
    model->resumeUpdates();
    if (!model->updatesSuspended()) DBGrid1->setUpdatesEnabled(true);
}

void RegisterWindow::followCurrent()
{
    m_keeping = false; // the clerk asked for another record: what was typed goes
    guarded([this] {
        selectCurrentRow();
        refreshPanel();
    });
}

void RegisterWindow::gotoGridRow(int row)
{
    if (const Row* r = model->rowAt(row)) Table1->gotoRowId(r->rowid);
}

void RegisterWindow::selectCurrentRow()
{
    const int row = model->rowOfCurrent();
    if (row < 0)
        DBGrid1->clearSelection();
    else
        DBGrid1->selectRow(row);
}

void RegisterWindow::gridClicked(int row)
{
    gotoGridRow(row);
    refreshPanel();
}

void RegisterWindow::modelWasReset()
{
    guardedRefresh([this] { selectCurrentRow(); });
}

void RegisterWindow::windowShown()
{
    refreshPanel();
}

void RegisterWindow::windowActivated()
{
    refreshPanel();
}

bool RegisterWindow::event(QEvent* event)
{
    const EventPump::HoldFor hold(event);
    return QWidget::event(event);
}

bool RegisterWindow::eventFilter(QObject* watched, QEvent* event)
{
    const EventPump::HoldFor hold(event);
    if (watched == DBGrid1) {
        switch (event->type()) {
        case QEvent::FocusIn:
        case QEvent::FocusOut:
            guardedRefresh([this] { refreshPanel(); });
            break;
        case QEvent::KeyRelease:
            // Keys move the grid's row; the table instance follows it before the panel is filled.
            guarded([this] {
                gotoGridRow(DBGrid1->currentIndex().row());
                refreshPanel();
            });
            break;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void RegisterWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    guardedRefresh([this] { windowShown(); });
}

void RegisterWindow::postRecord(Table& t, const std::function<void()>& open, const std::function<void(Table&)>& fill)
{
    open();
    try {
        fill(t);
        t.post();
    } catch (...) {
        abandonWrite(t);
        throw;
    }
}

void RegisterWindow::writeShown(const std::function<void(Table&)>& fill)
{
    writePanel([&] {
        postRecord(
            *Table1, [this] { Table1->edit(m_shown); }, fill);
    });
}

void RegisterWindow::abandonWrite(Table& t)
{
    const bool inserting = t.state() == Table::State::Insert;
    t.cancel();
    if (inserting && &t == Table1) t.append();
}

void RegisterWindow::noteShown()
{
    m_shown = Table1->record();
}

bool RegisterWindow::keepsTypedValues()
{
    if (m_keeping && Table1->rowId() != m_keptAt) m_keeping = false;
    return m_keeping;
}

void RegisterWindow::editAsShown(Table& t)
{
    if (m_shown.rowid != 0 && t.state() == Table::State::Browse && t.rowId() == m_shown.rowid)
        t.edit(m_shown);
    else
        t.edit();
}

void RegisterWindow::keepTypedValues(const RecordChanged& e)
{
    Table1->cancel();
    // Another record than the one shown (the goods of a contract) leaves the shown one as it was.
    if (e.rowid() == m_shown.rowid && e.table() == Table1->definition().sqlName) {
        bool found = false;
        const Row now = e.gone() ? Row() : Table1->readRecord(m_shown.rowid, &found);
        if (found) {
            m_shown = now; // what the clerk is shown now is what the next write goes over
            Table1->gotoRowId(now.rowid);
        } else {
            m_shown = {};
            Table1->append(); // the boxes go into a new record, as after "&Nový"
        }
    }
    model->refresh();
    selectCurrentRow();
    m_keeping = true;
    m_keptAt = Table1->rowId();
}

void RegisterWindow::removeShown()
{
    m_keeping = false;
    try {
        if (m_shown.rowid != 0 && Table1->state() == Table::State::Browse && Table1->rowId() == m_shown.rowid)
            Table1->remove(m_shown);
        else
            Table1->remove();
    } catch (const RecordChanged&) {
        model->refresh();
        selectCurrentRow();
        refreshPanel();
        throw;
    }
}

QLabel* RegisterWindow::labelFor(const QString& name, const QString& text, QWidget* buddy)
{
    auto* label = new QLabel(text, this);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

QSpinBox* RegisterWindow::createUpDown()
{
    // Only the arrows of the spin box are wanted: the number lives in the box beside it.
    auto* upDown = new QSpinBox(this);
    upDown->setObjectName(u"UpDown1"_s);
    upDown->setRange(0, 100);
    upDown->setFocusPolicy(Qt::NoFocus);
    QStyleOptionSpinBox option;
    option.initFrom(upDown);
    option.frame = true;
    option.subControls = QStyle::SC_SpinBoxUp;
    const QRect arrows = upDown->style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, upDown);
    upDown->setFixedWidth(arrows.width() + 2 * upDown->style()->pixelMetric(QStyle::PM_SpinBoxFrameWidth));
    if (auto* text = upDown->findChild<QLineEdit*>()) text->hide();
    return upDown;
}

QLineEdit* RegisterWindow::createEdit(const QString& name, int limit)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(name);
    if (limit <= 0) return edit;
    edit->setMaxLength(limit);
    connect(edit, &QLineEdit::textChanged, edit, [edit, limit](const QString& text) {
        if (text.size() <= limit && edit->maxLength() != limit) edit->setMaxLength(limit);
    });
    return edit;
}

void RegisterWindow::showText(QLineEdit* box, const QString& text)
{
    if (text.size() > box->maxLength()) box->setMaxLength(int(text.size()));
    box->setText(text);
}

void RegisterWindow::storeBox(Table& t, const QString& field, const QLineEdit* box, Entry entry)
{
    Field f = t.field(field);
    if (box->text() == f.asString()) return;
    if (entry == Entry::Typed)
        f.setAsTyped(box->text());
    else
        f.setAsString(box->text());
}

namespace {

// The numeric pad's decimal key gives a point (or whatever the keyboard layout says); a euro amount takes a comma.
class KeypadComma : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (!(key->modifiers() & Qt::KeypadModifier) || key->text() != u"."_s) return false;
        static_cast<QLineEdit*>(watched)->insert(u","_s);
        return true;
    }
};

} // namespace

QLineEdit* RegisterWindow::createMoneyEdit(const QString& name, int crownLimit)
{
    const bool euro = Table1->store().currency() == Currency::Eur;
    QLineEdit* edit = createEdit(name, euro ? 9 : crownLimit); // 123456,78
    if (euro) edit->installEventFilter(new KeypadComma(edit));
    return edit;
}

MaskEdit* RegisterWindow::createDateBox(const QString& name, MaskEdit::Mask mask)
{
    auto* box = new MaskEdit(mask, this);
    box->setObjectName(name);
    return box;
}

QToolButton* RegisterWindow::createDayButton(const QString& name)
{
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(u"..."_s);
    button->setFocusPolicy(Qt::NoFocus); // the calendar is a mouse shortcut; typing goes box to box
    return button;
}
