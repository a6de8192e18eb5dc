#include "windows/register/Predlz.h"

#include "core/ContractRules.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/TableModel.h"
#include "store/Values.h"
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
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyleOptionSpinBox>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

QHBoxLayout* withButton(QWidget* box, QWidget* button)
{
    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    row->addWidget(box);
    row->addWidget(button);
    return row;
}

} // namespace

TForm7::TForm7(Frame* main)
    : RegisterWindow(main, u"TForm7"_s, u"Predĺženia"_s, Tab::PredlzDbf, Col::NUMBER,
                     {{Col::WRK, u"Work"_s},
                      {Col::NUMBER, u"Zmluva"_s},
                      {Col::X_PAID, u"Suma"_s},
                      {Col::X_PAIDDATE, u"Dátum platby"_s},
                      {Col::X_UNTIL, u"Dátum do"_s},
                      {Col::X_PERCENT, u"Percentá"_s}})
{
    const int until = Table1->fieldIndex(Col::X_UNTIL);
    model->setRoleHook([until](const Row& row, int, int role) -> QVariant {
        if (role != Qt::ForegroundRole) return {};
        // Dates are stored as YYYY-MM-DD; a past or empty due date keeps the normal colour.
        const QDate due = QDate::fromString(row.values.value(until).toString(), Qt::ISODate);
        if (!due.isValid()) return {};
        const QDate today = Clock::today();
        if (due == today) return QColor(0, 0, 255);
        if (due > today) return QColor(0, 128, 0);
        return {};
    });
    DBGrid1->hideColumn(0);

    Edit4 = createEdit(u"Edit4"_s, 0);
    Edit4->setReadOnly(true);
    MaskEdit1 = createDateBox(u"MaskEdit1"_s, MaskEdit::Mask::AllOptional);
    SpeedButton1 = createDayButton(u"SpeedButton1"_s);
    MaskEdit2 = createDateBox(u"MaskEdit2"_s, MaskEdit::Mask::DayMonthOptional);
    SpeedButton2 = createDayButton(u"SpeedButton2"_s);
    Edit1 = createMoneyEdit(u"Edit1"_s, 9);
    Edit2 = createEdit(u"Edit2"_s, 5);
    UpDown1 = createUpDown();
    Edit3 = createEdit(u"Edit3"_s, 0);
    Edit3->setReadOnly(true);
    Edit3->setFocusPolicy(Qt::ClickFocus);
    CheckBox1 = new QCheckBox(u"Filter"_s, this);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    CheckBox1->setEnabled(false);

    BitBtn1 = new QPushButton(u"&Nový"_s, this);
    BitBtn1->setObjectName(u"BitBtn1"_s);
    BitBtn2 = new QPushButton(u"&Zmaž"_s, this);
    BitBtn2->setObjectName(u"BitBtn2"_s);
    BitBtn3 = new QPushButton(u"Z&apíš"_s, this);
    BitBtn3->setObjectName(u"BitBtn3"_s);

    // Labels left of their boxes: the contract and its dates, then the money and the percent.
    auto* fields = new QGridLayout;
    fields->addWidget(labelFor(u"Label4"_s, u"Číslo zmluvy"_s, Edit4), 0, 0);
    fields->addWidget(Edit4, 0, 1);
    fields->addWidget(labelFor(u"Label2"_s, u"Dátum platby"_s, MaskEdit1), 1, 0);
    fields->addLayout(withButton(MaskEdit1, SpeedButton1), 1, 1);
    fields->addWidget(labelFor(u"Label3"_s, u"Dátum predĺženia"_s, MaskEdit2), 2, 0);
    fields->addLayout(withButton(MaskEdit2, SpeedButton2), 2, 1);
    fields->addWidget(labelFor(u"Label1"_s, u"Suma platby"_s, Edit1), 0, 2);
    fields->addWidget(Edit1, 0, 3);
    fields->addWidget(labelFor(u"Label5"_s, u"Percentá"_s, Edit2), 1, 2);
    fields->addLayout(withButton(Edit2, UpDown1), 1, 3);
    fields->addWidget(labelFor(u"Label6"_s, u"Výpočet"_s, Edit3), 2, 2);
    fields->addWidget(Edit3, 2, 3);
    fields->setColumnStretch(4, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(CheckBox1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(fields);
    layout->addLayout(buttons);

    setTabOrder(DBGrid1, MaskEdit1);
    setTabOrder(MaskEdit1, Edit1);
    setTabOrder(Edit1, MaskEdit2);
    setTabOrder(MaskEdit2, Edit2);
    setTabOrder(Edit2, BitBtn1);
    setTabOrder(BitBtn1, BitBtn3);
    setTabOrder(BitBtn3, BitBtn2);
    setTabOrder(BitBtn2, Edit4);

    connect(Edit2, &QLineEdit::textChanged, this, [this](const QString& text) {
        // The arrows count on from the typed percent when it is one they can show.
        if (const auto n = Values::wholeNumber(text); n && *n >= 0 && *n <= 100) {
            const QSignalBlocker block(UpDown1);
            UpDown1->setValue(int(*n));
        }
        guarded([this] { Edit2Change(); });
    });
    connect(UpDown1, &QSpinBox::valueChanged, this, [this](int value) { Edit2->setText(QString::number(value)); });
    Edit2->setText(u"0"_s);

    MERVANA_ON(BitBtn1, &QPushButton::clicked, this, BitBtn1Click);
    MERVANA_ON(BitBtn2, &QPushButton::clicked, this, BitBtn2Click);
    MERVANA_ON(BitBtn3, &QPushButton::clicked, this, BitBtn3Click);
    MERVANA_ON(SpeedButton1, &QToolButton::clicked, this, SpeedButton1Click);
    MERVANA_ON(SpeedButton2, &QToolButton::clicked, this, SpeedButton2Click);
}

void TForm7::refreshPanel()
{
    ShowExtension();
}

// Shown anew, the grid also finds the extension again.
void TForm7::windowShown()
{
    ShowExtension();
    selectCurrentRow();
}

bool TForm7::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & Qt::ControlModifier)) {
            guarded([this] { DBGrid1KeyDown(); });
            return true;
        }
    }
    return RegisterWindow::eventFilter(watched, event);
}

QString TForm7::contractAmountText()
{
    if (!m_contractsLooked) {
        m_contracts = m_main->form2();
        m_contractsLooked = m_contracts != nullptr;
    }
    // The fee follows the amount as the contracts window shows it, typed or stored.
    return m_contracts && m_contracts->Edit3 ? m_contracts->Edit3->text() : QString();
}

void TForm7::ShowExtension()
{
    CheckBox1->setChecked(Table1->hasActiveFilter());
    // The blank record of "&Nový" has nothing to show; the panel holds its proposal.
    if (Table1->state() == Table::State::Insert || keepsTypedValues()) return;
    MaskEdit1->setDate(Table1->field(Col::X_PAIDDATE).asDate());
    MaskEdit2->setDate(Table1->field(Col::X_UNTIL).asDate());
    showText(Edit1, Table1->field(Col::X_PAID).asString());
    showText(Edit2, Table1->field(Col::X_PERCENT).asString());
    Edit2Change(); // also when the percent text did not change but the contract's amount did
    showText(Edit4, Table1->field(Col::NUMBER).asString());
    noteShown();
}

void TForm7::Edit2Change()
{
    Edit3->setText(ContractRules::ExtensionChargeText(Edit2->text(), contractAmountText(), Table1->store().currency()));
}

void TForm7::BitBtn1Click()
{
    Table1->append();
    DBGrid1->clearSelection();
    MaskEdit1->setDate(Clock::today());
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    // The extension belongs to the contract selected in the contracts window, whatever this window shows.
    Edit4->setText(m_main->form2()->Table1->field(Col::NUMBER).asString());
    MaskEdit2->setText(ContractRules::SameDayNextMonth(Values::dateFromText(MaskEdit1->text())));
    Edit1->setFocus();
}

void TForm7::BitBtn3Click()
{
    writeShown([this](Table& t) { storePanel(t); });
    // The stored extension may belong to another contract than the view shows: the panel must show
    // the record the next "Z&apíš" would write into.
    ShowExtension();
    selectCurrentRow();
}

void TForm7::storePanel(Table& t)
{
    storeBox(t, Col::NUMBER, Edit4);
    // Both dates are required: an empty box is an invalid date here, never an empty field.
    t.field(Col::X_PAIDDATE).setAsDate(Values::dateFromText(MaskEdit1->text()));
    t.field(Col::X_UNTIL).setAsDate(Values::dateFromText(MaskEdit2->text()));
    storeBox(t, Col::X_PAID, Edit1, Entry::Typed);
    storeBox(t, Col::X_PERCENT, Edit2, Entry::Typed);
}

void TForm7::BitBtn2Click()
{
    if (!ownerOnly(m_main->shop())) return;
    ShowExtension();
    if (!Messages::question(u"Skutočne mažete predĺženie zmluvy\r"_s + Table1->field(Col::NUMBER).asString() + u" ?"_s))
        return;
    removeShown();
    ShowExtension();
    selectCurrentRow();
}

void TForm7::DBGrid1KeyDown()
{
    if (!ownerOnly(m_main->shop())) return;
    if (Table1->state() != Table::State::Insert && Table1->isEmpty()) return;
    if (!Messages::confirmOkCancel(u"Delete record?"_s)) return;
    removeShown();
    ShowExtension();
    selectCurrentRow();
}

void TForm7::SpeedButton1Click()
{
    PickDay(m_main, MaskEdit1);
}

void TForm7::SpeedButton2Click()
{
    PickDay(m_main, MaskEdit2);
}
