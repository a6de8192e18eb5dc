#include "windows/services/Hladaj.h"

#include "core/GoodsSearch.h"
#include "core/Shop.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/engine/Names.h"
#include "widgets/DialogButtons.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/Messages.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Zmluvy.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TForm5::TForm5(Frame* main)
    : QDialog(main->frameWidget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                                       Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(u"TForm5"_s);
    setWindowTitle(u"Hľadanie"_s);
    setModal(false);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    Label1 = new QLabel(u"Hľadaný text:"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setBuddy(Edit1);

    RadioGroup1 = new QGroupBox(u"Čo hľadáte"_s, this);
    RadioGroup1->setObjectName(u"RadioGroup1"_s);
    m_choices = new QButtonGroup(this);
    auto* choices = new QVBoxLayout(RadioGroup1);
    const QString captions[] = {u"&Priezvisko"_s, u"&Rodné číslo"_s, u"Čísl&o preukazu"_s, u"Číslo &zmluvy"_s,
                                u"Z&aložený predmet"_s};
    for (int i = 0; i < 5; ++i) {
        auto* choice = new QRadioButton(captions[i], RadioGroup1);
        choice->setObjectName(u"RadioButton%1"_s.arg(i + 1));
        m_choices->addButton(choice, i);
        choices->addWidget(choice);
    }
    setItemIndex(LastName);

    CheckBox1 = new QCheckBox(u"&Ukazuj pohyb"_s, this);
    CheckBox1->setObjectName(u"CheckBox1"_s);
    CheckBox1->setChecked(true);

    QHBoxLayout* buttons = stornoOkButtons(this, BitBtn1, BitBtn2);
    BitBtn1->setAutoDefault(false); // Enter in the text box searches

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addWidget(RadioGroup1);
    layout->addWidget(CheckBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed single border: the size never changes

    MERVANA_ON(BitBtn1, &QPushButton::clicked, this, BitBtn1Click);
    MERVANA_ON(BitBtn2, &QPushButton::clicked, this, BitBtn2Click);
}

bool TForm5::event(QEvent* event)
{
    const EventPump::HoldFor hold(event);
    return QDialog::event(event);
}

int TForm5::ItemIndex() const
{
    return m_choices->checkedId();
}

void TForm5::setItemIndex(int choice)
{
    if (QAbstractButton* b = m_choices->button(choice)) b->setChecked(true);
}

void TForm5::ShowSearch()
{
    const EventPump::Hold hold; // Qt shows the window's children one by one
    show();
    raise();
    activateWindow();
}

void TForm5::BitBtn1Click()
{
    close();
}

void TForm5::BitBtn2Click()
{
    const QString text = Edit1->text();
    // Blanks are text: one blank finds every description that holds one.
    if (text.isEmpty()) {
        Messages::error(u"Nie je vyplnený hľadaný text..."_s);
        return;
    }
    CheckBox1->setEnabled(false);
    const auto enable = qScopeGuard([this] { CheckBox1->setEnabled(true); });
    switch (ItemIndex()) {
    case LastName:
        return searchPersons(text, Col::LASTNAME);
    case BirthNumber:
        return searchPersons(text, Col::BIRTHNUM);
    case IdCard:
        return searchPersons(text, Col::IDCARD);
    case ContractNumber:
        return searchContract(text);
    case Goods:
        return searchGoods(text);
    default:
        return;
    }
}

void TForm5::searchPersons(const QString& text, const QString& tag)
{
    TForm3* persons = m_main->form3();
    Table& t = *persons->Table1;
    t.setIndexName(tag);
    try {
        t.findNearest(text);
    } catch (...) {
        // The persons window reads in surname order whatever happens to the search.
        try {
            t.setIndexName(Col::LASTNAME);
        } catch (const MervanaError&) {
        }
        throw;
    }
    t.setIndexName(Col::LASTNAME); // the person found stays current
    m_main->showChild(persons);
}

void TForm5::searchContract(const QString& text)
{
    TForm2* contracts = m_main->form2();
    Table& t = *contracts->Table1;
    // Whatever view was shown, the contract is found among all of them.
    t.setFilter(QString());
    t.setFiltered(false);
    t.setIndexName(Col::NUMBER);
    t.findNearest(text);
    contracts->setWindowTitle(u"Všetky zmluvy"_s);
    m_main->showChild(contracts);
}

void TForm5::searchGoods(const QString& text)
{
    TForm4* goods = m_main->form4();
    Table& t = *goods->Table1;
    const bool quiet = !CheckBox1->isChecked();
    if (quiet) goods->DisableControls();
    auto resume = qScopeGuard([&] {
        if (quiet) goods->EnableControls();
    });
    const bool wasFiltered = t.filtered();
    {
        const auto busy = m_main->shop().busy(true);
        try {
            GoodsSearch::markAndShow(t, text);
        } catch (...) {
            // The marks are as they were: so is the view over them.
            try {
                t.setFiltered(wasFiltered);
            } catch (const MervanaError&) {
            }
            throw;
        }
        goods->setWindowTitle(GoodsSearch::caption());
    }
    resume.dismiss();
    if (quiet) goods->EnableControls();
    m_main->showChild(goods);
}
