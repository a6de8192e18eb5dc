#include "windows/services/Pokladnici.h"

#include "core/Clerks.h"
#include "core/Shop.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/Messages.h"
#include "widgets/OwnerOnly.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

TPokladnici::TPokladnici(Frame* main)
    : QDialog(main->frameWidget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(u"TPokladnici"_s);
    setWindowTitle(u"Pokladníci"_s);
    setModal(false);

    StringGrid1 = new QTableWidget(0, 3, this);
    StringGrid1->setObjectName(u"StringGrid1"_s);
    StringGrid1->setHorizontalHeaderLabels({u"Meno"_s, u"Rola"_s, u"Stav"_s});
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->verticalHeader()->hide();
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    StringGrid1->setMinimumSize(360, 160);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(u"Edit1"_s);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(u"ComboBox1"_s);
    ComboBox1->addItem(Clerks::name(Clerks::Role::Clerk));
    ComboBox1->addItem(Clerks::name(Clerks::Role::Owner));
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(u"Edit2"_s);
    Edit2->setEchoMode(QLineEdit::Password);
    Edit3 = new QLineEdit(this);
    Edit3->setObjectName(u"Edit3"_s);
    Edit3->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout;
    form->addRow(u"&Meno"_s, Edit1);
    form->addRow(u"&Rola"_s, ComboBox1);
    form->addRow(u"&Heslo"_s, Edit2);
    form->addRow(u"Heslo &znova"_s, Edit3);

    const auto button = [this](QPushButton*& b, const QString& name, const QString& caption) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
    };
    button(BitBtn1, u"BitBtn1"_s, u"&Pridať"_s);
    button(BitBtn2, u"BitBtn2"_s, u"&Zmeniť heslo"_s);
    button(BitBtn3, u"BitBtn3"_s, u"Z&akázať"_s);
    button(BitBtn4, u"BitBtn4"_s, u"Za&vrieť"_s);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    buttons->addWidget(BitBtn3);
    buttons->addStretch(1);
    buttons->addWidget(BitBtn4);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(StringGrid1);
    layout->addLayout(form);
    layout->addLayout(buttons);

    connect(BitBtn1, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn1Click(); }); });
    connect(BitBtn2, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn2Click(); }); });
    connect(BitBtn3, &QPushButton::clicked, this, [this] { guarded([this] { BitBtn3Click(); }); });
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::close);
}

void TPokladnici::ShowClerks()
{
    Edit1->clear();
    clearPasswords();
    fill();
    show();
    raise();
    activateWindow();
}

void TPokladnici::fill()
{
    const QString current = StringGrid1->currentRow() >= 0 && StringGrid1->item(StringGrid1->currentRow(), 0)
                                ? StringGrid1->item(StringGrid1->currentRow(), 0)->text()
                                : QString();
    const QList<Clerks::Clerk> clerks = Clerks::list(m_main->shop().store());
    StringGrid1->setRowCount(int(clerks.size()));
    for (int row = 0; row < clerks.size(); ++row) {
        const Clerks::Clerk& c = clerks.at(row);
        const QString cells[] = {c.name, Clerks::name(c.role), c.active ? u"aktívny"_s : u"zakázaný"_s};
        for (int column = 0; column < 3; ++column)
            StringGrid1->setItem(row, column, new QTableWidgetItem(cells[column]));
        if (c.name == current) StringGrid1->setCurrentCell(row, 0);
    }
}

QString TPokladnici::chosen()
{
    const int row = StringGrid1->currentRow();
    if (row < 0 || !StringGrid1->item(row, 0)) {
        Messages::warning(u"Vyberte pokladníka v zozname."_s);
        return {};
    }
    return StringGrid1->item(row, 0)->text();
}

bool TPokladnici::passwordTwice(QString& password)
{
    if (Edit2->text() != Edit3->text()) {
        clearPasswords();
        Messages::warning(u"Heslá sa nezhodujú."_s);
        return false;
    }
    password = Edit2->text();
    clearPasswords();
    return true;
}

void TPokladnici::clearPasswords()
{
    Edit2->clear();
    Edit3->clear();
}

void TPokladnici::BitBtn1Click()
{
    if (!ownerOnly(m_main->shop())) return;
    QString password;
    if (!passwordTwice(password)) return;
    const QString name = Edit1->text().trimmed();
    const Clerks::Role role = ComboBox1->currentIndex() == 1 ? Clerks::Role::Owner : Clerks::Role::Clerk;
    Clerks::add(m_main->shop().store(), name, role, password);
    Edit1->clear();
    fill();
    Messages::information(u"Pokladník %1 bol pridaný."_s.arg(name));
}

void TPokladnici::BitBtn2Click()
{
    if (!ownerOnly(m_main->shop())) return;
    const QString name = chosen();
    if (name.isEmpty()) return;
    QString password;
    if (!passwordTwice(password)) return;
    Clerks::changePassword(m_main->shop().store(), name, password);
    Messages::information(u"Heslo pokladníka %1 bolo zmenené."_s.arg(name));
}

void TPokladnici::BitBtn3Click()
{
    if (!ownerOnly(m_main->shop())) return;
    const QString name = chosen();
    if (name.isEmpty()) return;
    if (!Messages::question(u"Skutočne zakázať pokladníka %1 ?\rPrihlásiť sa už nebude môcť."_s.arg(name))) return;
    Clerks::disable(m_main->shop().store(), name);
    fill();
}
