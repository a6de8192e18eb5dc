#include "app/Main.h"

#include "core/Shop.h"
#include "store/Clock.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/admin/EngineConfig.h"
#include "store/admin/StoreLock.h"
#include "store/engine/FileModes.h"
#include "store/trail/Trail.h"
#include "widgets/AccessKeys.h"
#include "widgets/Guard.h"
#include "widgets/IdleWatch.h"
#include "widgets/Messages.h"
#include "widgets/MonthCal.h"
#include "widgets/WaitCursor.h"
#include "windows/print/TlacZmluvy.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/RegisterWindow.h"
#include "windows/register/Zmluvy.h"

#include <QAction>
#include <QCloseEvent>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>

using namespace Qt::Literals::StringLiterals;

// The pictures are compiled into this library; a static library needs them registered by name.
static void registerIcons()
{
    Q_INIT_RESOURCE(icons);
}

namespace {

// Closing a register window only minimises it inside the frame; the menu shows it again.
class MinimiseOnClose : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Close) {
            event->ignore();
            static_cast<QMdiSubWindow*>(watched)->showMinimized();
            return true;
        }
        return false;
    }
};

struct IconName
{
    const char* theme;    // freedesktop icon name
    const char* fallback; // compiled-in picture
};

} // namespace

TForm1::TForm1(const QString& programDir, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"TForm1"_s);
    try {
        create(programDir);
    } catch (...) {
        // Members go before the QObject children: the tables opened so far must close while the store lives.
        release();
        throw;
    }
}

void TForm1::create(const QString& programDir)
{
    const EngineConfig::Definition def = EngineConfig::ensureDatabaseName(programDir);
    EngineConfig::checkLocation(def);
    FileModes::takeRestricted(); // what earlier openings in this process noted is not this store's
    m_openMark = std::make_unique<StoreLock>(def.location(), StoreLock::Kind::Open);
    m_shop = std::make_unique<Shop>(def.location());
    // The backup folder set in the engine configuration, wherever it is (the one beside the store went above).
    const bool backupsNarrowed = FileModes::restrictBackups(EngineConfig::backupDir(def.location()));
    // Once, where the clerk looks: until now every account of the computer could read the customers' data.
    if (!FileModes::takeRestricted().isEmpty() || backupsNarrowed)
        m_hint = u"Dáta záložne boli čitateľné pre iné účty počítača; prístup bol obmedzený."_s;
    setWindowTitle(m_shop->ShopName);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(u"MdiArea"_s);
    setCentralWidget(m_mdi);
    m_idle = new IdleWatch(this);

    createMenu();
    createToolBar();
    createStatusBar();
    installBusyHook();
}

TForm1::~TForm1()
{
    release();
    Trail::setDefaultClerk({}); // the clerk signed in here leaves with the frame
}

void TForm1::release()
{
    const EventPump::Hold hold;
    // Windows close their tables before the store goes.
    delete m_mdi;
    m_mdi = nullptr;
    closeWindows();
    // The clerk leaves with the program; what their windows stored as they closed is still theirs.
    if (m_shop && m_shop->role()) {
        try {
            Clerks::signOut(m_shop->store());
        } catch (const MervanaError&) {
            // Nothing to tell at the end: the trail then shows the sign-in without its sign-out.
        }
    }
    m_shop.reset();
}

void TForm1::closeWindows()
{
    const EventPump::Hold hold;
    if (m_mdi) {
        for (QMdiSubWindow* sub : m_mdi->subWindowList())
            delete sub;
    }
    m_form2 = nullptr;
    m_form3 = nullptr;
    m_form4 = nullptr;
    m_form7 = nullptr;
    deleteWindows();
    delete m_form20;
    m_form20 = nullptr;
}

QMenu* TForm1::addMenu(QMenu* parent, const QString& name, const QString& caption, const QString& hint)
{
    QMenu* menu = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    menu->setObjectName(name + u"Menu"_s);
    QAction* a = menu->menuAction();
    a->setObjectName(name);
    a->setStatusTip(hint);
    m_actions.insert(name, a);
    return menu;
}

QAction* TForm1::addItem(QMenu* menu, const QString& name, const QString& caption, const QString& hint,
                         void (TForm1::*handler)())
{
    QAction* a = menu ? menu->addAction(caption) : new QAction(caption, this);
    a->setObjectName(name);
    a->setStatusTip(hint);
    if (!hint.isEmpty()) a->setToolTip(hint);
    if (handler)
        connect(a, &QAction::triggered, this, [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
    else
        a->setEnabled(false); // its window comes with later work, which enables and connects it
    m_actions.insert(name, a);
    return a;
}

QAction* TForm1::action(const QString& objectName) const
{
    return m_actions.value(objectName);
}

void TForm1::createMenu()
{
    menuBar()->setObjectName(u"MainMenu1"_s);

    QMenu* mervana = addMenu(nullptr, u"Mervana1"_s, u"&Mervana"_s, u"Mervana"_s);
    QMenu* contracts = addMenu(mervana, u"Zmluvy1"_s, u"&Zmluvy"_s, u"Súbor zmlúv"_s);
    addItem(contracts, u"Vetky1"_s, u"&Všetky"_s, u"Všetky zmluvy"_s, &TForm1::Vetky1Click);
    contracts->addSeparator();
    addItem(contracts, u"Aktulne1"_s, u"&Aktuálne (pred vypršaním)"_s, u"Aktuálne zmluvy (pred vypršaním)"_s,
            &TForm1::Aktulne1Click);
    addItem(contracts, u"Expirovan1"_s, u"&Expirované (po vypršaní)"_s, u"Expirované zmluvy (po vypršaní)"_s,
            &TForm1::Expirovan1Click);
    addItem(contracts, u"Zaplaten1"_s, u"&Zaplatené"_s, u"Zaplatené zmluvy"_s, &TForm1::Zaplaten1Click);
    addItem(contracts, u"Prepadnut1"_s, u"&Prepadnuté"_s, u"Prepadnuté zmluvy"_s, &TForm1::Prepadnut1Click);
    addItem(contracts, u"Predlovan1"_s, u"P&redlžované"_s, u"Predlžované zmluvy"_s, &TForm1::Predlovan1Click);
    addItem(mervana, u"Osoby1"_s, u"&Osoby"_s, u"Súbor osôb"_s, &TForm1::Osoby1Click);
    QMenu* goods = addMenu(mervana, u"Inventr1"_s, u"&Inventár"_s, u"Súbor inventára"_s);
    addItem(goods, u"Vetok1"_s, u"&Všetok"_s, u"Všetok inventár"_s, &TForm1::Vetok1Click);
    goods->addSeparator();
    addItem(goods, u"Aktulnypredexpirciou1"_s, u"&Aktuálny (pred vypršaním)"_s, u"Aktuálny (pred vypršaním)"_s,
            &TForm1::Aktulnypredexpirciou1Click);
    addItem(goods, u"Expirovanpoexpircii1"_s, u"&Expirovaný (po vypršaní)"_s, u"Expirovaný (po vypršaní)"_s,
            &TForm1::Expirovanpoexpircii1Click);
    addItem(goods, u"Napredaj1"_s, u"&Na predaj"_s, u"Inventár na predaj"_s, &TForm1::Napredaj1Click);
    addItem(goods, u"Predan1"_s, u"P&redaný"_s, u"Predaný inventár"_s, &TForm1::Predan1Click);
    addItem(mervana, u"Predenia1"_s, u"&Predĺženia"_s, QString(), &TForm1::Predenia1Click);
    mervana->addSeparator();
    addItem(mervana, u"Hadanie1"_s, u"&Hľadanie"_s, u"Vyhľadávanie údajov"_s, &TForm1::Hadanie1Click);
    mervana->addSeparator();
    addItem(mervana, u"Koniec1"_s, u"&Koniec"_s, u"Ukončenie programu"_s, &TForm1::Koniec1Click);
    // Only where clerks sign in (Session.cpp): just above "&Koniec".
    m_signOut = addItem(nullptr, u"Odhlsi1"_s, u"&Odhlásiť"_s, u"Odhlásenie pokladníka"_s, &TForm1::Odhlsi1Click);

    QMenu* print = addMenu(nullptr, u"Tla1"_s, u"&Tlač"_s, u"Tlač"_s);
    addItem(print, u"Expirciazmlv2"_s, u"&Expirácia zmlúv"_s, u"Expirácia zmlúv"_s, &TForm1::Expirciazmlv2Click);
    addItem(print, u"PrjmyVdaje1"_s, u"Príjmy / &Výdaje"_s, u"Príjmy / Výdaje"_s, &TForm1::PrjmyVdaje1Click);
    print->addSeparator();
    QMenu* printContracts = addMenu(print, u"TlacZmluvy1"_s, u"&Zmluvy"_s, u"Zmluvy"_s);
    addItem(printContracts, u"V3etky1"_s, u"&Všetky"_s, u"Tlač všetkých"_s, &TForm1::V3etky1Click);
    printContracts->addSeparator();
    addItem(printContracts, u"Aktulne3"_s, u"&Aktuálne (pred vypršaním)"_s, u"Tlač aktuálnych (pred vypršaním)"_s,
            &TForm1::Aktulne3Click);
    addItem(printContracts, u"Expirovanpovypran1"_s, u"&Expirované (po vypršaní)"_s,
            u"Tlač expirovaných (po vypršaní)"_s, &TForm1::Expirovanpovypran1Click);
    addItem(printContracts, u"Zaplaten3"_s, u"&Zaplatené"_s, u"Tlač zaplatených"_s, &TForm1::Zaplaten3Click);
    addItem(printContracts, u"Prepadnut3"_s, u"&Prepadnuté"_s, u"Tlač prepadnutých"_s, &TForm1::Prepadnut3Click);
    addItem(printContracts, u"Predl6ovan1"_s, u"P&redlžované"_s, u"Tlač predlžovaných"_s, &TForm1::Predl6ovan1Click);
    addItem(print, u"Osoby3"_s, u"&Osoby"_s, u"Osoby"_s, &TForm1::Osoby3Click);
    QMenu* printGoods = addMenu(print, u"TlacInventr1"_s, u"&Inventár"_s, QString());
    addItem(printGoods, u"Vetok3"_s, u"&Všetok"_s, u"Tlač všetok"_s, &TForm1::Vetok3Click);
    printGoods->addSeparator();
    // The missing parenthesis is the shop's own text.
    addItem(printGoods, u"Aktulnypredvypranm1"_s, u"&Aktuálny (pred vypršaním)"_s, u"Tlač aktuálneho (pred vypršaním"_s,
            &TForm1::Aktulnypredvypranm1Click);
    addItem(printGoods, u"Expirovanpovypran2"_s, u"&Expirovaný (po vypršaní)"_s, u"Tlač expirovaného (po vypršaní)"_s,
            &TForm1::Expirovanpovypran2Click);
    addItem(printGoods, u"Napredaj3"_s, u"&Na predaj"_s, u"Tlač inventára na predaj"_s, &TForm1::Napredaj3Click);
    addItem(printGoods, u"Predan3"_s, u"&Predaný"_s, u"Tlač predaného"_s, &TForm1::Predan3Click);

    QMenu* statistics = addMenu(nullptr, u"tatistika1"_s, u"Št&atistika"_s, u"Štatistika"_s);
    addItem(statistics, u"Peniazevobehu2"_s, u"&Peniaze v obehu"_s, u"Peniaze v obehu"_s, &TForm1::Peniazevobehu2Click);
    addItem(statistics, u"Zlonhodnota2"_s, u"&Záložná hodnota"_s, u"Záložná hodnota"_s, &TForm1::Zlonhodnota2Click);
    statistics->addSeparator();
    addItem(statistics, u"Potyviet2"_s, u"P&očty viet"_s, u"Počty viet"_s, &TForm1::Potyviet2Click);

    QMenu* settings = addMenu(nullptr, u"Nastavenia1"_s, u"&Nastavenia"_s, u"Nastavenia"_s);
    addItem(settings, u"Save1"_s, u"&Uchovanie dát"_s, u"Uchovanie dát"_s, &TForm1::Save1Click);
    settings->addSeparator();
    addItem(settings, u"Textzmluvy1"_s, u"&Text zmluvy"_s, u"Text zmluvy"_s, &TForm1::Textzmluvy1Click);
    settings->addSeparator();
    QMenu* font = addMenu(settings, u"Font1"_s, u"&Font"_s, u"Zmena písma"_s);
    addItem(font, u"Vgride1"_s, u"V &gride"_s, u"Zmena písma v gride"_s, &TForm1::Vgride1Click);
    addItem(font, u"Vnadpisoch1"_s, u"V &nadpisoch"_s, u"Zmena písma v nadpisoch"_s, &TForm1::Vnadpisoch1Click);
    QMenu* colour = addMenu(settings, u"Farba1"_s, u"F&arba"_s, u"Zmena farby"_s);
    addItem(colour, u"Psmavgride1"_s, u"Písma v &gride"_s, u"Zmena farby písma v gride"_s, &TForm1::Psmavgride1Click);
    addItem(colour, u"Psmavnadpisoch1"_s, u"Písma v &nadpisoch"_s, u"Zmena farby písma v nadpisoch"_s,
            &TForm1::Psmavnadpisoch1Click);

    QMenu* service = addMenu(nullptr, u"Servis1"_s, u"&Servis"_s, u"Servis"_s);
    addItem(service, u"Zloha1"_s, u"&Odsun do archívu"_s, u"Záloha dát"_s, &TForm1::Zloha1Click);
    addItem(service, u"Obnova1"_s, u"&Prísun z archívu"_s, u"Obnova dát"_s, &TForm1::Obnova1Click);
    service->addSeparator();
    // The backup: Zloha1 is the archive's handler name, so the backup item is the second "Záloha".
    addItem(service, u"Zloha2"_s, u"&Záloha"_s, QString(), &TForm1::Zloha2Click);
    service->addSeparator();
    addItem(service, u"Reindexcia1"_s, u"&Reindexácia"_s, u"Reindexácia dát"_s, &TForm1::Reindexcia1Click);
    // Owners only (Session.cpp): after "&Reindexácia".
    m_clerks = addItem(nullptr, u"Pokladnci1"_s, u"Po&kladníci…"_s, u"Správa pokladníkov"_s, &TForm1::Pokladnci1Click);
    service->addSeparator();
    addItem(service, u"Kalkulaka1"_s, u"&Kalkulačka"_s, u"Kalkulačka"_s, &TForm1::Kalkulaka1Click);
    service->addSeparator();
    addItem(service, u"Zmenyzznamov1"_s, u"Z&meny záznamov…"_s, u"Zmeny záznamov"_s, &TForm1::Zmenyzznamov1Click);
    service->addSeparator();
    addItem(service, u"Oprograme1"_s, u"O p&rograme..."_s, u"Informácia o programe"_s, &TForm1::Oprograme1Click);
}

void TForm1::createToolBar()
{
    Panel1 = new QToolBar(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setMovable(false);
    Panel1->setFloatable(false);
    Panel1->toggleViewAction()->setVisible(false);
    addToolBar(Qt::TopToolBarArea, Panel1);

    registerIcons();
    setWindowIcon(QIcon::fromTheme(u"mervana"_s, QIcon(u":/icons/mervana.svg"_s)));
    // Pictures from the desktop's theme, our own where it has none.
    const auto button = [this](QToolButton*& b, const char* name, const QString& hint, const IconName& icon,
                               void (TForm1::*handler)()) {
        b = new QToolButton(Panel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setFixedSize(23, 22);
        b->setIconSize(QSize(16, 16));
        b->setIcon(QIcon::fromTheme(QLatin1StringView(icon.theme), QIcon(QLatin1StringView(icon.fallback))));
        b->setText(hint);
        b->setToolTip(hint);
        b->setStatusTip(hint);
        b->setAutoRaise(true);
        if (handler)
            connect(b, &QToolButton::clicked, this,
                    [this, handler] { guarded([this, handler] { (this->*handler)(); }); });
        else
            b->setEnabled(false);
        Panel1->addWidget(b);
    };
    button(SpeedButton2, "SpeedButton2", u"Osoby"_s, {"system-users", ":/icons/osoby.svg"}, &TForm1::SpeedButton2Click);
    button(SpeedButton1, "SpeedButton1", u"Zmluvy"_s, {"x-office-document", ":/icons/zmluvy.svg"},
           &TForm1::SpeedButton1Click);
    button(SpeedButton3, "SpeedButton3", u"Inventár"_s, {"package-x-generic", ":/icons/inventar.svg"},
           &TForm1::SpeedButton3Click);
    button(SpeedButton4, "SpeedButton4", u"Predĺženia"_s, {"appointment-new", ":/icons/predlzenia.svg"},
           &TForm1::SpeedButton4Click);
    button(SpeedButton5, "SpeedButton5", u"Tlač zmluvy"_s, {"document-print", ":/icons/tlac.svg"},
           &TForm1::SpeedButton5Click);
    button(SpeedButton6, "SpeedButton6", u"Koniec programu"_s, {"application-exit", ":/icons/koniec.svg"},
           &TForm1::SpeedButton6Click);
}

void TForm1::createStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setObjectName(u"StatusBar1"_s);
    bar->setSizeGripEnabled(false);
    const int widths[4] = {60, 50, 50, 60};
    for (int i = 0; i < 4; ++i) {
        auto* panel = new QLabel(bar);
        panel->setObjectName(u"Panel%1"_s.arg(i));
        panel->setFrameShape(QFrame::StyledPanel);
        panel->setFrameShadow(QFrame::Sunken);
        // At least the designed width: a wider font must not cut the date off.
        panel->setMinimumWidth(widths[i]);
        if (i < 3)
            bar->addWidget(panel, i == 2 ? 1 : 0);
        else
            bar->addPermanentWidget(panel); // the signed-in clerk, where clerks sign in
        m_panels[i] = panel;
    }
    m_panels[3]->hide();
    Timer1 = new QTimer(this);
    Timer1->setObjectName(u"Timer1"_s);
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { guarded([this] { Timer1Timer(); }); });
    Timer1->start();
    Timer1Timer();
}

void TForm1::closeEvent(QCloseEvent* e)
{
    // A locked register is not ended by whoever passes by: its clerk's pending work would be stored in their name.
    if (m_locked) return e->ignore();
    EngineConfig::setFrameGeometry(saveGeometry());
    QMainWindow::closeEvent(e);
}

bool TForm1::event(QEvent* e)
{
    const EventPump::HoldFor hold(e);
    // The hint goes to panel 2 on the next tick, not into the status bar's own message line.
    if (e->type() == QEvent::StatusTip) {
        m_hint = static_cast<QStatusTipEvent*>(e)->tip();
        return true;
    }
    if (e->type() == QEvent::Resize && m_cover) m_cover->setGeometry(rect());
    const bool handled = QMainWindow::event(e);
    // The program's name in the frame's title (and so the task bar), after what the MDI area made of it.
    if (e->type() == QEvent::WindowTitleChange || e->type() == QEvent::Show || e->type() == QEvent::WinIdChange) {
        const QString full = windowTitle() + u" — "_s + Messages::programName();
        if (QWindow* w = windowHandle(); w && w->title() != full) w->setTitle(full);
    }
    return handled;
}

void TForm1::Timer1Timer()
{
    m_panels[0]->setText(Values::shortDateText(Clock::today()));
    m_panels[1]->setText(Clock::now().time().toString(u"HH:mm:ss"_s));
    m_panels[2]->setText(m_hint);
    checkIdle();
}

QMdiSubWindow* TForm1::addChild(QWidget* form)
{
    const EventPump::Hold hold; // Qt shows the window's children one by one
    QMdiSubWindow* sub = m_mdi->addSubWindow(form);
    sub->installEventFilter(new MinimiseOnClose(sub));
    new AccessKeys(form);
    sub->showMaximized();
    return sub;
}

void TForm1::showChild(QWidget* form)
{
    showSubWindow(form);
    // An active window gets no activation: its panel follows the record it was moved to here.
    if (auto* w = qobject_cast<RegisterWindow*>(form)) w->followCurrent();
}

void TForm1::showSubWindow(QWidget* form)
{
    const EventPump::Hold hold; // Qt shows the window's children one by one
    for (QMdiSubWindow* sub : m_mdi->subWindowList()) {
        if (sub->widget() == form) {
            if (sub->isMinimized())
                sub->showMaximized();
            else
                sub->show();
            m_mdi->setActiveSubWindow(sub);
            form->show();
            return;
        }
    }
    addChild(form);
}

void TForm1::createRegisterWindows()
{
    m_form2 = new TForm2(this);
    addChild(m_form2);
    m_form4 = new TForm4(this);
    addChild(m_form4);
    m_form7 = new TForm7(this);
    addChild(m_form7);
    m_form20 = new TForm20(this);
    m_form3 = new TForm3(this);
    addChild(m_form3);
    showChild(m_form3);
}

void TForm1::ConfirmExit()
{
    if (Messages::question(u"Skutočne chcete program ukončiť ?"_s)) close();
}

void TForm1::Koniec1Click()
{
    ConfirmExit();
}

void TForm1::SpeedButton6Click()
{
    ConfirmExit();
}

void TForm1::Osoby1Click()
{
    m_form3->Table1->setFilter(QString());
    m_form3->Table1->setFiltered(false);
    showChild(m_form3);
}

void TForm1::Predenia1Click()
{
    showChild(m_form7);
}

void TForm1::SpeedButton2Click()
{
    m_form3->ShowPerson(m_form2->Table1->field(u"BIRTHNUM"_s).asString());
}

void TForm1::SpeedButton1Click()
{
    m_form3->ShowPersonContracts();
}

void TForm1::SpeedButton3Click()
{
    {
        WaitCursor wait;
        const QString number = m_form2->Table1->field(u"NUMBER"_s).asString();
        Table* goods = m_form4->Table1;
        goods->setIndexName(u"NUMBER"_s);
        goods->setFilter(Filter::equal(goods->definition(), u"NUMBER"_s, number));
        goods->setFiltered(true);
        m_form4->setWindowTitle(u"Založené predmety na zmluve: "_s + number);
    }
    showChild(m_form4);
}

void TForm1::SpeedButton4Click()
{
    {
        WaitCursor wait;
        Table* extensions = m_form7->Table1;
        extensions->setIndexName(u"NUMBER"_s);
        extensions->findKey(m_form2->Edit1 ? m_form2->Edit1->text() : QString());
        const QString number = m_form2->Table1->field(u"NUMBER"_s).asString();
        extensions->setFilter(Filter::equal(extensions->definition(), u"NUMBER"_s, number));
        extensions->setFiltered(true);
        m_form7->setWindowTitle(u"Predĺženia k zmluve: "_s + number);
    }
    showChild(m_form7);
}

void TForm1::SpeedButton5Click()
{
    m_form2->OpenContractPrint();
}

void TForm1::Textzmluvy1Click()
{
    OpenTemplateInEditor();
}
