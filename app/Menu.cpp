#include "app/Main.h"

#include "widgets/Guard.h"
#include "windows/print/Expir.h"
#include "windows/print/Prijvyd.h"
#include "windows/print/TlacInvent.h"
#include "windows/print/TlacOsob.h"
#include "windows/print/TlacZmluv.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// One row of the frame's menus: a menu, an item or a separator, at its depth (0: the menu bar, 1: a row of
// its menus, 2: a row of their sub-menus). An item apart is made but placed later by the session (Session.cpp).
struct MenuRow
{
    enum class Kind { Menu, Item, Separator, Apart };
    Kind kind;
    int depth;
    QString name;    // the control's name, also the action's object name
    QString caption; // with its access key
    QString hint;    // the status bar's text (and the item's tool tip)
    std::function<void(TForm1&)> handler = {};
};

MenuRow menu(int depth, const QString& name, const QString& caption, const QString& hint)
{
    return {MenuRow::Kind::Menu, depth, name, caption, hint};
}

MenuRow item(int depth, const QString& name, const QString& caption, const QString& hint,
             std::function<void(TForm1&)> handler)
{
    return {MenuRow::Kind::Item, depth, name, caption, hint, std::move(handler)};
}

MenuRow separator(int depth)
{
    return {MenuRow::Kind::Separator, depth, {}, {}, {}};
}

// The "&Tlač" lists make their report window on first use and preview the view.
template <class Form> std::function<void(TForm1&)> printView(int view)
{
    return [view](TForm1& f) { f.form<Form>()->Print(view); };
}

const QList<MenuRow>& menuRows()
{
    using F = TForm1;
    static const QList<MenuRow> rows = {
        menu(0, u"Mervana1"_s, u"&Mervana"_s, u"Mervana"_s),
        menu(1, u"Zmluvy1"_s, u"&Zmluvy"_s, u"Súbor zmlúv"_s),
        item(2, u"Vetky1"_s, u"&Všetky"_s, u"Všetky zmluvy"_s, &F::Vetky1Click),
        separator(2),
        item(2, u"Aktulne1"_s, u"&Aktuálne (pred vypršaním)"_s, u"Aktuálne zmluvy (pred vypršaním)"_s,
             &F::Aktulne1Click),
        item(2, u"Expirovan1"_s, u"&Expirované (po vypršaní)"_s, u"Expirované zmluvy (po vypršaní)"_s,
             &F::Expirovan1Click),
        item(2, u"Zaplaten1"_s, u"&Zaplatené"_s, u"Zaplatené zmluvy"_s, &F::Zaplaten1Click),
        item(2, u"Prepadnut1"_s, u"&Prepadnuté"_s, u"Prepadnuté zmluvy"_s, &F::Prepadnut1Click),
        item(2, u"Predlovan1"_s, u"P&redlžované"_s, u"Predlžované zmluvy"_s, &F::Predlovan1Click),
        item(1, u"Osoby1"_s, u"&Osoby"_s, u"Súbor osôb"_s, &F::Osoby1Click),
        menu(1, u"Inventr1"_s, u"&Inventár"_s, u"Súbor inventára"_s),
        item(2, u"Vetok1"_s, u"&Všetok"_s, u"Všetok inventár"_s, &F::Vetok1Click),
        separator(2),
        item(2, u"Aktulnypredexpirciou1"_s, u"&Aktuálny (pred vypršaním)"_s, u"Aktuálny (pred vypršaním)"_s,
             &F::Aktulnypredexpirciou1Click),
        item(2, u"Expirovanpoexpircii1"_s, u"&Expirovaný (po vypršaní)"_s, u"Expirovaný (po vypršaní)"_s,
             &F::Expirovanpoexpircii1Click),
        item(2, u"Napredaj1"_s, u"&Na predaj"_s, u"Inventár na predaj"_s, &F::Napredaj1Click),
        item(2, u"Predan1"_s, u"P&redaný"_s, u"Predaný inventár"_s, &F::Predan1Click),
        item(1, u"Predenia1"_s, u"&Predĺženia"_s, {}, &F::Predenia1Click),
        separator(1),
        item(1, u"Hadanie1"_s, u"&Hľadanie"_s, u"Vyhľadávanie údajov"_s, &F::Hadanie1Click),
        separator(1),
        item(1, u"Koniec1"_s, u"&Koniec"_s, u"Ukončenie programu"_s, &F::Koniec1Click),
        // Only where clerks sign in: just above "&Koniec".
        {MenuRow::Kind::Apart, 1, u"Odhlsi1"_s, u"&Odhlásiť"_s, u"Odhlásenie pokladníka"_s, &F::Odhlsi1Click},

        menu(0, u"Tla1"_s, u"&Tlač"_s, u"Tlač"_s),
        // The date dialogs, made on first use, shown with today's date.
        item(1, u"Expirciazmlv2"_s, u"&Expirácia zmlúv"_s, u"Expirácia zmlúv"_s,
             [](F& f) { f.form<TForm16>()->ShowToday(); }),
        item(1, u"PrjmyVdaje1"_s, u"Príjmy / &Výdaje"_s, u"Príjmy / Výdaje"_s,
             [](F& f) { f.form<TForm8>()->ShowToday(); }),
        separator(1),
        menu(1, u"TlacZmluvy1"_s, u"&Zmluvy"_s, u"Zmluvy"_s),
        item(2, u"V3etky1"_s, u"&Všetky"_s, u"Tlač všetkých"_s, printView<TForm13>(0)),
        separator(2),
        item(2, u"Aktulne3"_s, u"&Aktuálne (pred vypršaním)"_s, u"Tlač aktuálnych (pred vypršaním)"_s,
             printView<TForm13>(1)),
        item(2, u"Expirovanpovypran1"_s, u"&Expirované (po vypršaní)"_s, u"Tlač expirovaných (po vypršaní)"_s,
             printView<TForm13>(2)),
        item(2, u"Zaplaten3"_s, u"&Zaplatené"_s, u"Tlač zaplatených"_s, printView<TForm13>(3)),
        item(2, u"Prepadnut3"_s, u"&Prepadnuté"_s, u"Tlač prepadnutých"_s, printView<TForm13>(4)),
        item(2, u"Predl6ovan1"_s, u"P&redlžované"_s, u"Tlač predlžovaných"_s, printView<TForm13>(5)),
        item(1, u"Osoby3"_s, u"&Osoby"_s, u"Osoby"_s, [](F& f) { f.form<TForm14>()->Print(); }),
        menu(1, u"TlacInventr1"_s, u"&Inventár"_s, {}),
        item(2, u"Vetok3"_s, u"&Všetok"_s, u"Tlač všetok"_s, printView<TForm15>(0)),
        separator(2),
        // The missing parenthesis is the shop's own text.
        item(2, u"Aktulnypredvypranm1"_s, u"&Aktuálny (pred vypršaním)"_s, u"Tlač aktuálneho (pred vypršaním"_s,
             printView<TForm15>(1)),
        item(2, u"Expirovanpovypran2"_s, u"&Expirovaný (po vypršaní)"_s, u"Tlač expirovaného (po vypršaní)"_s,
             printView<TForm15>(2)),
        item(2, u"Napredaj3"_s, u"&Na predaj"_s, u"Tlač inventára na predaj"_s, printView<TForm15>(3)),
        item(2, u"Predan3"_s, u"&Predaný"_s, u"Tlač predaného"_s, printView<TForm15>(4)),

        menu(0, u"tatistika1"_s, u"Št&atistika"_s, u"Štatistika"_s),
        item(1, u"Peniazevobehu2"_s, u"&Peniaze v obehu"_s, u"Peniaze v obehu"_s, &F::Peniazevobehu2Click),
        item(1, u"Zlonhodnota2"_s, u"&Záložná hodnota"_s, u"Záložná hodnota"_s, &F::Zlonhodnota2Click),
        separator(1),
        item(1, u"Potyviet2"_s, u"P&očty viet"_s, u"Počty viet"_s, &F::Potyviet2Click),

        menu(0, u"Nastavenia1"_s, u"&Nastavenia"_s, u"Nastavenia"_s),
        item(1, u"Save1"_s, u"&Uchovanie dát"_s, u"Uchovanie dát"_s, &F::Save1Click),
        separator(1),
        item(1, u"Textzmluvy1"_s, u"&Text zmluvy"_s, u"Text zmluvy"_s, &F::Textzmluvy1Click),
        separator(1),
        menu(1, u"Font1"_s, u"&Font"_s, u"Zmena písma"_s),
        item(2, u"Vgride1"_s, u"V &gride"_s, u"Zmena písma v gride"_s, &F::Vgride1Click),
        item(2, u"Vnadpisoch1"_s, u"V &nadpisoch"_s, u"Zmena písma v nadpisoch"_s, &F::Vnadpisoch1Click),
        menu(1, u"Farba1"_s, u"F&arba"_s, u"Zmena farby"_s),
        item(2, u"Psmavgride1"_s, u"Písma v &gride"_s, u"Zmena farby písma v gride"_s, &F::Psmavgride1Click),
        item(2, u"Psmavnadpisoch1"_s, u"Písma v &nadpisoch"_s, u"Zmena farby písma v nadpisoch"_s,
             &F::Psmavnadpisoch1Click),

        menu(0, u"Servis1"_s, u"&Servis"_s, u"Servis"_s),
        item(1, u"Zloha1"_s, u"&Odsun do archívu"_s, u"Záloha dát"_s, &F::Zloha1Click),
        item(1, u"Obnova1"_s, u"&Prísun z archívu"_s, u"Obnova dát"_s, &F::Obnova1Click),
        separator(1),
        // The backup: Zloha1 is the archive's handler name, so the backup item is the second "Záloha".
        item(1, u"Zloha2"_s, u"&Záloha"_s, {}, &F::Zloha2Click),
        separator(1),
        item(1, u"Reindexcia1"_s, u"&Reindexácia"_s, u"Reindexácia dát"_s, &F::Reindexcia1Click),
        // Owners only: after "&Reindexácia".
        {MenuRow::Kind::Apart, 1, u"Pokladnci1"_s, u"Po&kladníci…"_s, u"Správa pokladníkov"_s, &F::Pokladnci1Click},
        separator(1),
        item(1, u"Kalkulaka1"_s, u"&Kalkulačka"_s, u"Kalkulačka"_s, &F::Kalkulaka1Click),
        separator(1),
        item(1, u"Zmenyzznamov1"_s, u"Z&meny záznamov…"_s, u"Zmeny záznamov"_s, &F::Zmenyzznamov1Click),
        separator(1),
        item(1, u"Oprograme1"_s, u"O p&rograme..."_s, u"Informácia o programe"_s, &F::Oprograme1Click),
    };
    return rows;
}

} // namespace

void TForm1::createMenu()
{
    menuBar()->setObjectName(u"MainMenu1"_s);
    QMenu* open[2] = {}; // the menu and sub-menu rows go into
    for (const MenuRow& row : menuRows()) {
        QMenu* into = row.depth > 0 ? open[row.depth - 1] : nullptr;
        switch (row.kind) {
        case MenuRow::Kind::Menu: {
            QMenu* m = into ? into->addMenu(row.caption) : menuBar()->addMenu(row.caption);
            m->setObjectName(row.name + u"Menu"_s);
            QAction* a = m->menuAction();
            a->setObjectName(row.name);
            a->setStatusTip(row.hint);
            m_actions.insert(row.name, a);
            open[row.depth] = m;
            break;
        }
        case MenuRow::Kind::Separator:
            into->addSeparator();
            break;
        case MenuRow::Kind::Item:
        case MenuRow::Kind::Apart: {
            QAction* a =
                row.kind == MenuRow::Kind::Item ? into->addAction(row.caption) : new QAction(row.caption, this);
            a->setObjectName(row.name);
            a->setStatusTip(row.hint);
            if (!row.hint.isEmpty()) a->setToolTip(row.hint);
            connect(a, &QAction::triggered, this,
                    [this, handler = row.handler] { guarded([this, &handler] { handler(*this); }); });
            m_actions.insert(row.name, a);
            break;
        }
        }
    }
    m_signOut = action(u"Odhlsi1"_s);
    m_clerks = action(u"Pokladnci1"_s);
}
