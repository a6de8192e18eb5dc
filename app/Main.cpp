#include "app/Main.h"

#include "app/MonthCal.h"
#include "register/Inventar.h"
#include "register/Osoby.h"
#include "register/Predlz.h"
#include "register/Zmluvy.h"
#include "store/EngineConfig.h"
#include "store/Store.h"
#include "store/Table.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

using namespace Qt::Literals::StringLiterals;

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

} // namespace

TForm1::TForm1(const QString& programDir, QWidget* parent) : QMainWindow(parent)
{
    setObjectName(u"TForm1"_s);
    const EngineConfig::Definition def = EngineConfig::ensureDatabaseName(programDir);
    m_store = std::make_unique<Store>(def.path);

    const struct
    {
        Table** table;
        const char* name;
        QString file;
        QString tag;
    } live[] = {{&Table1, "Table1", u"Zmluvy.DBF"_s, u"NUMBER"_s},
                {&Table2, "Table2", u"Osoby.DBF"_s, u"BIRTHNUM"_s},
                {&Table3, "Table3", u"Predlz.DBF"_s, u"NUMBER"_s},
                {&Table4, "Table4", u"Inventar.DBF"_s, u"NUMBER"_s},
                {&Table5, "Table5", u"Prijvyd.dbf"_s, u"DATE"_s}};
    for (const auto& t : live) {
        *t.table = new Table(*m_store, t.file, this);
        (*t.table)->setObjectName(QString::fromLatin1(t.name));
        (*t.table)->setIndexName(t.tag);
        (*t.table)->open();
    }

    ShopName = EngineConfig::shopName();
    setWindowTitle(ShopName);

    m_mdi = new QMdiArea(this);
    m_mdi->setObjectName(u"MdiArea"_s);
    setCentralWidget(m_mdi);
}

TForm1::~TForm1()
{
    // Windows close their tables before the store goes.
    delete m_mdi;
    m_mdi = nullptr;
    qDeleteAll(m_windows);
    m_windows.clear();
    delete m_form20;
    for (Table* t : {Table1, Table2, Table3, Table4, Table5})
        delete t;
}

QMdiSubWindow* TForm1::addChild(QWidget* form)
{
    QMdiSubWindow* sub = m_mdi->addSubWindow(form);
    sub->installEventFilter(new MinimiseOnClose(sub));
    sub->showMaximized();
    return sub;
}

void TForm1::showChild(QWidget* form)
{
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
