#include "windows/services/Archiv.h"

#include "core/ArchiveMove.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Names.h"
#include "widgets/DialogButtons.h"
#include "widgets/Frame.h"
#include "widgets/Guard.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "widgets/MonthCal.h"
#include "widgets/OwnerOnly.h"
#include "windows/register/Inventar.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"

#include <QApplication>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace {

// At most this many numbers in the warning, eight to a line.
constexpr int ListedNumbers = 48;
constexpr int NumbersPerLine = 8;

QString duplicatesWarning(const QStringList& numbers)
{
    QStringList lines;
    const QStringList listed = numbers.mid(0, ListedNumbers);
    for (qsizetype i = 0; i < listed.size(); i += NumbersPerLine)
        lines << listed.mid(i, NumbersPerLine).join(u", "_s);
    QString text = u"Tieto čísla zmlúv boli v registri aj v archíve,\rpo prísune sú v registri dvakrát:\r"_s +
                   lines.join(u",\r"_s);
    if (numbers.size() > ListedNumbers) text += u"\r... a ďalších %1"_s.arg(numbers.size() - ListedNumbers);
    return text;
}

// While a step works the window takes no second "&OK" (the screen keeps painting meanwhile), and the
// frame shows the hourglass and refuses its commands.
class Working
{
public:
    Working(QWidget* window, Shop& shop) : m_window(window), m_busy(shop.busy(true)) { window->setEnabled(false); }
    ~Working() { m_window->setEnabled(true); }
    Working(const Working&) = delete;
    Working& operator=(const Working&) = delete;

private:
    QWidget* m_window;
    std::shared_ptr<void> m_busy;
};

} // namespace

TForm18::TForm18(Frame* main)
    : QDialog(main->frameWidget(), Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                       Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_main(main)
{
    setObjectName(u"TForm18"_s);
    setWindowTitle(u"Archivácia"_s);
    setModal(false);

    Store& store = main->shop().store();
    const struct
    {
        Table** table;
        const char* name;
        QString file;
    } archive[] = {{&Table1, "Table1", Tab::XzmluvyDbf},
                   {&Table2, "Table2", Tab::XpredlzDbf},
                   {&Table3, "Table3", Tab::XinventDbf}};
    for (const auto& a : archive) {
        *a.table = new Table(store, a.file, this); // opened by each operation, closed after it
        (*a.table)->setObjectName(QString::fromLatin1(a.name));
    }

    Panel1 = new QFrame(this);
    Panel1->setObjectName(u"Panel1"_s);
    Panel1->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(Panel1);
    const auto dateBox = [this, grid](MaskEdit*& box, QToolButton*& button, QLabel*& label, const QString& number,
                                      const QString& caption, int column) {
        box = new MaskEdit(MaskEdit::Mask::DayMonthOptional, Panel1);
        box->setObjectName(u"MaskEdit"_s + number);
        button = new QToolButton(Panel1);
        button->setObjectName(u"SpeedButton"_s + number);
        button->setText(u"..."_s);
        button->setFocusPolicy(Qt::NoFocus); // a mouse shortcut; typing goes box to box
        label = new QLabel(caption, Panel1);
        label->setObjectName(u"Label"_s + number);
        label->setBuddy(box);
        grid->addWidget(label, 0, column * 2, 1, 2);
        grid->addWidget(box, 1, column * 2);
        grid->addWidget(button, 1, column * 2 + 1);
        connect(button, &QToolButton::clicked, this, [this, box] { guarded([&] { PickDay(m_main, box); }); });
    };
    dateBox(MaskEdit1, SpeedButton1, Label1, u"1"_s, u"Dátum od"_s, 0);
    dateBox(MaskEdit2, SpeedButton2, Label2, u"2"_s, u"Dátum do"_s, 1);

    QHBoxLayout* buttons = stornoOkButtons(this, BitBtn1, BitBtn2);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Panel1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed border

    connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
    MERVANA_ON(BitBtn2, &QPushButton::clicked, this, BitBtn2Click);
    setMode(false);
}

TForm18::~TForm18()
{
    const EventPump::Hold hold;
    // The archive tables close while the store is still open.
    for (Table** t : {&Table1, &Table2, &Table3}) {
        delete *t;
        *t = nullptr;
    }
}

bool TForm18::event(QEvent* event)
{
    const EventPump::HoldFor hold(event);
    return QDialog::event(event);
}

void TForm18::setMode(bool restore)
{
    RestoreMode = restore;
    setWindowTitle(restore ? u"Dearchivácia"_s : u"Archivácia"_s);
    // Moving back takes the whole archive: the period is shown but not asked for.
    const QColor background = restore ? QApplication::palette().color(QPalette::Disabled, QPalette::WindowText)
                                      : QApplication::palette().color(QPalette::Active, QPalette::Base);
    for (MaskEdit* box : {MaskEdit1, MaskEdit2}) {
        box->setDate(Clock::today());
        box->setEnabled(!restore);
        QPalette p = box->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
            p.setColor(group, QPalette::Base, background);
        box->setPalette(p);
    }
    SpeedButton1->setEnabled(!restore);
    SpeedButton2->setEnabled(!restore);
}

void TForm18::BitBtn2Click()
{
    if (!ownerOnly(m_main->shop())) return;
    const QDate from = Values::dateFromText(MaskEdit1->text());
    const QDate to = Values::dateFromText(MaskEdit2->text());
    if (to < from) {
        Messages::error(u"V dátumoch je chyba..."_s);
        return;
    }
    if (RestoreMode)
        moveBack();
    else
        moveOut(from, to);
}

void TForm18::closeRegisterWindows()
{
    const EventPump::Hold hold; // Qt switches the active window while they go
    for (QWidget* form : {static_cast<QWidget*>(m_main->form2()), static_cast<QWidget*>(m_main->form4()),
                          static_cast<QWidget*>(m_main->form7())}) {
        auto* sub = qobject_cast<QMdiSubWindow*>(form ? form->parentWidget() : nullptr);
        if (!sub) continue;
        // The MDI area restores a window minimised behind the active one; the active one stays minimised.
        m_main->mdiArea()->setActiveSubWindow(sub);
        sub->close();
    }
}

ArchiveMove::Tables TForm18::liveTables() const
{
    return {*m_main->form2()->Table1, *m_main->form7()->Table1, *m_main->form4()->Table1};
}

void TForm18::moveOut(const QDate& from, const QDate& to)
{
    if (!Messages::question(u"Skutočne si želáte odsun ukončených zmlúv\rpodpísaných za obdobie od "_s +
                            MaskEdit1->text() + u" do "_s + MaskEdit2->text() + u"\r"_s + u"do archívu ?"_s))
        return;
    const ArchiveMove::Tables live = liveTables(), archive{*Table1, *Table2, *Table3};
    closeRegisterWindows();
    {
        // The marks are stored on their own: they stay when the clerk answers No below.
        const Working working(this, m_main->shop());
        ArchiveMove::markFinished(live, from, to);
    }
    if (!Messages::question(u"Archivácia je pripravená.\rMôžu sa záznamy presunúť do archívneho súboru ?"_s)) return;
    {
        const Working working(this, m_main->shop());
        ArchiveMove::moveMarked(live, archive, from, to);
    }
    hide();
    Messages::information(u"Odsun do archívu bol úspešne skončený..."_s);
}

void TForm18::moveBack()
{
    if (!Messages::question(u"Skutočne si želáte prísun všetkých\rzmlúv z archívu ?"_s)) return;
    const ArchiveMove::Tables live = liveTables(), archive{*Table1, *Table2, *Table3};
    closeRegisterWindows();
    ArchiveMove::Restored restored;
    {
        const Working working(this, m_main->shop());
        restored = ArchiveMove::moveBack(live, archive);
    }
    hide();
    Messages::information(u"Prísun z archívu bol úspešne skončený..."_s);
    // Nothing was lost, but two contracts share each of these numbers now.
    if (!restored.duplicates.isEmpty()) Messages::warning(duplicatesWarning(restored.duplicates));
}
