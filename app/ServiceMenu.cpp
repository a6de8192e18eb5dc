#include "app/Main.h"

#include "app/AppearanceDialogs.h"
#include "core/Maintenance.h"
#include "core/Shop.h"
#include "core/VersionFile.h"
#include "store/Table.h"
#include "widgets/OwnerOnly.h"
#include "widgets/WaitCursor.h"
#include "windows/print/ObdobieZmien.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"
#include "windows/services/About.h"
#include "windows/services/Archiv.h"
#include "windows/services/Hladaj.h"
#include "windows/services/Obeh.h"
#include "windows/services/PoctyViet.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QProcess>
#include <QStandardPaths>
#include <QTableView>

using namespace Qt::Literals::StringLiterals;

namespace {

// The four register windows in the order the appearance commands and the maintenance commands treat them.
QList<RegisterWindow*> registerWindows(const TForm1& main)
{
    return {main.form2(), main.form3(), main.form4(), main.form7()};
}

QList<Table*> windowInstances(const TForm1& main)
{
    QList<Table*> tables;
    for (RegisterWindow* w : registerWindows(main))
        tables << w->Table1;
    return tables;
}

QList<QLabel*> labelsOf(QWidget* window)
{
    return window->findChildren<QLabel*>();
}

QColor textColor(const QWidget* w, QPalette::ColorRole role)
{
    return w->palette().color(role);
}

void setTextColor(QWidget* w, QPalette::ColorRole role, const QColor& color)
{
    QPalette p = w->palette();
    p.setColor(role, color);
    w->setPalette(p);
}

void setGridFont(QTableView* grid, const QFont& font)
{
    grid->setFont(font);
    // Rows grow with the font, so that a larger one is not cut off.
    grid->verticalHeader()->setDefaultSectionSize(QFontMetrics(font).height() + 6);
}

// The caption whose font and colour the caption commands start from.
QLabel* firstCaption(const TForm1& main)
{
    auto* label = main.form2()->findChild<QLabel*>(u"Label1"_s);
    if (!label) label = labelsOf(main.form2()).value(0);
    return label;
}

void showWindow(QWidget* w)
{
    w->show();
    w->raise();
    w->activateWindow();
}

} // namespace

void TForm1::Hadanie1Click()
{
    form<TForm5>()->ShowSearch();
}

void TForm1::Reindexcia1Click()
{
    if (!ownerOnly(*m_shop)) return;
    WaitCursor wait;
    Maintenance::Reindex({m_shop->Table1, m_shop->Table2, m_shop->Table3, m_shop->Table4}, windowInstances(*this));
}

void TForm1::Save1Click()
{
    WaitCursor wait;
    // The archive window's three instances are stored too once that window exists; it is not made for this.
    QList<Table*> archive;
    if (const TForm18* w = existingForm<TForm18>()) archive = {w->Table1, w->Table2, w->Table3};
    Maintenance::WriteThrough(m_shop->store(), windowInstances(*this), archive);
}

void TForm1::Kalkulaka1Click()
{
    // Started and left to itself; a calculator that does not start is not worth a message.
#ifdef Q_OS_WIN
    QProcess::startDetached(u"CALC.EXE"_s, {});
#else
    for (const QString& name : {u"gnome-calculator"_s, u"kcalc"_s, u"galculator"_s, u"qalculate-gtk"_s, u"xcalc"_s}) {
        const QString path = QStandardPaths::findExecutable(name);
        if (!path.isEmpty()) {
            QProcess::startDetached(path, {});
            return;
        }
    }
#endif
}

void TForm1::Vgride1Click()
{
    QTableView* first = m_form2->DBGrid1;
    QFont font = first->font();
    QColor color = textColor(first, QPalette::Text);
    if (!AppearanceDialogs::chooseFont(this, font, color)) return;
    for (RegisterWindow* w : registerWindows(*this)) {
        setGridFont(w->DBGrid1, font);
        setTextColor(w->DBGrid1, QPalette::Text, color);
    }
}

void TForm1::Vnadpisoch1Click()
{
    QLabel* first = firstCaption(*this);
    QFont font = first ? first->font() : m_form2->font();
    QColor color = textColor(first ? static_cast<QWidget*>(first) : m_form2, QPalette::WindowText);
    if (!AppearanceDialogs::chooseFont(this, font, color)) return;
    for (RegisterWindow* w : registerWindows(*this)) {
        for (QLabel* label : labelsOf(w)) {
            label->setFont(font);
            setTextColor(label, QPalette::WindowText, color);
        }
    }
}

void TForm1::Psmavgride1Click()
{
    QColor color = textColor(m_form2->DBGrid1, QPalette::Text);
    if (!AppearanceDialogs::chooseColor(this, color)) return;
    for (RegisterWindow* w : registerWindows(*this))
        setTextColor(w->DBGrid1, QPalette::Text, color);
}

void TForm1::Psmavnadpisoch1Click()
{
    QLabel* first = firstCaption(*this);
    QColor color = textColor(first ? static_cast<QWidget*>(first) : m_form2, QPalette::WindowText);
    if (!AppearanceDialogs::chooseColor(this, color)) return;
    for (RegisterWindow* w : registerWindows(*this))
        for (QLabel* label : labelsOf(w))
            setTextColor(label, QPalette::WindowText, color);
}

void TForm1::Zmenyzznamov1Click()
{
    form<TObdobieZmien>()->ShowToday();
}

void TForm1::Oprograme1Click()
{
    // The file first: when it cannot be read or written the command ends there, with no window.
    const QString versionText = VersionFile::readOrCreate(VersionFile::fileName());
    form<TForm21>()->ShowAbout(versionText);
}

void TForm1::Zloha1Click()
{
    if (!ownerOnly(*m_shop)) return;
    TForm18* archive = form<TForm18>();
    archive->setMode(false);
    showWindow(archive);
}

void TForm1::Obnova1Click()
{
    if (!ownerOnly(*m_shop)) return;
    TForm18* archive = form<TForm18>();
    archive->setMode(true);
    showWindow(archive);
}

void TForm1::Peniazevobehu2Click()
{
    TForm10* figures = form<TForm10>();
    figures->Compute(0);
    figures->setWindowTitle(u"Peniaze v obehu"_s);
    showWindow(figures);
}

void TForm1::Zlonhodnota2Click()
{
    TForm10* figures = form<TForm10>();
    figures->Compute(1);
    figures->setWindowTitle(u"Celková záložná hodnota"_s);
    showWindow(figures);
}

void TForm1::Potyviet2Click()
{
    TForm19* counts = nullptr;
    {
        const WaitCursor wait;
        // The archive window's tables are the ones counted; it is made, not shown, when it is not there yet.
        TForm18* archive = form<TForm18>();
        counts = form<TForm19>();
        counts->Count(*archive);
    }
    showWindow(counts);
}
