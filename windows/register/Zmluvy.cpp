#include "windows/register/Zmluvy.h"

#include "windows/print/TlacZmluvNaMeno.h"
#include "windows/print/TlacZmluvy.h"

#include "core/ArchiveMove.h"
#include "core/ContractRules.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/EventPump.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/Transaction.h"
#include "store/Values.h"
#include "store/engine/Errors.h"
#include "store/engine/Names.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "widgets/MonthCal.h"
#include "widgets/OwnerOnly.h"
#include "widgets/WaitCursor.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The stored key a typed contract number stands for: the store drops trailing blanks.
QString numberKey(const QString& text)
{
    QString key = text;
    while (key.endsWith(u' '))
        key.chop(1);
    return key;
}

bool flagOf(const QVariant& v)
{
    return !v.isNull() && v.toInt() != 0;
}

QDate dateOf(const QVariant& v)
{
    return v.isNull() ? QDate() : QDate::fromString(v.toString(), Qt::ISODate);
}

void storeDate(Table& t, const QString& field, const MaskEdit* box)
{
    // A box without any digit empties the field; anything else must be a real date.
    if (box->isEmptyDate())
        t.field(field).clear();
    else
        t.field(field).setAsString(box->text());
}

} // namespace

TForm2::TForm2(Frame* main)
    : RegisterWindow(main, u"TForm2"_s, u"Zmluvy"_s, Tab::ZmluvyDbf, Col::NUMBER,
                     {{Col::WRK, u"Work"_s},
                      {Col::NUMBER, u"Zmluva"_s},
                      {Col::BIRTHNUM, u"Rodné číslo"_s},
                      {Col::AGRDATE, u"Dátum od"_s},
                      {Col::UNTIL, u"Dátum do"_s},
                      {Col::AMOUNT, u"Suma"_s},
                      {Col::PERCENT, u"Percentá"_s},
                      {Col::WEEKTIME, u"Týždne"_s},
                      {Col::PAID_SUM, u"Zapl. suma"_s},
                      {Col::PAID_DATE, u"Dátum zaplat."_s},
                      {Col::PAID, u"Zaplatené"_s},
                      {Col::RETUDATE, u"Dátum vrátenia"_s},
                      {Col::RETURNED, u"Vrátené"_s},
                      {Col::RETENT, u"Predĺžené"_s},
                      {Col::PADAK, u"Prepadnuté"_s}})
{
    const int returned = Table1->fieldIndex(Col::RETURNED);
    const int until = Table1->fieldIndex(Col::UNTIL);
    const int padak = Table1->fieldIndex(Col::PADAK);
    model->setRoleHook([returned, until, padak](const Row& row, int, int role) -> QVariant {
        if (role != Qt::ForegroundRole) return {};
        const auto colour = RowColour(flagOf(row.values.at(returned)), dateOf(row.values.at(until)),
                                      flagOf(row.values.at(padak)), Clock::today());
        return colour ? QVariant(*colour) : QVariant();
    });

    buildPanel();

    connect(Table1, &Table::viewChanged, this, [this] { CheckBox5->setChecked(Table1->hasActiveFilter()); });
    connect(DBGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        guarded([&] {
            gotoGridRow(index.row());
            DBGrid1DblClick();
        });
    });
    selectCurrentRow();
}

TForm2::~TForm2() = default;

void TForm2::buildPanel()
{
    DBGrid1->setColumnHidden(0, true);

    const QColor navy(0, 0, 128);
    int labelNo = 0;
    const auto label = [&](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setObjectName(u"Label"_s + QString::number(++labelNo));
        QPalette p = l->palette();
        p.setColor(QPalette::WindowText, navy);
        l->setPalette(p);
        l->setBuddy(buddy);
        return l;
    };
    const auto withButton = [this](QWidget* box, QWidget* button) {
        auto* w = new QWidget(this);
        auto* h = new QHBoxLayout(w);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(2);
        h->addWidget(box);
        h->addWidget(button);
        return w;
    };

    Edit1 = createEdit(u"Edit1"_s, 8);
    // The number ends up quoted in the filters of the contract's goods and extensions; a quote in it
    // would break them.
    Edit1->setValidator(new QRegularExpressionValidator(QRegularExpression(u"[^']*"_s), Edit1));
    Edit2 = createEdit(u"Edit2"_s, 0);
    Edit2->setEnabled(false); // filled from the persons window, never typed
    Edit7 = createEdit(u"Edit7"_s, 0);
    Edit7->setReadOnly(true);
    Edit8 = createEdit(u"Edit8"_s, 0);
    Edit8->setReadOnly(true);
    Edit3 = createMoneyEdit(u"Edit3"_s, 6);
    Edit4 = createEdit(u"Edit4"_s, 2);
    Edit5 = createEdit(u"Edit5"_s, 2);
    Edit5->setText(u"0"_s);
    UpDown1 = createUpDown();
    MaskEdit1 = createDateBox(u"MaskEdit1"_s, MaskEdit::Mask::DayMonthOptional);
    MaskEdit2 = createDateBox(u"MaskEdit2"_s, MaskEdit::Mask::DayMonthOptional);
    MaskEdit3 = createDateBox(u"MaskEdit3"_s, MaskEdit::Mask::AllOptional);
    MaskEdit4 = createDateBox(u"MaskEdit4"_s, MaskEdit::Mask::AllOptional);
    SpeedButton1 = createDayButton(u"SpeedButton1"_s);
    SpeedButton2 = createDayButton(u"SpeedButton2"_s);
    SpeedButton3 = createDayButton(u"SpeedButton3"_s);
    SpeedButton4 = createDayButton(u"SpeedButton4"_s);
    Edit9 = createEdit(u"Edit9"_s, 0);
    Edit9->setFocusPolicy(Qt::ClickFocus);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(u"ComboBox1"_s);
    ComboBox1->setEditable(true);
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    m_normalText = ComboBox1->palette().color(QPalette::Text);
    Edit6 = createMoneyEdit(u"Edit6"_s, 6);
    GroupBox1 = new QGroupBox(u"Vlastnosti"_s, this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    CheckBox1 = new QCheckBox(u"Zaplat&ené"_s, GroupBox1);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    CheckBox2 = new QCheckBox(u"&Vrátené"_s, GroupBox1);
    CheckBox2->setObjectName(u"CheckBox2"_s);
    CheckBox3 = new QCheckBox(u"Prep&adnuté"_s, GroupBox1);
    CheckBox3->setObjectName(u"CheckBox3"_s);
    CheckBox4 = new QCheckBox(u"P&redĺžené"_s, GroupBox1);
    CheckBox4->setObjectName(u"CheckBox4"_s);
    auto* boxes = new QGridLayout(GroupBox1);
    boxes->addWidget(CheckBox1, 0, 0);
    boxes->addWidget(CheckBox2, 0, 1);
    boxes->addWidget(CheckBox3, 1, 0);
    boxes->addWidget(CheckBox4, 1, 1);
    Edit11 = createEdit(u"Edit11"_s, 0);
    ListBox1 = new QListWidget(this);
    ListBox1->setObjectName(u"ListBox1"_s);
    ListBox1->setFocusPolicy(Qt::ClickFocus);
    // The list fills the two rows beside it rather than making them taller; it scrolls.
    ListBox1->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Ignored);
    ListBox1->setMinimumHeight(ListBox1->fontMetrics().height() * 3);
    CheckBox5 = new QCheckBox(u"Filter"_s, this);
    CheckBox5->setObjectName(u"CheckBox5"_s);
    CheckBox5->setEnabled(false); // an indicator of the view, not a switch
    CheckBox5->setChecked(Table1->hasActiveFilter());

    const auto button = [this](const QString& name, const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        return b;
    };
    BitBtn2 = button(u"BitBtn2"_s, u"&Nový"_s);
    BitBtn5 = button(u"BitBtn5"_s, u"&Zmaž"_s);
    BitBtn4 = button(u"BitBtn4"_s, u"Z&apíš"_s);
    BitBtn3 = button(u"BitBtn3"_s, u"&Tlač"_s);
    BitBtn6 = button(u"BitBtn6"_s, u"P&redĺženia"_s);
    BitBtn6->setEnabled(false);
    BitBtn1 = button(u"BitBtn1"_s, u"&Predmety"_s);

    // Four rows, each label right above its control (a cell of its own, so that the taller group and
    // goods list, which reach into row three, never pull a label away from its box).
    auto* panel = new QGridLayout;
    panel->setVerticalSpacing(4);
    const auto put = [&](int row, int column, const QString& text, QWidget* control, QWidget* buddy = nullptr,
                         int rowSpan = 1) {
        auto* cell = new QVBoxLayout;
        cell->setSpacing(2);
        cell->addWidget(label(text, buddy ? buddy : control));
        cell->addWidget(control, rowSpan > 1 ? 1 : 0);
        if (rowSpan == 1) cell->addStretch();
        panel->addLayout(cell, row, column, rowSpan, 1);
    };
    auto* weeks = new QWidget(this);
    auto* weeksLayout = new QHBoxLayout(weeks);
    weeksLayout->setContentsMargins(0, 0, 0, 0);
    weeksLayout->setSpacing(0);
    weeksLayout->addWidget(Edit5);
    weeksLayout->addWidget(UpDown1);

    put(0, 0, u"Zmluva č."_s, Edit1);
    put(0, 1, u"Rodné číslo zálož."_s, Edit2);
    put(0, 2, u"Priezvisko záložcu"_s, Edit7);
    put(0, 3, u"Meno záložcu"_s, Edit8);
    put(0, 4, u"Zaplat. dňa"_s, withButton(MaskEdit3, SpeedButton3), MaskEdit3);
    put(0, 5, u"Hľadanie zmluvy"_s, Edit11);
    put(1, 0, u"Založená suma"_s, Edit3);
    put(1, 1, u"%"_s, Edit4);
    put(1, 2, u"Týždne"_s, weeks, Edit5);
    put(1, 3, u"Dátum vystav."_s, withButton(MaskEdit1, SpeedButton1), MaskEdit1);
    panel->addWidget(GroupBox1, 1, 4, 2, 1);
    put(1, 5, u"Zaplat. suma"_s, Edit6);
    put(1, 6, u"Založené predmety"_s, ListBox1, nullptr, 2);
    put(2, 0, u"Suma celkom"_s, Edit9);
    put(2, 1, u"Čistý príjem"_s, ComboBox1);
    put(2, 2, u"Vypršanie"_s, withButton(MaskEdit2, SpeedButton2), MaskEdit2);
    put(2, 3, u"Vrátené dňa"_s, withButton(MaskEdit4, SpeedButton4), MaskEdit4);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CheckBox5);
    buttons->addStretch();
    for (QPushButton* b : {BitBtn2, BitBtn5, BitBtn4, BitBtn3, BitBtn6, BitBtn1})
        buttons->addWidget(b);
    panel->addLayout(buttons, 3, 0, 1, 7);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(panel);

    QWidget* order[] = {DBGrid1,   Edit1,     MaskEdit1, Edit3,     Edit4,  Edit5,     MaskEdit2, CheckBox1,
                        CheckBox2, CheckBox3, CheckBox4, MaskEdit3, Edit6,  MaskEdit4, BitBtn1,   BitBtn3,
                        BitBtn4,   BitBtn2,   BitBtn5,   BitBtn6,   Edit11, ComboBox1};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // The spin arrows step the weeks box; typing in the box moves the arrows' position along.
    connect(UpDown1, &QSpinBox::valueChanged, this, [this](int value) {
        if (Values::wholeNumber(Edit5->text()) != value) showText(Edit5, QString::number(value));
    });
    connect(Edit5, &QLineEdit::textChanged, this, [this](const QString& text) {
        const auto n = Values::wholeNumber(text);
        if (n && *n >= UpDown1->minimum() && *n <= UpDown1->maximum()) {
            const QSignalBlocker block(UpDown1);
            UpDown1->setValue(int(*n));
        }
    });
    connect(CheckBox4, &QCheckBox::toggled, BitBtn6, &QPushButton::setEnabled);

    MERVANA_ON(BitBtn2, &QPushButton::clicked, this, StartNewContract);
    MERVANA_ON(BitBtn5, &QPushButton::clicked, this, BitBtn5Click);
    connect(BitBtn4, &QPushButton::clicked, this, [this] { guarded([this] { WriteContract(); }); });
    MERVANA_ON(BitBtn3, &QPushButton::clicked, this, OpenContractPrint);
    MERVANA_ON(BitBtn6, &QPushButton::clicked, this, BitBtn6Click);
    MERVANA_ON(BitBtn1, &QPushButton::clicked, this, BitBtn1Click);
    MERVANA_ON(Edit11, &QLineEdit::textChanged, this, Edit11Change);
    const std::pair<QToolButton*, MaskEdit*> pickers[] = {
        {SpeedButton1, MaskEdit1}, {SpeedButton2, MaskEdit2}, {SpeedButton3, MaskEdit3}, {SpeedButton4, MaskEdit4}};
    for (const auto& [b, box] : pickers)
        connect(b, &QToolButton::clicked, this, [this, box] { guarded([&] { PickDay(m_main, box); }); });

    for (QObject* o :
         {static_cast<QObject*>(Edit4), static_cast<QObject*>(Edit5), static_cast<QObject*>(CheckBox1),
          static_cast<QObject*>(CheckBox2), static_cast<QObject*>(CheckBox3), static_cast<QObject*>(CheckBox4)})
        o->installEventFilter(this);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1) return RegisterWindow::eventFilter(watched, event);
    if (event->type() == QEvent::FocusOut) {
        // Leaving the box for another control, not the window being left for a moment.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return false;
        if (watched == Edit4) guarded([this] { Edit4Exit(); });
        if (watched == Edit5) guarded([this] { Edit5Exit(); });
        return false;
    }
    if (event->type() == QEvent::MouseButtonRelease) {
        // The boxes act on a mouse release that toggles them; Space toggles only the box. The box
        // handles the release first, so the handlers see the new state.
        auto* box = qobject_cast<QCheckBox*>(watched);
        void (TForm2::*handler)() = box == CheckBox1   ? &TForm2::CheckBox1Click
                                    : box == CheckBox2 ? &TForm2::CheckBox2Click
                                    : box == CheckBox3 ? &TForm2::CheckBox3Click
                                    : box == CheckBox4 ? &TForm2::CheckBox4Click
                                                       : nullptr;
        if (!handler) return false;
        const bool before = box->isChecked();
        static_cast<QObject*>(box)->event(event); // public through QObject, dispatched to the box
        if (box->isChecked() != before) guarded([this, handler] { (this->*handler)(); });
        return true;
    }
    return false;
}

std::optional<QColor> TForm2::RowColour(bool returned, const QDate& until, bool forfeited, const QDate& today)
{
    std::optional<QColor> colour;
    if (returned) colour = QColor(128, 128, 128);
    if (until.isValid() && until > today) colour = QColor(0, 128, 0);
    if (forfeited) colour = QColor(0, 0, 255);
    return colour;
}

void TForm2::selectCurrentRow()
{
    QItemSelectionModel* selection = DBGrid1->selectionModel();
    const int row = model->rowOfCurrent();
    if (row < 0) {
        selection->clear();
        return;
    }
    const QModelIndex index = model->index(row, 1);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    DBGrid1->scrollTo(index);
}

void TForm2::modelWasReset()
{
    // Outside the error boundary: a failure goes to whatever reset the model.
    selectCurrentRow();
}

void TForm2::refreshPanel()
{
    ShowContract();
}

void TForm2::gotoGridRow(int row)
{
    if (const Row* r = model->rowAt(row); r && r->rowid != Table1->rowId()) Table1->gotoRowId(r->rowid);
}

void TForm2::gridClicked(int row)
{
    DBGrid1CellClick(row);
}

void TForm2::DBGrid1CellClick(int row)
{
    gotoGridRow(row);
    ShowContract();
}

void TForm2::ShowContract()
{
    if (keepsTypedValues()) return;
    if (m_showing) {
        m_showAgain = true;
        return;
    }
    m_showing = true;
    struct Done
    {
        bool& flag;
        ~Done() { flag = false; }
    } done{m_showing};
    do {
        m_showAgain = false;
        fillPanel();
    } while (m_showAgain);
}

void TForm2::fillPanel()
{
    // Everything is read before anything is shown: the events let through below may move the cursors.
    Table& t = *Table1;
    const QString number = t.field(Col::NUMBER).asString();
    const QString birthNumber = t.field(Col::BIRTHNUM).asString();
    const double amount = t.field(Col::AMOUNT).asFloat();
    const bool paid = t.field(Col::PAID).asBoolean();
    const bool returned = t.field(Col::RETURNED).asBoolean();
    const bool forfeited = t.field(Col::PADAK).asBoolean();
    const bool extended = t.field(Col::RETENT).asBoolean();
    const double paidSum = t.field(Col::PAID_SUM).asFloat();

    showText(Edit1, number);
    Edit2->setText(birthNumber);
    showText(Edit3, t.field(Col::AMOUNT).asString());
    showText(Edit4, t.field(Col::PERCENT).asString());
    showText(Edit5, t.field(Col::WEEKTIME).asString());
    showText(Edit6, t.field(Col::PAID_SUM).asString());

    Table& persons = *m_main->shop().Table2;
    if (persons.findKey(birthNumber)) {
        Edit7->setText(persons.field(Col::LASTNAME).asString());
        Edit8->setText(persons.field(Col::FIRSNAME).asString());
        // Browsing must go on past a contract whose total cannot be computed: the box stays empty.
        std::optional<QString> total;
        try {
            total = ContractRules::TotalToRepayText(Edit3->text(), Edit4->text(), t.store().currency());
        } catch (const ConversionError&) {
            total.reset();
        }
        Edit9->setText(total.value_or(QString()));
    } else {
        Edit7->clear();
        Edit8->clear();
        Edit9->clear();
    }

    MaskEdit1->setDate(t.field(Col::AGRDATE).asDate());
    MaskEdit2->setDate(t.field(Col::UNTIL).asDate());
    MaskEdit3->setDate(t.field(Col::PAID_DATE).asDate());
    MaskEdit4->setDate(t.field(Col::RETUDATE).asDate());

    CheckBox1->setChecked(paid);
    CheckBox2->setChecked(returned);
    CheckBox3->setChecked(forfeited);
    CheckBox4->setChecked(extended);
    BitBtn6->setEnabled(extended);
    CheckBox5->setChecked(t.hasActiveFilter());
    noteShown();

    // Children of a contract hang on its number; a record without one has none.
    QList<double> payments;
    QList<double> sales;
    QStringList subjects;
    if (!number.isEmpty()) {
        if (extended) {
            Table& ext = *m_main->shop().Table3;
            if (ext.findKey(number))
                for (; !ext.eof() && ext.field(Col::NUMBER).asString() == number; ext.next())
                    payments << ext.field(Col::X_PAID).asFloat();
        }
        Table& goods = *m_main->shop().Table4;
        if (goods.findKey(number))
            for (; !goods.eof() && goods.field(Col::NUMBER).asString() == number; goods.next()) {
                sales << goods.field(Col::PRED_SUMA).asFloat();
                subjects << goods.field(Col::SUBJECT).asString();
            }
    }
    ContractRules::NetIncomeResult income;
    QString incomeError;
    try {
        income = ContractRules::NetIncome(amount, paid, paidSum, extended, payments, sales, t.store().currency());
    } catch (const ConversionError& e) {
        // A stored sum no figure can hold (written by another program): the panel says so, and
        // browsing goes on, rather than showing a wrapped-round figure.
        incomeError = e.text();
    }

    ComboBox1->clear();
    ListBox1->clear();
    ListBox1->addItems(subjects);
    const Currency currency = t.store().currency();
    for (qsizetype i = 0; i < income.amounts.size(); ++i) {
        ComboBox1->addItem(income.amounts.at(i).text(currency));
        // Long lists keep the screen painting; the clerk's clicks wait, or a click that started this
        // refresh (the grid gaining focus) would lose its own release.
        if (i > 0) EventPump::breathe();
    }
    if (incomeError.isEmpty())
        setNetIncome(income.total.text(currency), income.total < Money());
    else
        setNetIncome(incomeError, true);

    const QSignalBlocker block(Edit11); // clearing the search box is no search
    Edit11->clear();
}

void TForm2::setNetIncome(const QString& text, bool negative)
{
    ComboBox1->setEditText(text);
    QPalette p = ComboBox1->palette();
    p.setColor(QPalette::Text, negative ? QColor(Qt::red) : m_normalText);
    ComboBox1->setPalette(p);
}

void TForm2::ShowTotal()
{
    if (const auto total = ContractRules::TotalToRepayText(Edit3->text(), Edit4->text(), Table1->store().currency()))
        Edit9->setText(*total);
}

void TForm2::Edit4Exit()
{
    ShowTotal();
}

void TForm2::Edit5Exit()
{
    if (const auto due = ContractRules::DueDateFromWeeks(MaskEdit1->text(), Edit5->text())) MaskEdit2->setText(*due);
}

void TForm2::StartNewContract()
{
    // After the highest number of all contracts, whatever the view shows (the frame's instance is never
    // filtered), the archived ones included: a number handed out again would stand twice once they come back.
    const QString number =
        ContractRules::NextContractNumber(ArchiveMove::highestNumber(*m_main->shop().Table1), Clock::today());

    m_proposedNumber = number;
    Table1->append();
    DBGrid1->selectionModel()->clear();
    // Focus first: leaving the grid refreshes the panel, which must not wipe the proposal.
    Edit1->setFocus();

    Table& person = *m_main->form3()->Table1;
    showText(Edit1, number);
    Edit2->setText(person.field(Col::BIRTHNUM).asString());
    Edit7->setText(person.field(Col::LASTNAME).asString());
    Edit8->setText(person.field(Col::FIRSNAME).asString());
    for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit6, Edit9})
        e->clear();
    ComboBox1->clear();
    setNetIncome(QString(), false);
    MaskEdit1->setDate(Clock::today());
    for (MaskEdit* m : {MaskEdit2, MaskEdit3, MaskEdit4})
        m->setDate(QDate());
    for (QCheckBox* b : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        b->setChecked(false);
    ListBox1->clear();
}

bool TForm2::WriteContract()
{
    return WriteContract({});
}

bool TForm2::WriteContract(const std::function<void()>& alongside)
{
    if (!m_main->shop().Table2->findKey(Edit2->text())) {
        Messages::error(u"Rodné číslo nebolo nájdené..."_s);
        return false;
    }
    const bool inserting = Table1->state() == Table::State::Insert;
    // A contract begun with "&Nový" on a server that other counters share: its number must still be free.
    // (A number the clerk typed over the proposal names the contract to write, as on a single counter.)
    const bool newOnServer =
        inserting && m_main->shop().store().isServer() && numberKey(Edit1->text()) == numberKey(m_proposedNumber);
    // A blank record from "&Nový" that the panel was never stored into goes now, whatever is written.
    if (inserting && !Table1->modified()) Table1->cancel();
    if (Table1->indexName() != Col::NUMBER) Table1->setIndexName(Col::NUMBER);
    // The number is the key over all contracts: look it up where no view hides any of them.
    Table& all = *m_main->shop().Table1;
    const QString key = numberKey(Edit1->text());
    // Another counter may have taken the number since "&Nový" proposed it: heard of already, or refused by
    // the server's unique index when this one stores it.
    m_main->shop().store().takeRemoteChanges();
    if (newOnServer && all.findKey(key)) return ProposeFreeNumber(key);
    const int numberField = Table1->fieldIndex(Col::NUMBER);
    const bool showsKey = !inserting && m_shown.rowid != 0 && numberKey(m_shown.values.text(numberField)) == key;
    bool proposed = false; // the number was taken meanwhile: the next free one goes into the panel
    // The contract and what goes with it (the flag of its goods) land together or not at all.
    auto store = [&](Table& t, const std::function<void()>& open) {
        std::optional<Transaction> tx;
        if (alongside) tx.emplace(m_main->shop().store());
        postRecord(t, open, [this](Table& into) { StoreContractFields(into); });
        if (alongside) alongside();
        if (tx) tx->commit();
        m_shown = t.lastPosted(); // the panel is not filled again: it shows what was written
    };
    writePanel([&] {
        if (all.findKey(key)) {
            if (Table1->gotoRowId(all.rowId()))
                store(*Table1, [this] { editAsShown(*Table1); });
            else // hidden by the view: written where it is seen, the grid keeps its view
                store(all, [this, &all] { editAsShown(all); });
        } else if (showsKey) {
            // The contract shown is no longer under its number: another counter changed or deleted it, which
            // the edit or the write finds and tells.
            store(*Table1, [this] { Table1->edit(m_shown); });
        } else {
            try {
                store(*Table1, [this] { Table1->append(); });
            } catch (const KeyViolation&) {
                proposed = true;
            }
        }
    });
    if (proposed) return ProposeFreeNumber(key);
    selectCurrentRow();

    if (!m_main->shop().Table4->findKey(key)) Messages::warning(u"Zmluva bola zapísaná bez založených predmetov..."_s);
    return true;
}

bool TForm2::ProposeFreeNumber(const QString& taken)
{
    m_main->shop().store().touchAll(); // read anew: what the other counter stored is committed by now
    const QString number =
        ContractRules::NextContractNumber(ArchiveMove::highestNumber(*m_main->shop().Table1), Clock::today());
    if (Table1->state() != Table::State::Insert) Table1->append();
    m_proposedNumber = number;
    showText(Edit1, number);
    Messages::error(
        u"Číslo zmluvy %1 medzitým zapísala iná pokladňa.\rZmluva dostane číslo %2, zapíšte ju znova."_s.arg(taken,
                                                                                                             number));
    return false;
}

void TForm2::StoreContractFields(Table& t)
{
    storeBox(t, Col::NUMBER, Edit1);
    storeBox(t, Col::BIRTHNUM, Edit2);
    storeBox(t, Col::AMOUNT, Edit3, Entry::Typed);
    storeBox(t, Col::PERCENT, Edit4, Entry::Typed);
    storeBox(t, Col::WEEKTIME, Edit5, Entry::Typed);
    storeBox(t, Col::PAID_SUM, Edit6, Entry::Typed);
    t.field(Col::PAID).setAsBoolean(CheckBox1->isChecked());
    t.field(Col::RETURNED).setAsBoolean(CheckBox2->isChecked());
    t.field(Col::PADAK).setAsBoolean(CheckBox3->isChecked());
    t.field(Col::RETENT).setAsBoolean(CheckBox4->isChecked());
    storeDate(t, Col::AGRDATE, MaskEdit1);
    storeDate(t, Col::UNTIL, MaskEdit2);
    storeDate(t, Col::PAID_DATE, MaskEdit3);
    storeDate(t, Col::RETUDATE, MaskEdit4);
}

void TForm2::MarkContractGoods(const QString& flagField, bool state)
{
    Table& goods = *m_main->shop().Table4;
    const QString number = numberKey(Edit1->text());
    if (!goods.findKey(number)) return;
    WaitCursor wait;
    Transaction tx(m_main->shop().store()); // every item of the contract, or none
    try {
        for (; !goods.eof() && goods.field(Col::NUMBER).asString() == number; goods.next()) {
            goods.edit();
            goods.field(flagField).setAsBoolean(state);
            goods.post();
        }
    } catch (...) {
        goods.cancel();
        throw;
    }
    tx.commit();
}

void TForm2::CheckBox1Click()
{
    if (CheckBox1->isChecked()) {
        MaskEdit3->setDate(Clock::today());
        showText(Edit6, Edit9->text());
    } else {
        MaskEdit3->setDate(QDate());
        Edit6->clear();
    }
    WriteContract();
}

void TForm2::CheckBox2Click()
{
    MaskEdit4->setDate(CheckBox2->isChecked() ? Clock::today() : QDate());
    const bool state = CheckBox2->isChecked();
    WriteContract([this, state] { MarkContractGoods(Col::VRATENE, state); });
}

void TForm2::CheckBox3Click()
{
    const bool state = CheckBox3->isChecked();
    WriteContract([this, state] { MarkContractGoods(Col::PREPADNUTE, state); });
}

void TForm2::CheckBox4Click()
{
    if (WriteContract()) ShowContract();
}

void TForm2::BitBtn5Click()
{
    if (!ownerOnly(m_main->shop())) return;
    ShowContract();
    if (!Messages::question(u"Skutočne mažete zmluvu\r"_s + Table1->field(Col::NUMBER).asString() + u" ?"_s)) return;
    removeShown();
    selectCurrentRow();
}

void TForm2::BitBtn6Click()
{
    if (!CheckBox4->isChecked()) return;
    TForm7* extensions = m_main->form7();
    {
        WaitCursor wait;
        Table& t = *extensions->Table1;
        const QString number = Table1->field(Col::NUMBER).asString();
        t.setIndexName(Col::NUMBER);
        t.findKey(numberKey(Edit1->text()));
        t.setFilter(Filter::equal(t.definition(), Col::NUMBER, number));
        t.setFiltered(true);
        extensions->setWindowTitle(u"Predĺženia k zmluve: "_s + number);
    }
    m_main->showChild(extensions);
}

void TForm2::BitBtn1Click()
{
    TForm4* goods = m_main->form4();
    {
        WaitCursor wait;
        Table& t = *goods->Table1;
        t.setIndexName(Col::NUMBER);
        t.setFilter(Filter::equal(t.definition(), Col::NUMBER, Table1->field(Col::NUMBER).asString()));
        t.setFiltered(true);
        goods->setWindowTitle(u"Založené predmety na zmluve"_s);
    }
    m_main->showChild(goods);
}

void TForm2::Edit11Change()
{
    Table1->findNearest(Edit11->text());
    selectCurrentRow();
}

void TForm2::DBGrid1DblClick()
{
    m_main->form3()->ShowPerson(Table1->field(Col::BIRTHNUM).asString());
}

void TForm2::OpenContractPrint()
{
    // Created on first use; showing it activates it, which fills it from this panel.
    m_main->showChild(m_main->form<TForm6>());
}

void TForm2::PrintExpiredForPledger()
{
    const QString birthNumber = Edit2->text();
    const auto pledger = PledgerExpiredList::findPledger(m_main->shop(), birthNumber);
    if (!pledger) return;
    Edit7->setText(pledger->lastName);
    Edit8->setText(pledger->firstName);
    m_main->form<TForm17>()->Print(birthNumber, *pledger);
}
