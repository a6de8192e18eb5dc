#include "app/Main.h"

#include "core/Clerks.h"
#include "core/Retention.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/EventPump.h"
#include "store/Store.h"
#include "store/admin/EngineConfig.h"
#include "store/trail/Trail.h"
#include "widgets/Guard.h"
#include "widgets/IdleWatch.h"
#include "widgets/Messages.h"
#include "widgets/OwnerOnly.h"
#include "widgets/WaitCursor.h"
#include "windows/services/Pokladnici.h"
#include "windows/services/Prihlasenie.h"
#include "windows/services/Zaloha.h"

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <functional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Calls back for each window of the program that is shown, once the show is done: a window must not be hidden
// in the middle of being shown.
class WindowShown : public QObject
{
public:
    WindowShown(std::function<void(QWidget*)> shown, QObject* parent) : QObject(parent), m_shown(std::move(shown)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget*>(watched)->isWindow())
            QTimer::singleShot(0, watched, [this, w = static_cast<QWidget*>(watched)] { m_shown(w); });
        return false;
    }

private:
    std::function<void(QWidget*)> m_shown;
};

} // namespace

void TForm1::beginSession()
{
    if (Clerks::anyActive(m_shop->store())) return askClerk(false);
    openFrame();
}

void TForm1::openFrame()
{
    {
        // The frame creates and shows every window; no pending event may run in the middle of that.
        const EventPump::Hold hold;
        createRegisterWindows();
        // Maximised the first time; afterwards as the clerk left it.
        if (restoreGeometry(EngineConfig::frameGeometry()))
            show();
        else
            showMaximized();
    }
    m_opened = true;
    m_lockMinutes = EngineConfig::lockMinutes();
    m_idle->reset();
    showSession();
    if (!m_backupDone) {
        m_backupDone = true;
        QTimer::singleShot(0, this, [this] { guarded([this] { Zaloha::DailyBackup(*this); }); });
    }
    QTimer::singleShot(0, this, [this] { guarded([this] { askRetention(); }); });
}

void TForm1::askRetention()
{
    // A clerk who is no owner is not asked; the owner who signs in later this month is.
    if (!m_shop->ownerMayWork()) return;
    Store& store = m_shop->store();
    const QDate today = Clock::today();
    const int years = EngineConfig::retentionYears();
    // Once a month: the look reads every contract, and the trail tells whether another counter asked already.
    const QString month = today.toString(u"yyyy-MM"_s);
    if (years == 0 || EngineConfig::retentionCheckedMonth() == month || Retention::askedIn(store, today)) return;
    qsizetype due = 0;
    {
        WaitCursor wait;
        due = Retention::survey(store, today, years).due.size();
    }
    EngineConfig::setRetentionCheckedMonth(month);
    if (due == 0) return;
    const bool yes = Messages::question(
        u"Počet osôb, ktorým uplynula lehota uchovania osobných údajov: %1\rAnonymizovať ich teraz ?"_s.arg(due));
    Retention::noteAsked(store, today, due, yes);
    if (!yes) return;
    qsizetype done = 0;
    {
        WaitCursor wait;
        done = Retention::anonymiseDue(store, today, years).size();
    }
    Messages::information(u"Anonymizované osoby: %1"_s.arg(done));
}

void TForm1::askClerk(bool unlock)
{
    auto* dialog =
        new TPrihlasenie(this, m_shop->store(), unlock ? TPrihlasenie::Mode::Unlock : TPrihlasenie::Mode::SignIn);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    m_clerkDialog = dialog;
    connect(dialog, &QDialog::accepted, this, [this, dialog] { guarded([this, dialog] { clerkAnswered(dialog); }); });
    if (!unlock) connect(dialog, &QDialog::rejected, this, &TForm1::programEnded);
    if (!isVisible()) {
        // Before the frame is shown there is no frame to centre on: the screen's middle instead.
        dialog->adjustSize();
        const QRect screen = (this->screen() ? this->screen() : QGuiApplication::primaryScreen())->availableGeometry();
        dialog->move(screen.center() - dialog->rect().center());
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

TPrihlasenie* TForm1::clerkDialog() const
{
    return m_clerkDialog.data();
}

void TForm1::clerkAnswered(TPrihlasenie* dialog)
{
    if (dialog->mode() == TPrihlasenie::Mode::Unlock) return unlock();
    m_shop->setRole(dialog->role());
    // Routines that open the store anew (a backup) name the clerk too.
    Trail::setDefaultClerk(m_shop->store().clerk());
    openFrame();
}

void TForm1::showSession()
{
    const std::optional<Clerks::Role> role = m_shop->role();
    const auto place = [](QMenu* menu, QAction* item, QAction* before, bool shown) {
        if (!shown)
            menu->removeAction(item);
        else if (!menu->actions().contains(item))
            menu->insertAction(before, item);
    };
    // Only where clerks sign in: a shop without them keeps its menus as they always were.
    place(action(u"Mervana1"_s)->menu(), m_signOut, action(u"Koniec1"_s), role.has_value());
    QMenu* service = action(u"Servis1"_s)->menu();
    const QList<QAction*> items = service->actions();
    place(service, m_clerks, items.value(items.indexOf(action(u"Reindexcia1"_s)) + 1), role == Clerks::Role::Owner);

    QLabel* panel = m_panels[3];
    panel->setVisible(role.has_value());
    panel->setText(role ? u"%1 (%2)"_s.arg(m_shop->store().clerk(), Clerks::name(*role)) : QString());
}

void TForm1::Odhlsi1Click()
{
    if (!Messages::question(u"Skutočne sa chcete odhlásiť ?"_s)) return;
    EngineConfig::setFrameGeometry(saveGeometry());
    closeWindows();
    hide();
    m_opened = false;
    Store& store = m_shop->store();
    guarded([&store] { Clerks::signOut(store); });
    store.setClerk(Trail::noClerk()); // signed out, even when the row could not be written
    Trail::setDefaultClerk({});
    m_shop->setRole(std::nullopt);
    showSession();
    // Nothing to show when the store cannot tell who may sign in: the program ends rather than hide.
    if (!guarded([this] { beginSession(); })) Q_EMIT programEnded();
}

void TForm1::Pokladnci1Click()
{
    if (!ownerOnly(*m_shop)) return;
    form<TPokladnici>()->ShowClerks();
}

void TForm1::checkIdle()
{
    if (!m_opened || m_locked || !m_shop->role() || m_lockMinutes <= 0) return;
    if (m_idle->idle() >= std::chrono::minutes(m_lockMinutes)) lockNow();
}

void TForm1::lockNow()
{
    if (m_locked || !m_shop->role()) return; // a counter nobody signed in to has nobody to unlock it
    m_locked = true;
    // The windows stay as they are, under a cover; whatever else stands open of the program (a preview, a dialog,
    // a message box) goes out of sight with what it shows, until the register is unlocked.
    if (!m_cover) {
        m_cover = new QWidget(this);
        m_cover->setObjectName(u"Cover"_s);
        m_cover->setAutoFillBackground(true);
    }
    m_cover->setGeometry(rect());
    m_cover->raise();
    m_cover->show();
    for (QWidget* w : QApplication::topLevelWidgets())
        hideWhileLocked(w);
    if (!m_lockWatch) m_lockWatch = new WindowShown([this](QWidget* w) { hideWhileLocked(w); }, this);
    qApp->installEventFilter(m_lockWatch);
    askClerk(true);
    Clerks::lock(m_shop->store());
}

void TForm1::hideWhileLocked(QWidget* w)
{
    if (!m_locked || w == this || !w->isVisible() || w == m_clerkDialog) return;
    if (w->windowType() == Qt::Popup || w->windowType() == Qt::ToolTip) {
        w->hide(); // a menu or a tip is closed, not kept
        return;
    }
    if (m_hiddenWhileLocked.contains(w)) return;
    m_hiddenWhileLocked << w;
    // QDialog's own hide would end a modal dialog's exec() as if it were answered; the widget's hide only takes it
    // off the screen, its question still open.
    w->QWidget::setVisible(false);
}

void TForm1::unlock()
{
    m_locked = false;
    qApp->removeEventFilter(m_lockWatch);
    m_cover->hide();
    for (const QPointer<QWidget>& w : std::as_const(m_hiddenWhileLocked))
        if (w) w->show();
    m_hiddenWhileLocked.clear();
    m_idle->reset();
    activateWindow();
}
