#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/admin/EngineConfig.h"
#include "widgets/Guard.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "widgets/MonthCal.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QString dataDir(const QTemporaryDir& dir)
{
    return dir.path() + u"/Data"_s;
}

QString configuredPath()
{
    const QSettings settings(EngineConfig::filePath(), QSettings::IniFormat);
    return settings.value(u"Mervana/PATH"_s).toString();
}

void dropTable(const QString& dir, const QString& table)
{
    const QString connection = u"tst_mainwindow_drop"_s;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(u"QSQLITE"_s, connection);
        db.setDatabaseName(dir + u"/"_s + Store::fileName());
        QVERIFY(db.open());
        QSqlQuery q(db);
        QVERIFY(q.exec(u"DROP TABLE "_s + table));
        db.close();
    }
    QSqlDatabase::removeDatabase(connection);
}

// Caption and hint of every entry of a menu in order; "-" for a separator.
QStringList entries(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions())
        out << (a->isSeparator() ? u"-"_s : a->text() + u" | "_s + a->statusTip());
    return out;
}

void addContract(Table& t, const QString& number, const QString& birthNumber)
{
    t.append();
    t.field(u"NUMBER"_s).setAsString(number);
    t.field(u"BIRTHNUM"_s).setAsString(birthNumber);
    t.post();
}

void addRecord(Table& t, const QList<std::pair<QString, QString>>& values)
{
    t.append();
    for (const auto& [field, value] : values)
        t.field(field).setAsString(value);
    t.post();
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void windowTreeAndCreationOrder();
    void menus_data();
    void menus();
    void menuTitlesAndEnabledItems();
    void exitQuestion_data();
    void exitQuestion();
    void closeBoxExitsWithoutAsking();
    void statusBarAfterTick();
    void toolBarLayout();
    void toolBarContractsOfPerson_data();
    void toolBarContractsOfPerson();
    void toolBarPersonOfContract();
    void toolBarGoodsAndExtensionsOfContract();
    void registerViews();
    void closingRegisterWindowMinimisesIt();
    void pickDay_data();
    void pickDay();
    void pickDayInvalidBox();
    void databaseNameOnFirstStart();
    void existingDatabaseNameIsKept();
    void startUpErrors_data();
    void startUpErrors();
    void engineConfigurationAsWritten_data();
    void engineConfigurationAsWritten();

private:
    TForm1* start();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TForm1> m_main;
};

void TestMainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestMainWindow::init()
{
    Messages::setScripted(true);
    QFile::remove(EngineConfig::filePath());
    Clock::setToday(QDate(2026, 3, 15));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestMainWindow::cleanup()
{
    m_main.reset();
    m_dir.reset();
    Clock::setToday(QDate());
    QFile::remove(EngineConfig::filePath());
}

TForm1* TestMainWindow::start()
{
    Store::createEmpty(dataDir(*m_dir));
    EngineConfig::ensureDatabaseName(m_dir->path());
    m_main.reset(StartProgram(m_dir->path()));
    return m_main.get();
}

void TestMainWindow::windowTreeAndCreationOrder()
{
    TForm1* main = start();
    QVERIFY(main);
    QCOMPARE(main->shop().ShopName, u"Záložňa"_s);
    // A maximised child adds its caption to the frame's, as MDI frames do; the program's name ends only the
    // frame's title as the desktop shows it: a display name would end every dialog's title as well.
    QCOMPARE(main->windowTitle(), main->shop().ShopName + u" - [Záložcovia]"_s);
    QCOMPARE(main->windowHandle()->title(), main->windowTitle() + u" — Mervana KORVEL!"_s);
    QVERIFY(!QApplication::applicationDisplayName().contains(u"KORVEL"_s));
    QVERIFY(main->isVisible());
    QVERIFY(main->isMaximized());
    for (Table* t :
         {main->shop().Table1, main->shop().Table2, main->shop().Table3, main->shop().Table4, main->shop().Table5})
        QVERIFY(t->isOpen() && !t->filtered());
    QCOMPARE(main->shop().Table2->indexName(), u"BIRTHNUM"_s);
    QCOMPARE(main->shop().Table5->indexName(), u"DATE"_s);

    QStringList order;
    for (QMdiSubWindow* sub : main->mdiArea()->subWindowList(QMdiArea::CreationOrder)) {
        order << sub->widget()->objectName();
        QVERIFY(sub->isVisible());
    }
    QCOMPARE(order, (QStringList{u"TForm2"_s, u"TForm4"_s, u"TForm7"_s, u"TForm3"_s}));
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form3()));
    QVERIFY(main->mdiArea()->activeSubWindow()->isMaximized());
    QCOMPARE(main->form3()->windowTitle(), u"Záložcovia"_s);

    TForm20* picker = main->form20();
    QVERIFY(picker);
    QCOMPARE(picker->objectName(), u"TForm20"_s);
    QCOMPARE(picker->parentWidget(), static_cast<QWidget*>(main));
    QVERIFY(!picker->isVisible());
    QCOMPARE(picker->windowTitle(), u"Výber dňa"_s);
    QCOMPARE(picker->toolTip(), u"Výber dňa z kalendára"_s);
    QCOMPARE(picker->BitBtn1->text(), u"&OK"_s);
    QVERIFY(picker->findChild<QCalendarWidget*>(u"MonthCalendar1"_s));
    QVERIFY(Messages::takeShown().isEmpty());
}

void TestMainWindow::menus_data()
{
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("titleHint");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("Mervana") << u"Mervana1"_s << u"Mervana"_s
                             << QStringList{u"&Zmluvy | Súbor zmlúv"_s,
                                            u"&Osoby | Súbor osôb"_s,
                                            u"&Inventár | Súbor inventára"_s,
                                            u"&Predĺženia | "_s,
                                            u"-"_s,
                                            u"&Hľadanie | Vyhľadávanie údajov"_s,
                                            u"-"_s,
                                            u"&Koniec | Ukončenie programu"_s};
    QTest::newRow("Mervana/Zmluvy") << u"Zmluvy1"_s << u"Súbor zmlúv"_s
                                    << QStringList{u"&Všetky | Všetky zmluvy"_s,
                                                   u"-"_s,
                                                   u"&Aktuálne (pred vypršaním) | Aktuálne zmluvy (pred vypršaním)"_s,
                                                   u"&Expirované (po vypršaní) | Expirované zmluvy (po vypršaní)"_s,
                                                   u"&Zaplatené | Zaplatené zmluvy"_s,
                                                   u"&Prepadnuté | Prepadnuté zmluvy"_s,
                                                   u"P&redlžované | Predlžované zmluvy"_s};
    QTest::newRow("Mervana/Inventar") << u"Inventr1"_s << u"Súbor inventára"_s
                                      << QStringList{u"&Všetok | Všetok inventár"_s,
                                                     u"-"_s,
                                                     u"&Aktuálny (pred vypršaním) | Aktuálny (pred vypršaním)"_s,
                                                     u"&Expirovaný (po vypršaní) | Expirovaný (po vypršaní)"_s,
                                                     u"&Na predaj | Inventár na predaj"_s,
                                                     u"P&redaný | Predaný inventár"_s};
    QTest::newRow("Tlac") << u"Tla1"_s << u"Tlač"_s
                          << QStringList{u"&Expirácia zmlúv | Expirácia zmlúv"_s,
                                         u"Príjmy / &Výdaje | Príjmy / Výdaje"_s,
                                         u"-"_s,
                                         u"&Zmluvy | Zmluvy"_s,
                                         u"&Osoby | Osoby"_s,
                                         u"&Inventár | "_s};
    QTest::newRow("Tlac/Zmluvy") << u"TlacZmluvy1"_s << u"Zmluvy"_s
                                 << QStringList{u"&Všetky | Tlač všetkých"_s,
                                                u"-"_s,
                                                u"&Aktuálne (pred vypršaním) | Tlač aktuálnych (pred vypršaním)"_s,
                                                u"&Expirované (po vypršaní) | Tlač expirovaných (po vypršaní)"_s,
                                                u"&Zaplatené | Tlač zaplatených"_s,
                                                u"&Prepadnuté | Tlač prepadnutých"_s,
                                                u"P&redlžované | Tlač predlžovaných"_s};
    QTest::newRow("Tlac/Inventar") << u"TlacInventr1"_s << QString()
                                   << QStringList{u"&Všetok | Tlač všetok"_s,
                                                  u"-"_s,
                                                  u"&Aktuálny (pred vypršaním) | Tlač aktuálneho (pred vypršaním"_s,
                                                  u"&Expirovaný (po vypršaní) | Tlač expirovaného (po vypršaní)"_s,
                                                  u"&Na predaj | Tlač inventára na predaj"_s,
                                                  u"&Predaný | Tlač predaného"_s};
    QTest::newRow("Statistika") << u"tatistika1"_s << u"Štatistika"_s
                                << QStringList{u"&Peniaze v obehu | Peniaze v obehu"_s,
                                               u"&Záložná hodnota | Záložná hodnota"_s, u"-"_s,
                                               u"P&očty viet | Počty viet"_s};
    QTest::newRow("Nastavenia") << u"Nastavenia1"_s << u"Nastavenia"_s
                                << QStringList{u"&Uchovanie dát | Uchovanie dát"_s,
                                               u"-"_s,
                                               u"&Text zmluvy | Text zmluvy"_s,
                                               u"-"_s,
                                               u"&Font | Zmena písma"_s,
                                               u"F&arba | Zmena farby"_s};
    QTest::newRow("Nastavenia/Font") << u"Font1"_s << u"Zmena písma"_s
                                     << QStringList{u"V &gride | Zmena písma v gride"_s,
                                                    u"V &nadpisoch | Zmena písma v nadpisoch"_s};
    QTest::newRow("Nastavenia/Farba") << u"Farba1"_s << u"Zmena farby"_s
                                      << QStringList{u"Písma v &gride | Zmena farby písma v gride"_s,
                                                     u"Písma v &nadpisoch | Zmena farby písma v nadpisoch"_s};
    QTest::newRow("Servis") << u"Servis1"_s << u"Servis"_s
                            << QStringList{u"&Odsun do archívu | Záloha dát"_s,
                                           u"&Prísun z archívu | Obnova dát"_s,
                                           u"-"_s,
                                           u"&Záloha | "_s,
                                           u"-"_s,
                                           u"&Reindexácia | Reindexácia dát"_s,
                                           u"-"_s,
                                           u"&Kalkulačka | Kalkulačka"_s,
                                           u"-"_s,
                                           u"Z&meny záznamov… | Zmeny záznamov"_s,
                                           u"-"_s,
                                           u"O p&rograme... | Informácia o programe"_s};
}

void TestMainWindow::menus()
{
    QFETCH(QString, menu);
    QFETCH(QString, titleHint);
    QFETCH(QStringList, expected);

    TForm1* main = start();
    QVERIFY(main);
    QAction* title = main->action(menu);
    QVERIFY(title);
    QVERIFY(title->menu());
    QCOMPARE(title->statusTip(), titleHint);
    QCOMPARE(entries(title->menu()), expected);
}

void TestMainWindow::menuTitlesAndEnabledItems()
{
    TForm1* main = start();
    QVERIFY(main);
    QStringList titles;
    for (const QAction* a : main->menuBar()->actions())
        titles << a->objectName();
    QCOMPARE(titles, (QStringList{u"Mervana1"_s, u"Tla1"_s, u"tatistika1"_s, u"Nastavenia1"_s, u"Servis1"_s}));
    QVERIFY(main->action(u"Zloha2"_s)->isEnabled()); // the backup
    for (const QString& name : {u"Vetky1"_s,
                                u"Aktulne1"_s,
                                u"Expirovan1"_s,
                                u"Zaplaten1"_s,
                                u"Prepadnut1"_s,
                                u"Predlovan1"_s,
                                u"Vetok1"_s,
                                u"Aktulnypredexpirciou1"_s,
                                u"Expirovanpoexpircii1"_s,
                                u"Napredaj1"_s,
                                u"Predan1"_s,
                                u"Osoby1"_s,
                                u"Predenia1"_s,
                                u"Textzmluvy1"_s,
                                u"Koniec1"_s,
                                u"Zloha1"_s,
                                u"Obnova1"_s,
                                u"Peniazevobehu2"_s,
                                u"Zlonhodnota2"_s,
                                u"Potyviet2"_s,
                                u"Zmenyzznamov1"_s})
        QVERIFY2(main->action(name)->isEnabled(), qPrintable(name));
}

void TestMainWindow::exitQuestion_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("answer");
    QTest::newRow("menu, Yes") << u"Koniec1"_s << true;
    QTest::newRow("menu, No") << u"Koniec1"_s << false;
    QTest::newRow("tool bar, Yes") << u"SpeedButton6"_s << true;
    QTest::newRow("tool bar, No") << u"SpeedButton6"_s << false;
}

void TestMainWindow::exitQuestion()
{
    QFETCH(QString, control);
    QFETCH(bool, answer);

    TForm1* main = start();
    QVERIFY(main);
    Messages::pushAnswer(answer);
    if (QAction* a = main->action(control))
        a->trigger();
    else
        QTest::mouseClick(main->findChild<QToolButton*>(control), Qt::LeftButton);

    const QList<Messages::Shown> shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Question);
    QCOMPARE(shown.at(0).text, u"Skutočne chcete program ukončiť ?"_s);
    QCOMPARE(main->isVisible(), !answer);
}

void TestMainWindow::closeBoxExitsWithoutAsking()
{
    TForm1* main = start();
    QVERIFY(main);
    QVERIFY(main->close());
    QVERIFY(!main->isVisible());
    QVERIFY(Messages::takeShown().isEmpty());
}

void TestMainWindow::statusBarAfterTick()
{
    TForm1* main = start();
    QVERIFY(main);
    QCOMPARE(main->Timer1->interval(), 1000);
    QVERIFY(main->Timer1->isActive());
    QCOMPARE(main->statusPanel(0)->minimumWidth(), 60);
    QCOMPARE(main->statusPanel(1)->minimumWidth(), 50);
    QCOMPARE(main->statusPanel(2)->minimumWidth(), 50);

    // Another day and a highlighted menu title, then a highlighted item: each shows on the next tick.
    Clock::setToday(QDate(2026, 12, 6));
    main->activateWindow();
    main->menuBar()->setActiveAction(main->action(u"Mervana1"_s));
    QCOMPARE(main->currentHint(), u"Mervana"_s);
    QTRY_COMPARE_WITH_TIMEOUT(main->statusPanel(2)->text(), u"Mervana"_s, 1500);
    QCOMPARE(main->statusPanel(0)->text(), u"6.12.2026"_s);
    QVERIFY(QRegularExpression(u"^\\d\\d:\\d\\d:\\d\\d$"_s).match(main->statusPanel(1)->text()).hasMatch());

    QMenu* menu = main->action(u"Mervana1"_s)->menu();
    QTRY_VERIFY(menu->isVisible());
    QTest::keyClick(menu, Qt::Key_Up); // wraps round to the last item
    QCOMPARE(menu->activeAction(), main->action(u"Koniec1"_s));
    QTRY_COMPARE_WITH_TIMEOUT(main->statusPanel(2)->text(), u"Ukončenie programu"_s, 1500);
    menu->hide();
}

void TestMainWindow::toolBarLayout()
{
    TForm1* main = start();
    QVERIFY(main);
    QStringList order;
    QStringList hints;
    for (QAction* a : main->Panel1->actions()) {
        auto* b = qobject_cast<QToolButton*>(main->Panel1->widgetForAction(a));
        QVERIFY(b);
        QCOMPARE(b->size(), QSize(23, 22));
        order << b->objectName();
        hints << b->toolTip();
        QCOMPARE(b->statusTip(), b->toolTip());
    }
    QCOMPARE(order, (QStringList{u"SpeedButton2"_s, u"SpeedButton1"_s, u"SpeedButton3"_s, u"SpeedButton4"_s,
                                 u"SpeedButton5"_s, u"SpeedButton6"_s}));
    QCOMPARE(hints, (QStringList{u"Osoby"_s, u"Zmluvy"_s, u"Inventár"_s, u"Predĺženia"_s, u"Tlač zmluvy"_s,
                                 u"Koniec programu"_s}));
}

void TestMainWindow::toolBarContractsOfPerson_data()
{
    QTest::addColumn<bool>("withPerson");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QString>("caption");
    // With no current person the filter asks for an empty birth number.
    QTest::newRow("no current person") << false << QStringList{u"26/00002"_s} << u"Zmluvy záložcu:  "_s;
    QTest::newRow("current person") << true << QStringList{u"26/00003"_s, u"26/00001"_s}
                                    << u"Zmluvy záložcu: Nováková Jana"_s;
}

void TestMainWindow::toolBarContractsOfPerson()
{
    QFETCH(bool, withPerson);
    QFETCH(QStringList, expected);
    QFETCH(QString, caption);

    TForm1* main = start();
    QVERIFY(main);
    addContract(*main->shop().Table1, u"26/00001"_s, u"7551011234"_s);
    addContract(*main->shop().Table1, u"26/00002"_s, QString());
    addContract(*main->shop().Table1, u"26/00003"_s, u"7551011234"_s);
    addContract(*main->shop().Table1, u"26/00004"_s, u"8001019999"_s);
    if (withPerson) {
        addRecord(*main->shop().Table2,
                  {{u"BIRTHNUM"_s, u"7551011234"_s}, {u"LASTNAME"_s, u"Nováková"_s}, {u"FIRSNAME"_s, u"Jana"_s}});
        main->form3()->Table1->first();
    }
    QTest::mouseClick(main->SpeedButton1, Qt::LeftButton);
    QVERIFY(Messages::takeShown().isEmpty());
    QVERIFY(!QApplication::overrideCursor());

    Table* contracts = main->form2()->Table1;
    QVERIFY(contracts->filtered());
    QStringList numbers;
    for (contracts->first(); !contracts->eof(); contracts->next())
        numbers << contracts->field(u"NUMBER"_s).asString();
    QCOMPARE(numbers, expected);
    QCOMPARE(main->form2()->windowTitle(), caption);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form2()));
    QVERIFY(!main->shop().Table1->filtered());
}

void TestMainWindow::toolBarPersonOfContract()
{
    TForm1* main = start();
    QVERIFY(main);
    addRecord(*main->shop().Table2, {{u"BIRTHNUM"_s, u"6001011111"_s}, {u"LASTNAME"_s, u"Adamec"_s}});
    addRecord(*main->shop().Table2, {{u"BIRTHNUM"_s, u"7001012222"_s}, {u"LASTNAME"_s, u"Zeman"_s}});
    addRecord(*main->shop().Table2, {{u"BIRTHNUM"_s, u"8001013333"_s}, {u"LASTNAME"_s, u"Mráz"_s}});
    addContract(*main->shop().Table1, u"26/00001"_s, u"7001012222"_s);
    main->form2()->Table1->first();

    QTest::mouseClick(main->SpeedButton2, Qt::LeftButton);
    QVERIFY(Messages::takeShown().isEmpty());
    Table* persons = main->form3()->Table1;
    QCOMPARE(persons->indexName(), u"LASTNAME"_s);
    QCOMPARE(persons->field(u"LASTNAME"_s).asString(), u"Zeman"_s);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form3()));
}

void TestMainWindow::toolBarGoodsAndExtensionsOfContract()
{
    TForm1* main = start();
    QVERIFY(main);
    addContract(*main->shop().Table1, u"26/00001"_s, u"7001012222"_s);
    addContract(*main->shop().Table1, u"26/00002"_s, u"7001012222"_s);
    for (const QString& number : {u"26/00001"_s, u"26/00002"_s, u"26/00002"_s}) {
        addRecord(*main->shop().Table4, {{u"NUMBER"_s, number}, {u"SUBJECT"_s, u"prsteň"_s}});
        addRecord(*main->shop().Table3, {{u"NUMBER"_s, number}, {u"X_UNTIL"_s, u"1.4.2026"_s}});
    }
    Table* contracts = main->form2()->Table1;
    QVERIFY(contracts->findKey(u"26/00002"_s));

    QTest::mouseClick(main->SpeedButton3, Qt::LeftButton);
    QVERIFY(Messages::takeShown().isEmpty());
    QCOMPARE(main->form4()->Table1->recordCount(), 2);
    QCOMPARE(main->form4()->Table1->field(u"NUMBER"_s).asString(), u"26/00002"_s);
    QCOMPARE(main->form4()->windowTitle(), u"Založené predmety na zmluve: 26/00002"_s);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form4()));

    QTest::mouseClick(main->SpeedButton4, Qt::LeftButton);
    QVERIFY(Messages::takeShown().isEmpty());
    QCOMPARE(main->form7()->Table1->indexName(), u"NUMBER"_s);
    QCOMPARE(main->form7()->Table1->recordCount(), 2);
    QCOMPARE(main->form7()->Table1->field(u"NUMBER"_s).asString(), u"26/00002"_s);
    QCOMPARE(main->form7()->windowTitle(), u"Predĺženia k zmluve: 26/00002"_s);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form7()));
    QVERIFY(!QApplication::overrideCursor());
}

void TestMainWindow::registerViews()
{
    TForm1* main = start();
    QVERIFY(main);
    addContract(*main->shop().Table1, u"26/00001"_s, u"1"_s);
    addContract(*main->shop().Table1, u"26/00002"_s, u"2"_s);
    addRecord(*main->shop().Table4, {{u"NUMBER"_s, u"26/00001"_s}});
    addRecord(*main->shop().Table4, {{u"NUMBER"_s, u"26/00002"_s}});
    addRecord(*main->shop().Table2, {{u"BIRTHNUM"_s, u"1"_s}, {u"LASTNAME"_s, u"A"_s}});
    addRecord(*main->shop().Table2, {{u"BIRTHNUM"_s, u"2"_s}, {u"LASTNAME"_s, u"B"_s}});

    // Narrow every window first, as the tool bar and the search do.
    const std::pair<Table*, QString> narrowed[] = {{main->form2()->Table1, u"NUMBER='26/00001'"_s},
                                                   {main->form4()->Table1, u"NUMBER='26/00001'"_s},
                                                   {main->form3()->Table1, u"BIRTHNUM='1'"_s}};
    for (const auto& [t, filter] : narrowed) {
        t->setFilter(filter);
        t->setFiltered(true);
        QCOMPARE(t->recordCount(), 1);
    }
    main->form3()->Table1->setIndexName(u"LASTNAME"_s);

    main->action(u"Vetky1"_s)->trigger();
    QCOMPARE(main->form2()->Table1->recordCount(), 2);
    QVERIFY(!main->form2()->Table1->filtered());
    QCOMPARE(main->form2()->windowTitle(), u"Všetky zmluvy"_s);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form2()));

    main->action(u"Vetok1"_s)->trigger();
    QCOMPARE(main->form4()->Table1->recordCount(), 2);
    QCOMPARE(main->form4()->windowTitle(), u"Všetky založené predmety"_s);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form4()));

    main->action(u"Osoby1"_s)->trigger();
    QCOMPARE(main->form3()->Table1->recordCount(), 2);
    QVERIFY(main->form3()->Table1->filter().isEmpty());
    QCOMPARE(main->form3()->Table1->indexName(), u"LASTNAME"_s);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form3()));

    // The extensions window comes up as the last command left it.
    main->form7()->setWindowTitle(u"Predĺženia k zmluve: 26/00001"_s);
    main->action(u"Predenia1"_s)->trigger();
    QCOMPARE(main->form7()->windowTitle(), u"Predĺženia k zmluve: 26/00001"_s);
    QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), static_cast<QWidget*>(main->form7()));
    QVERIFY(Messages::takeShown().isEmpty());
}

void TestMainWindow::closingRegisterWindowMinimisesIt()
{
    TForm1* main = start();
    QVERIFY(main);
    QMdiSubWindow* sub = main->mdiArea()->activeSubWindow();
    QCOMPARE(sub->widget(), static_cast<QWidget*>(main->form3()));
    sub->close();
    QVERIFY(sub->isMinimized());
    QVERIFY(main->mdiArea()->subWindowList().contains(sub));
    main->action(u"Osoby1"_s)->trigger();
    QVERIFY(!sub->isMinimized());
    QCOMPARE(main->mdiArea()->activeSubWindow(), sub);
}

void TestMainWindow::pickDay_data()
{
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("how");
    QTest::addColumn<QDate>("seeded");
    QTest::addColumn<QDate>("expected");

    const QDate today(2026, 3, 15);
    QTest::newRow("empty box, close box") << QString() << u"close"_s << today << today;
    QTest::newRow("empty box, OK on the 2nd") << QString() << u"ok 2"_s << today << QDate(2026, 3, 2);
    QTest::newRow("filled box, double click on the 20th")
        << u"15.03.2026"_s << u"double 20"_s << QDate(2026, 3, 15) << QDate(2026, 3, 20);
    QTest::newRow("filled box, close box") << u" 5. 1.2027"_s << u"close"_s << QDate(2027, 1, 5) << QDate(2027, 1, 5);
    QTest::newRow("leading zeros, close box rewrites")
        << u"05.01.2027"_s << u"close"_s << QDate(2027, 1, 5) << QDate(2027, 1, 5);
}

void TestMainWindow::pickDay()
{
    QFETCH(QString, boxText);
    QFETCH(QString, how);
    QFETCH(QDate, seeded);
    QFETCH(QDate, expected);

    TForm1* main = start();
    QVERIFY(main);
    MaskEdit box(MaskEdit::Mask::DayMonthOptional);
    // As the clerk typed it into the mask.
    if (!boxText.isEmpty()) static_cast<QLineEdit&>(box).setText(boxText);

    bool sawDialog = false;
    QDate shownDay;
    QTimer::singleShot(0, this, [&] {
        TForm20* picker = main->form20();
        sawDialog = picker->isVisible() && picker->isModal();
        shownDay = picker->MonthCalendar1->selectedDate();
        const QStringList words = how.split(u' ');
        if (words.at(0) == u"close"_s) {
            picker->close();
        } else if (words.at(0) == u"ok"_s) {
            picker->MonthCalendar1->setSelectedDate(QDate(2026, 3, words.at(1).toInt()));
            QTest::mouseClick(picker->BitBtn1, Qt::LeftButton);
        } else {
            auto* view = picker->MonthCalendar1->findChild<QTableView*>();
            QModelIndex cell;
            for (int r = 1; r < view->model()->rowCount() && !cell.isValid(); ++r)
                for (int c = 0; c < view->model()->columnCount(); ++c) {
                    const QModelIndex i = view->model()->index(r, c);
                    if (i.data().toInt() == words.at(1).toInt()) cell = i;
                }
            QVERIFY(cell.isValid());
            // A real double click is a click followed by the double-click event; QTest sends only the latter.
            const QPoint at = view->visualRect(cell).center();
            QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
            QVERIFY(picker->isVisible()); // one click only selects
            QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        }
        if (picker->isVisible()) picker->reject(); // never leave the test hanging in exec()
    });
    QVERIFY(guarded([&] { PickDay(main, &box); }));

    QVERIFY(sawDialog);
    QCOMPARE(shownDay, seeded);
    QCOMPARE(main->PickedDate.date(), expected);
    QCOMPARE(box.text(), Values::monthStepDateText(expected));
    QVERIFY(Messages::takeShown().isEmpty());
}

void TestMainWindow::pickDayInvalidBox()
{
    TForm1* main = start();
    QVERIFY(main);
    MaskEdit box(MaskEdit::Mask::DayMonthOptional);
    static_cast<QLineEdit&>(box).setText(u"31.02.2026"_s);
    const QString shownText = box.text();
    main->PickedDate = QDateTime(QDate(2020, 1, 1), QTime(0, 0));
    QSignalSpy finished(main->form20(), &QDialog::finished);

    QVERIFY(!guarded([&] { PickDay(main, &box); }));

    const QList<Messages::Shown> shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
    QCOMPARE(shown.at(0).text, u"'%1' is not a valid date"_s.arg(shownText));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(box.text(), shownText);
    QCOMPARE(main->PickedDate.date(), QDate(2020, 1, 1));
}

void TestMainWindow::databaseNameOnFirstStart()
{
    Store::createEmpty(dataDir(*m_dir));
    QVERIFY(!EngineConfig::isDefined());
    m_main.reset(StartProgram(m_dir->path()));
    QVERIFY(m_main);
    QVERIFY(EngineConfig::isDefined());
    QCOMPARE(QDir(configuredPath()), QDir(dataDir(*m_dir)));
    QCOMPARE(QDir(m_main->shop().store().dataDir()), QDir(dataDir(*m_dir)));
    const QSettings settings(EngineConfig::filePath(), QSettings::IniFormat);
    QCOMPARE(settings.value(u"Mervana/ShopName"_s).toString(), u"Záložňa"_s);
}

void TestMainWindow::existingDatabaseNameIsKept()
{
    QTemporaryDir elsewhere;
    Store::createEmpty(dataDir(elsewhere));
    EngineConfig::ensureDatabaseName(elsewhere.path());
    {
        QSettings settings(EngineConfig::filePath(), QSettings::IniFormat);
        settings.setValue(u"Mervana/ShopName"_s, u"Záložňa U Anny"_s);
    }
    // The program folder has its own Data; the definition still wins.
    Store::createEmpty(dataDir(*m_dir));
    m_main.reset(StartProgram(m_dir->path()));
    QVERIFY(m_main);
    QCOMPARE(QDir(m_main->shop().store().dataDir()), QDir(dataDir(elsewhere)));
    QCOMPARE(QDir(configuredPath()), QDir(dataDir(elsewhere)));
    QVERIFY(m_main->windowTitle().startsWith(u"Záložňa U Anny - ["_s));
    m_main.reset();
}

void TestMainWindow::startUpErrors_data()
{
    QTest::addColumn<QString>("dropped");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing extensions table") << u"Predlz"_s << u"Table does not exist: Predlz.DBF"_s;
    QTest::newRow("missing income table") << u"Prijvyd"_s << u"Table does not exist: Prijvyd.dbf"_s;
    QTest::newRow("missing persons table") << u"Osoby"_s << u"Table does not exist: Osoby.DBF"_s;
    QTest::newRow("no store at all") << QString() << u"Cannot open database. Path not found: "_s;
}

void TestMainWindow::startUpErrors()
{
    QFETCH(QString, dropped);
    QFETCH(QString, message);

    if (!dropped.isEmpty()) {
        Store::createEmpty(dataDir(*m_dir));
        dropTable(dataDir(*m_dir), dropped);
    }
    EngineConfig::ensureDatabaseName(m_dir->path());
    const int before = QApplication::topLevelWidgets().size();

    TForm1* main = StartProgram(m_dir->path());
    QVERIFY(!main);
    const QList<Messages::Shown> shown = Messages::takeShown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown.at(0).kind, Messages::Kind::Error);
    QVERIFY2(shown.at(0).text.startsWith(message), qPrintable(shown.at(0).text));
    QCOMPARE(QApplication::topLevelWidgets().size(), before);
}

// The engine configuration as a new owner writes it: names in any case; a name the register does not know, or a
// folder that is not there, stops the start with a message naming the file (and the entry).
void TestMainWindow::engineConfigurationAsWritten_data()
{
    QTest::addColumn<QString>("ini"); // %1: the store's folder
    QTest::addColumn<QString>("message");
    QTest::newRow("names in lower case") << u"[Mervana]\npath=%1\ntype=sqlite\n"_s << QString();
    QTest::newRow("group and names in any case") << u"[mervana]\nPath=%1\nType=SQLITE\nshopname=Sever\n"_s << QString();
    QTest::newRow("unknown entry") << u"[Mervana]\nPATH=%1\nTYPE=SQLITE\ndriver=SQLITE\n"_s
                                   << u"Unknown entry 'driver' in the engine configuration "_s;
    QTest::newRow("folder not there") << u"[Mervana]\nPATH=%1/nowhere\nTYPE=SQLITE\n"_s
                                      << u"Cannot open database. Path not found: "_s;
}

void TestMainWindow::engineConfigurationAsWritten()
{
    QFETCH(QString, ini);
    QFETCH(QString, message);
    Store::createEmpty(dataDir(*m_dir));
    QVERIFY(QDir().mkpath(QFileInfo(EngineConfig::filePath()).path()));
    const auto text = [] {
        QFile f(EngineConfig::filePath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    {
        QFile f(EngineConfig::filePath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(ini.arg(dataDir(*m_dir)).toUtf8());
    }
    m_main.reset(StartProgram(m_dir->path()));
    const QList<Messages::Shown> shown = Messages::takeShown();
    if (message.isEmpty()) {
        QVERIFY(m_main);
        QVERIFY(shown.isEmpty());
        // Read as written, not defined a second time in another spelling.
        for (const char* entry : {"path", "type", "shopname"})
            QCOMPARE(text().count(QRegularExpression(u"^%1="_s.arg(QLatin1StringView(entry)),
                                                     QRegularExpression::CaseInsensitiveOption |
                                                         QRegularExpression::MultilineOption)),
                     1);
        return;
    }
    QVERIFY(!m_main);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().text.startsWith(message), qPrintable(shown.first().text));
    QVERIFY2(shown.first().text.contains(QDir::toNativeSeparators(EngineConfig::filePath())),
             qPrintable(shown.first().text));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
