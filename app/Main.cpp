#include "app/Main.h"

#include "core/Shop.h"
#include "store/Clock.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/admin/EngineConfig.h"
#include "store/admin/StoreLock.h"
#include "store/engine/FileModes.h"
#include "store/engine/Names.h"
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

QAction* TForm1::action(const QString& objectName) const
{
    return m_actions.value(objectName);
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
    m_form3->ShowPerson(m_form2->Table1->field(Col::BIRTHNUM).asString());
}

void TForm1::SpeedButton1Click()
{
    m_form3->ShowPersonContracts();
}

void TForm1::SpeedButton3Click()
{
    {
        WaitCursor wait;
        const QString number = m_form2->Table1->field(Col::NUMBER).asString();
        Table* goods = m_form4->Table1;
        goods->setIndexName(Col::NUMBER);
        goods->setFilter(Filter::equal(goods->definition(), Col::NUMBER, number));
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
        extensions->setIndexName(Col::NUMBER);
        extensions->findKey(m_form2->Edit1 ? m_form2->Edit1->text() : QString());
        const QString number = m_form2->Table1->field(Col::NUMBER).asString();
        extensions->setFilter(Filter::equal(extensions->definition(), Col::NUMBER, number));
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
