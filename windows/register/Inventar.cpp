#include "windows/register/Inventar.h"

#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/engine/Names.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/MaskEdit.h"
#include "widgets/MonthCal.h"
#include "widgets/OwnerOnly.h"
#include "windows/register/Zmluvy.h"

#include <QCheckBox>
#include <QColor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TForm4::TForm4(Frame* main)
    : RegisterWindow(main, u"TForm4"_s, u"Založené predmety"_s, Tab::InventarDbf, Col::NUMBER,
                     {{Col::WRK, u"Work"_s},
                      {Col::NUMBER, u"Zmluva"_s},
                      {Col::SUBJECT, u"Založený predmet"_s},
                      {Col::PRED_SUMA, u"Suma predaja"_s},
                      {Col::PRED_DATUM, u"Dátum predaja"_s},
                      {Col::PREDANE, u"Predané"_s},
                      {Col::PREPADNUTE, u"Prepadnuté"_s},
                      {Col::VRATENE, u"Vrátené"_s},
                      {Col::SUMA1, u"Založená suma"_s},
                      {Col::SUMA2, u"Predajná cena"_s}},
                     Col::SUBJECT)
{
    const int forfeited = Table1->fieldIndex(Col::PREPADNUTE);
    const int sold = Table1->fieldIndex(Col::PREDANE);
    model->setRoleHook([forfeited, sold](const Row& row, int, int role) -> QVariant {
        if (role != Qt::ForegroundRole) return {};
        // Sold wins over forfeited: the stock for sale is blue, what has left it green.
        if (row.values.value(sold).toBool()) return QColor(0, 128, 0);
        if (row.values.value(forfeited).toBool()) return QColor(0, 0, 255);
        return {};
    });
    DBGrid1->hideColumn(0);

    Edit1 = createEdit(u"Edit1"_s, 0);
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::ClickFocus);
    Edit2 = createEdit(u"Edit2"_s, 45);
    MaskEdit1 = createDateBox(u"MaskEdit1"_s, MaskEdit::Mask::AllOptional);
    SpeedButton1 = createDayButton(u"SpeedButton1"_s);
    Edit3 = createMoneyEdit(u"Edit3"_s, 9);
    Edit4 = createMoneyEdit(u"Edit4"_s, 9);
    Edit5 = createMoneyEdit(u"Edit5"_s, 9);

    GroupBox1 = new QGroupBox(u"Nastavenia"_s, this);
    GroupBox1->setObjectName(u"GroupBox1"_s);
    CheckBox1 = new QCheckBox(u"&Vrátené"_s, GroupBox1);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    CheckBox1->setEnabled(false); // handed back and forfeited follow the contract, not this window
    CheckBox2 = new QCheckBox(u"&Prepadnuté"_s, GroupBox1);
    CheckBox2->setObjectName(u"CheckBox2"_s);
    CheckBox2->setEnabled(false);
    CheckBox3 = new QCheckBox(u"P&redané"_s, GroupBox1);
    CheckBox3->setObjectName(u"CheckBox3"_s);
    auto* groupLayout = new QVBoxLayout(GroupBox1);
    groupLayout->addWidget(CheckBox1);
    groupLayout->addWidget(CheckBox2);
    groupLayout->addWidget(CheckBox3);

    CheckBox4 = new QCheckBox(u"Filter"_s, this);
    CheckBox4->setObjectName(u"CheckBox4"_s);
    CheckBox4->setEnabled(false);

    BitBtn1 = new QPushButton(u"&Nový"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn2 = new QPushButton(u"&Zmaž"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn3 = new QPushButton(u"Z&apíš"_s, this);
    BitBtn3->setObjectName(u"BitBtn3"_s);

    // Labels above their boxes: row 1 contract and item, row 2 the sale and the two values.
    auto* fields = new QGridLayout;
    fields->addWidget(labelFor(u"Label1"_s, u"Zmluva č."_s, Edit1), 0, 0);
    fields->addWidget(labelFor(u"Label2"_s, u"Založený predmet"_s, Edit2), 0, 1, 1, 3);
    fields->addWidget(Edit1, 1, 0);
    fields->addWidget(Edit2, 1, 1, 1, 3);
    fields->addWidget(labelFor(u"Label3"_s, u"Dátum predaja"_s, MaskEdit1), 2, 0);
    fields->addWidget(labelFor(u"Label4"_s, u"Suma predaja"_s, Edit3), 2, 1);
    fields->addWidget(labelFor(u"Label5"_s, u"Záložná hodnota"_s, Edit4), 2, 2);
    fields->addWidget(labelFor(u"Label6"_s, u"Predajná cena"_s, Edit5), 2, 3);
    auto* dateBox = new QHBoxLayout;
    dateBox->setSpacing(0);
    dateBox->addWidget(MaskEdit1);
    dateBox->addWidget(SpeedButton1);
    fields->addLayout(dateBox, 3, 0);
    fields->addWidget(Edit3, 3, 1);
    fields->addWidget(Edit4, 3, 2);
    fields->addWidget(Edit5, 3, 3);
    fields->addWidget(CheckBox4, 4, 0);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();

    auto* panel = new QHBoxLayout;
    panel->addLayout(fields, 1);
    panel->addWidget(GroupBox1, 0, Qt::AlignTop);
    panel->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(panel);

    setTabOrder(DBGrid1, Edit2);
    setTabOrder(Edit2, MaskEdit1);
    setTabOrder(MaskEdit1, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Edit5);
    setTabOrder(Edit5, CheckBox3);
    setTabOrder(CheckBox3, BitBtn3);
    setTabOrder(BitBtn3, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    MERVANA_ON(BitBtn1, &QPushButton::clicked, this, StartNewItem);
    MERVANA_ON(BitBtn2, &QPushButton::clicked, this, BitBtn2Click);
    MERVANA_ON(BitBtn3, &QPushButton::clicked, this, WriteItem);
    // clicked comes with the release of the button over the box, after it has toggled.
    MERVANA_ON(CheckBox3, &QCheckBox::clicked, this, CheckBox3MouseUp);
    MERVANA_ON(SpeedButton1, &QToolButton::clicked, this, SpeedButton1Click);
    connect(DBGrid1, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        guarded([&] {
            gotoGridRow(index.row());
            DBGrid1DblClick();
        });
    });
}

void TForm4::refreshPanel()
{
    ShowItem();
}

// Shown anew, the grid also finds the item again.
void TForm4::windowShown()
{
    ShowItem();
    selectCurrentRow();
}

void TForm4::ShowItem()
{
    CheckBox4->setChecked(Table1->hasActiveFilter());
    // The blank record of "&Nový" has nothing to show; the panel holds its proposal.
    if (Table1->state() == Table::State::Insert || keepsTypedValues()) return;
    showText(Edit1, Table1->field(Col::NUMBER).asString());
    showText(Edit2, Table1->field(Col::SUBJECT).asString());
    showText(Edit3, Table1->field(Col::PRED_SUMA).asString());
    showText(Edit4, Table1->field(Col::SUMA1).asString());
    showText(Edit5, Table1->field(Col::SUMA2).asString());
    CheckBox1->setChecked(Table1->field(Col::VRATENE).asBoolean());
    CheckBox2->setChecked(Table1->field(Col::PREPADNUTE).asBoolean());
    CheckBox3->setChecked(Table1->field(Col::PREDANE).asBoolean());
    MaskEdit1->setDate(Table1->field(Col::PRED_DATUM).asDate());
    noteShown();
}

void TForm4::StartNewItem()
{
    // The item belongs to the contract selected in the contracts window, whatever this window shows.
    Table* contracts = m_main->form2()->Table1;
    Edit1->setText(contracts->field(Col::NUMBER).asString());
    Edit2->clear();
    Edit3->clear();
    Edit5->clear();
    MaskEdit1->setText(QString());
    showText(Edit4, contracts->field(Col::AMOUNT).asString());
    CheckBox1->setChecked(false);
    CheckBox2->setChecked(false);
    CheckBox3->setChecked(false);
    Edit2->setFocus();
    Table1->append();
    DBGrid1->clearSelection();
}

void TForm4::WriteItem()
{
    writeShown([this](Table& t) { storePanel(t); });
    // The stored item may have left the view (sold in the for-sale view, or an item of another
    // contract): the panel must show the record the next "Z&apíš" would write into.
    ShowItem();
    selectCurrentRow();
}

void TForm4::storePanel(Table& t)
{
    storeBox(t, Col::NUMBER, Edit1);
    storeBox(t, Col::SUBJECT, Edit2);
    t.field(Col::VRATENE).setAsBoolean(CheckBox1->isChecked());
    t.field(Col::PREPADNUTE).setAsBoolean(CheckBox2->isChecked());
    t.field(Col::PREDANE).setAsBoolean(CheckBox3->isChecked());
    storeBox(t, Col::PRED_SUMA, Edit3, Entry::Typed);
    storeBox(t, Col::SUMA1, Edit4, Entry::Typed);
    storeBox(t, Col::SUMA2, Edit5, Entry::Typed);
    if (MaskEdit1->isEmptyDate())
        t.field(Col::PRED_DATUM).clear();
    else
        t.field(Col::PRED_DATUM).setAsString(MaskEdit1->text());
}

void TForm4::CheckBox3MouseUp()
{
    if (CheckBox3->isChecked())
        MaskEdit1->setDate(Clock::today());
    else
        MaskEdit1->setText(QString());
    WriteItem();
}

void TForm4::BitBtn2Click()
{
    if (!ownerOnly(m_main->shop())) return;
    ShowItem();
    if (!Messages::question(u"Skutočne mažete predmet\r"_s + Table1->field(Col::SUBJECT).asString() + u" ?"_s)) return;
    removeShown();
    ShowItem();
    selectCurrentRow();
}

void TForm4::DBGrid1DblClick()
{
    if (Table1->isEmpty()) return;
    const QString number = Table1->field(Col::NUMBER).asString();
    TForm2* contracts = m_main->form2();
    contracts->Table1->setIndexName(Col::NUMBER);
    if (!contracts->Table1->findKey(number)) return;
    contracts->ShowContract();
    m_main->showChild(contracts);
}

void TForm4::SpeedButton1Click()
{
    PickDay(m_main, MaskEdit1);
}
