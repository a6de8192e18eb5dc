#include "windows/register/Osoby.h"

#include "core/Shop.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/engine/Names.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/Messages.h"
#include "widgets/OwnerOnly.h"
#include "widgets/WaitCursor.h"
#include "windows/print/TlacProfilu.h"
#include "windows/print/TlacUdajov.h"
#include "windows/register/Zmluvy.h"

#include <QAction>
#include <QCheckBox>
#include <QColor>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {

const QColor Navy(0, 0, 128);
const QColor Red(255, 0, 0);
// The classic inactive caption text colour: the search box stands apart from the record's boxes.
const QColor InactiveCaptionText(212, 208, 200);

// Keys are stored without trailing blanks, so a lookup must not carry them either.
QString keyOf(const QString& boxText)
{
    QString key = boxText;
    while (key.endsWith(u' '))
        key.chop(1);
    return key;
}

} // namespace

TForm3::TForm3(Frame* main)
    : RegisterWindow(main, u"TForm3"_s, u"Záložcovia"_s, Tab::OsobyDbf, Col::LASTNAME,
                     {{Col::BIRTHNUM, u"Rodné číslo"_s},
                      {Col::LASTNAME, u"Priezvisko"_s},
                      {Col::FIRSNAME, u"Meno"_s},
                      {Col::IDCARD, u"Číslo OP"_s},
                      {Col::STREET, u"Ulica"_s},
                      {Col::STREETNO, u"Číslo"_s},
                      {Col::CITY, u"Mesto"_s}},
                     Col::STREET)
{
    const int black = Table1->fieldIndex(Col::BLACK);
    model->setRoleHook([black](const Row& row, int, int role) -> QVariant {
        if (role != Qt::ForegroundRole) return {};
        const QVariant& flag = row.values.at(black);
        if (!flag.isNull() && flag.toInt() != 0) return Red;
        return {};
    });

    buildPanel();

    connect(DBGrid1, &QAbstractItemView::doubleClicked, this, [this] {
        guarded([this] {
            followGrid();
            ShowPersonContracts();
        });
    });
    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { StartNewPerson(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { ShowPersonContracts(); }); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { guarded([this] { DeletePerson(); }); });
    connect(BitBtn4, &QPushButton::clicked, this, [this] { guarded([this] { ShowProfile(); }); });
    connect(BitBtn5, &QPushButton::clicked, this, [this] { guarded([this] { SavePerson(); }); });
    connect(BitBtn6, &QPushButton::clicked, this, [this] { guarded([this] { PrintExpiredContracts(); }); });
    // The grid's own menu: a right click stands on the row first, as a click does.
    Osobndaje1 = new QAction(u"Osobné údaje…"_s, this);
    Osobndaje1->setObjectName(u"Osobndaje1"_s);
    DBGrid1->addAction(Osobndaje1);
    DBGrid1->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(Osobndaje1, &QAction::triggered, this, [this] {
        guarded([this] {
            followGrid();
            ShowPersonalData();
        });
    });
    connect(Edit9, &QLineEdit::textChanged, this, [this] { guarded([this] { Edit9Change(); }); });
}

TForm3::~TForm3() = default;

void TForm3::buildPanel()
{
    DBGrid1->setTabKeyNavigation(true); // Tab and Shift+Tab move between the columns
    DBGrid1->setShowGrid(true);

    Edit1 = createEdit(u"Edit1"_s, 10);
    Edit2 = createEdit(u"Edit2"_s, 10);
    Edit3 = createEdit(u"Edit3"_s, 15);
    Edit4 = createEdit(u"Edit4"_s, 15);
    Edit5 = createEdit(u"Edit5"_s, 18);
    Edit6 = createEdit(u"Edit6"_s, 12);
    Edit7 = createEdit(u"Edit7"_s, 8);
    Edit8 = createEdit(u"Edit8"_s, 80);
    Edit9 = createEdit(u"Edit9"_s, 0);
    // The birth number ends up quoted in the contracts filter; a quote in it would break that filter.
    Edit1->setValidator(new QRegularExpressionValidator(QRegularExpression(u"[^']*"_s), Edit1));
    Edit1->installEventFilter(this);
    QPalette searchPalette = Edit9->palette();
    searchPalette.setColor(QPalette::Base, InactiveCaptionText);
    Edit9->setPalette(searchPalette);

    CheckBox1 = new QCheckBox(u"Nežiadúci"_s, this);
    CheckBox1->setObjectName(u"CheckBox1"_s);

    int labels = 0;
    auto label = [this, &labels](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setObjectName(u"Label"_s + QString::number(++labels));
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, Navy);
        l->setPalette(p);
        l->setBuddy(buddy);
        return l;
    };

    auto* boxes = new QGridLayout;
    boxes->addWidget(label(u"Rodné číslo"_s, Edit1), 0, 0);
    boxes->addWidget(Edit1, 1, 0);
    boxes->addWidget(label(u"Číslo obč. pr."_s, Edit2), 0, 1);
    boxes->addWidget(Edit2, 1, 1);
    boxes->addWidget(label(u"Priezvisko záložcu"_s, Edit3), 0, 2);
    boxes->addWidget(Edit3, 1, 2);
    boxes->addWidget(label(u"Meno záložcu"_s, Edit4), 0, 3);
    boxes->addWidget(Edit4, 1, 3);
    boxes->addWidget(label(u"Ulica záložcu"_s, Edit5), 2, 0);
    boxes->addWidget(Edit5, 3, 0);
    boxes->addWidget(label(u"Mesto záložcu"_s, Edit6), 2, 1);
    boxes->addWidget(Edit6, 3, 1);
    boxes->addWidget(label(u"Číslo ulice"_s, Edit7), 2, 2);
    boxes->addWidget(Edit7, 3, 2);
    boxes->addWidget(label(u"Poznámka k záložcovi"_s, Edit8), 4, 0, 1, 3);
    boxes->addWidget(Edit8, 5, 0, 1, 3);
    boxes->addWidget(CheckBox1, 5, 3);
    boxes->addWidget(label(u"Hľadanie"_s, Edit9), 2, 3);
    boxes->addWidget(Edit9, 3, 3);

    auto button = [this](const char* name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    BitBtn1 = button("BitBtn1", u"&Nový"_s);
    BitBtn2 = button("BitBtn2", u"Z&mluvy"_s);
    BitBtn3 = button("BitBtn3", u"&Zmaž"_s);
    BitBtn4 = button("BitBtn4", u"&Profil"_s);
    BitBtn5 = button("BitBtn5", u"Z&apíš"_s);
    BitBtn6 = button("BitBtn6", u"&Exp. zmluvy"_s);

    auto* buttons = new QGridLayout;
    buttons->addWidget(BitBtn1, 0, 0);
    buttons->addWidget(BitBtn2, 0, 1);
    buttons->addWidget(BitBtn3, 1, 0);
    buttons->addWidget(BitBtn4, 1, 1);
    buttons->addWidget(BitBtn5, 2, 0);
    buttons->addWidget(BitBtn6, 2, 1);
    buttons->setRowStretch(3, 1);

    auto* panel = new QHBoxLayout;
    panel->addLayout(boxes, 1);
    panel->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(panel);

    const QList<QWidget*> order = {DBGrid1, BitBtn2, BitBtn4, BitBtn1, BitBtn3,   Edit1, Edit2,   Edit3,  Edit4,
                                   Edit5,   Edit6,   Edit7,   Edit8,   CheckBox1, Edit9, BitBtn5, BitBtn6};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}

void TForm3::refreshPanel()
{
    ShowCurrentPerson();
}

void TForm3::windowShown()
{
    selectCurrentRow();
    ShowCurrentPerson();
}

void TForm3::windowActivated()
{
    windowShown();
}

void TForm3::modelWasReset()
{
    // After a write elsewhere or a change of tag or filter the rows are others: find ours again once the
    // change is complete.
    QMetaObject::invokeMethod(
        this, [this] { guardedRefresh([this] { selectCurrentRow(); }); }, Qt::QueuedConnection);
}

void TForm3::gridClicked(int)
{
    // The grid's current row, as after a key.
    followGrid();
    ShowCurrentPerson();
}

bool TForm3::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            guarded([this] {
                followGrid();
                ShowPersonContracts();
                PrintExpiredContracts();
            });
            return true;
        }
    }
    if (watched == Edit1 && event->type() == QEvent::FocusOut) {
        // Only leaving for another control of the program counts, not a switch to another window.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            guardedRefresh([this] {
                WarnDuplicateBirthNumber();
                CheckBirthNumber();
            });
        }
    }
    return RegisterWindow::eventFilter(watched, event);
}

void TForm3::selectCurrentRow()
{
    // A new person has no row yet; the grid stays where it was until the clerk moves.
    if (m_selecting || Table1->state() == Table::State::Insert) return;
    m_selecting = true;
    const int row = model->rowCount() > 0 ? model->rowOfCurrent() : -1;
    QItemSelectionModel* selection = DBGrid1->selectionModel();
    if (row >= 0) {
        const int column = qMax(0, DBGrid1->currentIndex().column());
        const QModelIndex index = model->index(row, column);
        selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        DBGrid1->scrollTo(index);
    } else {
        selection->clear();
    }
    m_gridRowId = Table1->rowId();
    m_selecting = false;
}

void TForm3::followGrid()
{
    gotoGridRow(DBGrid1->currentIndex().row());
}

void TForm3::gotoGridRow(int row)
{
    const Row* r = model->rowAt(row);
    if (!r) return;
    // A person being entered belongs to the row the grid stood on; only moving away drops it.
    if (Table1->state() == Table::State::Insert && r->rowid == m_gridRowId) return;
    if (r->rowid != Table1->rowId()) Table1->gotoRowId(r->rowid);
    m_gridRowId = r->rowid;
}

void TForm3::ShowCurrentPerson()
{
    if (keepsTypedValues()) return;
    const struct
    {
        QLineEdit* box;
        QString field;
    } boxes[] = {{Edit1, Col::BIRTHNUM}, {Edit2, Col::IDCARD}, {Edit3, Col::LASTNAME}, {Edit4, Col::FIRSNAME},
                 {Edit5, Col::STREET},   {Edit6, Col::CITY},   {Edit7, Col::STREETNO}, {Edit8, Col::REASON}};
    for (const auto& b : boxes)
        showText(b.box, Table1->field(b.field).asString());
    CheckBox1->setChecked(Table1->field(Col::BLACK).asBoolean());
    noteShown();
}

void TForm3::StartNewPerson()
{
    Table1->insert();
    for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8})
        box->clear();
    Edit1->setFocus(Qt::OtherFocusReason);
}

void TForm3::WarnDuplicateBirthNumber()
{
    if (m_main->shop().Table2->findKey(keyOf(Edit1->text())) && Edit3->text().trimmed().isEmpty())
        Messages::warning(u"Zadané rodné číslo už existuje.\rOpravte ho, aby nevznikla nejednoznačnosť..."_s);
}

bool TForm3::IsPlausibleBirthNumber(const QString& text)
{
    auto digits = [](QStringView part) {
        return !part.isEmpty() && std::all_of(part.begin(), part.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    if (text.size() == 9) return digits(text);
    if (text.size() != 10) return false;
    const QStringView first = QStringView(text).left(9);
    const QStringView check = QStringView(text).right(1);
    if (!digits(first) || !digits(check)) return false;
    return first.toLongLong() % 11 == check.toInt();
}

void TForm3::CheckBirthNumber()
{
    if (!IsPlausibleBirthNumber(Edit1->text())) Messages::warning(u"Pravdepodobne chybné rodné číslo..."_s);
}

void TForm3::writeBoxes(Table& table)
{
    storeBox(table, Col::BIRTHNUM, Edit1);
    storeBox(table, Col::IDCARD, Edit2);
    storeBox(table, Col::LASTNAME, Edit3);
    storeBox(table, Col::FIRSNAME, Edit4);
    storeBox(table, Col::STREET, Edit5);
    storeBox(table, Col::CITY, Edit6);
    storeBox(table, Col::STREETNO, Edit7);
    storeBox(table, Col::REASON, Edit8);
    table.field(Col::BLACK).setAsBoolean(CheckBox1->isChecked());
}

void TForm3::SavePerson()
{
    const QString key = keyOf(Edit1->text());
    Table& shared = *m_main->shop().Table2;
    const bool found = shared.findKey(key);

    // Only the record that is written is ever opened, and a failure leaves it as it was.
    auto store = [this](Table& table, const std::function<void()>& open) {
        postRecord(table, open, [this](Table& t) { writeBoxes(t); });
        m_shown = table.lastPosted(); // the boxes show what was written
    };

    writePanel([&] {
        if (Table1->state() == Table::State::Insert) {
            // Started with "&Nový": a new person even when the number exists; the warning was the guard.
            store(*Table1, [] {});
            return;
        }
        const qint64 current = Table1->rowId();
        const bool currentIsOwner =
            current != 0 && found && (shared.rowId() == current || Table1->field(Col::BIRTHNUM).asString() == key);
        const int birthNumber = Table1->fieldIndex(Col::BIRTHNUM);
        if (currentIsOwner) {
            store(*Table1, [this] { editAsShown(*Table1); });
        } else if (found) {
            // The number belongs to someone else than the person under the cursor (the boxes may still
            // show a person the search moved away from): that person is the one the boxes describe.
            const qint64 owner = shared.rowId();
            store(shared, [this, &shared] { editAsShown(shared); });
            Table1->gotoRowId(owner);
        } else if (m_shown.rowid != 0 && keyOf(m_shown.values.text(birthNumber)) == key) {
            // The person shown is no longer under this number: another counter changed or deleted the
            // record, which the edit or the write finds and tells.
            store(*Table1, [this] { Table1->edit(m_shown); });
        } else {
            store(*Table1, [this] { Table1->append(); });
        }
    });
    refreshAfterWrite();
}

void TForm3::DeletePerson()
{
    if (!ownerOnly(m_main->shop())) return;
    // The names come from the record that goes, not from the boxes, which a search may have left behind.
    const QString text = u"Skutočne mažete osobu\r"_s + Table1->field(Col::LASTNAME).asString() + u' ' +
                         Table1->field(Col::FIRSNAME).asString() + u" ?"_s;
    if (!Messages::question(text)) return;
    removeShown();
    refreshAfterWrite();
}

void TForm3::refreshAfterWrite()
{
    model->refresh();
    selectCurrentRow();
}

void TForm3::ShowPersonContracts()
{
    TForm2* contracts = m_main->form2();
    if (!contracts) return;
    {
        WaitCursor wait;
        Table& t = *contracts->Table1;
        t.setFilter(Filter::equal(t.definition(), Col::BIRTHNUM, Table1->field(Col::BIRTHNUM).asString()));
        t.setFiltered(true);
        contracts->setWindowTitle(u"Zmluvy záložcu: "_s + Table1->field(Col::LASTNAME).asString() + u' ' +
                                  Table1->field(Col::FIRSNAME).asString());
    }
    m_main->showChild(contracts);
}

void TForm3::PrintExpiredContracts()
{
    if (TForm2* contracts = m_main->form2()) contracts->PrintExpiredForPledger();
}

void TForm3::ShowProfile()
{
    m_main->form<TForm9>()->ShowPersonProfile(Edit1->text());
}

void TForm3::ShowPersonalData()
{
    if (!ownerOnly(m_main->shop())) return;
    if (Table1->isEmpty()) return; // nobody in the list
    m_main->form<TFormUdaje>()->ShowPersonalData(Table1->field(Col::BIRTHNUM).asString());
}

void TForm3::Edit9Change()
{
    Table1->findNearest(Edit9->text());
    selectCurrentRow();
}

void TForm3::ShowPerson(const QString& birthNumber)
{
    Table1->setIndexName(Col::BIRTHNUM);
    try {
        Table1->findKey(birthNumber);
    } catch (...) {
        Table1->setIndexName(Col::LASTNAME);
        throw;
    }
    Table1->setIndexName(Col::LASTNAME);
    selectCurrentRow();
    ShowCurrentPerson();
    m_main->showChild(this);
}
