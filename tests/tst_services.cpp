#include "FreshProgram.h"
#include "ReportShop.h"
#include "app/AppearanceDialogs.h"
#include "core/Shop.h"
#include "store/Table.h"
#include "widgets/ReportPreview.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"
#include "windows/services/About.h"
#include "windows/services/Archiv.h"
#include "windows/services/Hladaj.h"

#include <QAction>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontDialog>
#include <QLabel>
#include <QListView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QUrl>

using namespace Qt::Literals::StringLiterals;

// Where a link of the about window would be opened.
class LinkCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class TestServices : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;
    QString m_startDir;

    QList<RegisterWindow*> registerWindows() const
    {
        return {m_main->form2(), m_main->form3(), m_main->form4(), m_main->form7()};
    }

    // Tag, filter text, switch and the records an instance shows, in order.
    struct View
    {
        QString tag, filter;
        bool filtered = false;
        QList<qint64> rows;
        bool operator==(const View&) const = default;
    };
    static View viewOf(Table& t)
    {
        View v{t.indexName(), t.filter(), t.filtered(), {}};
        const qint64 here = t.rowId();
        for (t.first(); !t.eof(); t.next())
            v.rows << t.rowId();
        if (here) t.gotoRowId(here);
        return v;
    }

    QList<View> windowViews() const
    {
        QList<View> views;
        for (RegisterWindow* w : registerWindows())
            views << viewOf(*w->Table1);
        return views;
    }

    void verifyEverythingOpenAndShared()
    {
        Shop& shop = m_main->shop();
        for (Table* t : {shop.Table1, shop.Table2, shop.Table3, shop.Table4, shop.Table5})
            QVERIFY2(t->isOpen(), qPrintable(t->fileName()));
        for (RegisterWindow* w : registerWindows()) {
            QVERIFY2(w->Table1->isOpen(), qPrintable(w->objectName()));
            QVERIFY(!w->Table1->exclusive());
        }
        QVERIFY(!QApplication::overrideCursor());
    }

    int count(const QString& file)
    {
        Table t(m_main->shop().store(), file);
        t.open();
        return t.recordCount();
    }

    // The look of the four windows: grid fonts and colours, then every caption's.
    struct Look
    {
        QList<QFont> fonts;
        QList<QColor> colors;
        bool operator==(const Look&) const = default;
    };
    Look gridLook() const
    {
        Look look;
        for (RegisterWindow* w : registerWindows()) {
            look.fonts << w->DBGrid1->font();
            look.colors << w->DBGrid1->palette().color(QPalette::Text);
        }
        return look;
    }
    Look captionLook() const
    {
        Look look;
        for (RegisterWindow* w : registerWindows())
            for (QLabel* l : w->findChildren<QLabel*>()) {
                look.fonts << l->font();
                look.colors << l->palette().color(QPalette::WindowText);
            }
        return look;
    }

private Q_SLOTS:
    void initTestCase() { m_startDir = QDir::currentPath(); }

    void init()
    {
        m_main = m_program.start(ReportShopToday, fillReportShop);
        QVERIFY(m_main);
        ReportPreview::setScript([](ReportPreview&) {});
    }

    void cleanup()
    {
        QDir::setCurrent(m_startDir);
        AppearanceDialogs::setScript({});
        ReportPreview::setScript({});
        QCOMPARE(Messages::takeShown().size(), 0);
        m_program.stop();
    }

    // ---- "&Reindexácia"

    void reindexKeepsEveryView_data()
    {
        QTest::addColumn<QString>("contractsView");
        QTest::addColumn<QString>("goodsView");
        QTest::newRow("all") << u"Vetky1"_s << u"Vetok1"_s;
        QTest::newRow("paid, for sale") << u"Zaplaten1"_s << u"Napredaj1"_s;
        QTest::newRow("marked: current, expired") << u"Aktulne1"_s << u"Expirovanpoexpircii1"_s;
    }
    void reindexKeepsEveryView()
    {
        QFETCH(QString, contractsView);
        QFETCH(QString, goodsView);
        m_main->action(contractsView)->trigger();
        m_main->action(goodsView)->trigger();
        m_main->form3()->Table1->last();
        const QList<View> before = windowViews();
        m_main->action(u"Reindexcia1"_s)->trigger();
        QCOMPARE(windowViews(), before);
        verifyEverythingOpenAndShared();
        // Each stands on the first record of its view.
        for (RegisterWindow* w : registerWindows()) {
            Table other(m_main->shop().store(), w->Table1->fileName());
            other.setIndexName(w->Table1->indexName());
            other.setFilter(w->Table1->filter());
            other.setFiltered(w->Table1->filtered());
            other.open();
            QCOMPARE(w->Table1->rowId(), other.rowId());
        }
        // The rebuilt indexes find what they found.
        QVERIFY(m_main->shop().Table2->findKey(u"7551011234"_s));
        QCOMPARE(m_main->shop().Table2->field(u"LASTNAME"_s).asString(), u"Malá"_s);
    }

    // A report window keeps its own instance open: the engine refuses, and the windows go on working.
    void refusedReindexLeavesWindowsWorking_data()
    {
        QTest::addColumn<QString>("report");
        QTest::addColumn<QString>("message");
        QTest::newRow("contracts list") << u"V3etky1"_s << u"Table is busy: Zmluvy.DBF"_s;
        QTest::newRow("persons list") << u"Osoby3"_s << u"Table is busy: Osoby.DBF"_s;
        QTest::newRow("goods list") << u"Vetok3"_s << u"Table is busy: Inventar.DBF"_s;
    }
    void refusedReindexLeavesWindowsWorking()
    {
        QFETCH(QString, report);
        QFETCH(QString, message);
        m_main->action(report)->trigger();
        m_main->action(u"Zaplaten1"_s)->trigger();
        const QList<View> before = windowViews();
        m_main->action(u"Reindexcia1"_s)->trigger();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QCOMPARE(shown.first().text, message);
        verifyEverythingOpenAndShared();
        QCOMPARE(windowViews(), before);
        m_main->action(u"Prepadnut1"_s)->trigger();
        QCOMPARE(m_main->form2()->Table1->recordCount(), 1);
        QVERIFY(m_main->shop().Table1->findKey(u"1003"_s));
        QCOMPARE(Messages::takeShown().size(), 0);
    }

    // ---- "&Uchovanie dát"

    void writeThroughStoresPendingChange_data()
    {
        QTest::addColumn<int>("situation");
        QTest::addColumn<int>("added");
        QTest::addColumn<QString>("firstName");
        QTest::newRow("a person being edited") << 0 << 0 << u"Zmenené"_s;
        QTest::newRow("a view with no record") << 1 << 0 << u"Ján"_s;
        QTest::newRow("a new person left blank") << 2 << 0 << u"Ján"_s;
        QTest::newRow("a new person filled in") << 3 << 1 << u"Ján"_s;
    }
    void writeThroughStoresPendingChange()
    {
        QFETCH(int, situation);
        QFETCH(int, added);
        QFETCH(QString, firstName);
        Table& persons = *m_main->form3()->Table1;
        const int before = count(u"Osoby.DBF"_s);
        switch (situation) {
        case 0:
            persons.setIndexName(u"BIRTHNUM"_s);
            QVERIFY(persons.findKey(u"7001011234"_s));
            persons.setIndexName(u"LASTNAME"_s);
            persons.edit();
            persons.field(u"FIRSNAME"_s).setAsString(u"Zmenené"_s);
            break;
        case 1:
            persons.setFilter(u"BIRTHNUM='nikto'"_s);
            persons.setFiltered(true);
            break;
        case 2:
            persons.append();
            break;
        case 3:
            persons.append();
            persons.field(u"BIRTHNUM"_s).setAsString(u"8001011234"_s);
            persons.field(u"LASTNAME"_s).setAsString(u"Nová"_s);
            break;
        }
        const View filter{persons.indexName(), persons.filter(), persons.filtered(), {}};
        m_main->action(u"Save1"_s)->trigger();
        QCOMPARE(count(u"Osoby.DBF"_s), before + added);
        QVERIFY(m_main->shop().Table2->findKey(u"7001011234"_s));
        QCOMPARE(m_main->shop().Table2->field(u"FIRSNAME"_s).asString(), firstName);
        QCOMPARE(persons.state(), Table::State::Browse);
        QCOMPARE(persons.indexName(), filter.tag);
        QCOMPARE(persons.filter(), filter.filter);
        QCOMPARE(persons.filtered(), filter.filtered);
        verifyEverythingOpenAndShared();
    }

    // Copying the store file alone afterwards copies every record: nothing waits in the journal beside it.
    void writeThroughCompletesTheStoreFile()
    {
        if (TestBackend::onServer()) QSKIP("A store on a server has no file beside the program to copy");
        Table& goods = *m_main->form4()->Table1;
        goods.append();
        goods.field(u"NUMBER"_s).setAsString(u"1001"_s);
        goods.field(u"SUBJECT"_s).setAsString(u"Zlatá brošňa"_s);
        goods.post();
        const QString data = m_program.filePath(u"Data"_s);
        const QString wal = QDir(data).filePath(Store::fileName() + u"-wal"_s);
        QVERIFY(QFileInfo(wal).size() > 0); // the new record waits in the journal
        m_main->action(u"Save1"_s)->trigger();
        QCOMPARE(QFileInfo(wal).size(), 0);

        QTemporaryDir copy;
        QVERIFY(QFile::copy(QDir(data).filePath(Store::fileName()), copy.filePath(Store::fileName())));
        Store copied(copy.path());
        Table t(copied, u"Inventar.DBF"_s);
        t.open();
        t.setFilter(u"SUBJECT = 'Zlatá brošňa'"_s);
        t.setFiltered(true);
        QCOMPARE(t.recordCount(), 1);
    }

    // Before the archive window exists, no archive table is opened: a store without one is no error.
    void writeThroughLeavesArchiveAlone()
    {
        m_main->shop().store().exec(u"DROP TABLE Xzmluvy"_s);
        m_main->action(u"Save1"_s)->trigger();
        verifyEverythingOpenAndShared();
    }

    // Once the archive window exists, an archive record waiting in edit is stored too, and a table that
    // was closed is closed again; a missing archive table gives the engine's message.
    void writeThroughStoresTheArchive()
    {
        TForm18* archive = m_main->form<TForm18>();
        Table& contracts = *archive->Table1;
        contracts.open();
        const int before = contracts.recordCount();
        contracts.append();
        contracts.field(u"NUMBER"_s).setAsString(u"990001"_s);
        m_main->action(u"Save1"_s)->trigger();
        QCOMPARE(count(u"Xzmluvy.DBF"_s), before + 1);
        QCOMPARE(contracts.state(), Table::State::Browse);
        contracts.close();
        m_main->action(u"Save1"_s)->trigger();
        QVERIFY(!contracts.isOpen());
        QVERIFY(!archive->Table2->isOpen());

        Messages::takeShown();
        m_main->shop().store().exec(u"DROP TABLE Xpredlz"_s);
        m_main->action(u"Save1"_s)->trigger();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QVERIFY(!archive->Table2->isOpen());
        verifyEverythingOpenAndShared();
    }

    // ---- "&Font" and "F&arba"

    // Cancelled by its button, or by Escape inside the font chooser: that closes the whole dialog, not the chooser
    // alone.
    void cancelledDialogChangesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("escape");
        for (const char* c : {"Vgride1", "Vnadpisoch1", "Psmavgride1", "Psmavnadpisoch1"})
            QTest::newRow(c) << QString::fromLatin1(c) << false;
        QTest::newRow("Vgride1, Escape") << u"Vgride1"_s << true;
    }
    void cancelledDialogChangesNothing()
    {
        QFETCH(QString, command);
        QFETCH(bool, escape);
        const Look grids = gridLook(), captions = captionLook();
        int asked = 0;
        bool shownAfterEscape = false;
        AppearanceDialogs::setScript([&](QDialog& dialog) {
            ++asked;
            if (auto* f = qobject_cast<FontDialog*>(&dialog)) {
                f->setCurrentFont(QFont(u"Liberation Serif"_s, 20));
                f->setCurrentColor(Qt::red);
                if (escape) {
                    dialog.show();
                    auto* families = f->Fonts->findChild<QListView*>();
                    QTest::keyClick(families ? static_cast<QWidget*>(families) : f->Fonts, Qt::Key_Escape);
                    shownAfterEscape = dialog.isVisible();
                    return dialog.result() == QDialog::Accepted;
                }
            } else if (auto* c = qobject_cast<QColorDialog*>(&dialog)) {
                c->setCurrentColor(Qt::red);
            }
            return false;
        });
        m_main->action(command)->trigger();
        QCOMPARE(asked, 1);
        QVERIFY(!shownAfterEscape);
        QVERIFY(gridLook() == grids);
        QVERIFY(captionLook() == captions);
    }

    // The font dialog's colour goes with the font; the colour dialog then starts from it and keeps the font.
    void fontAndColourReachAllFourWindows_data()
    {
        QTest::addColumn<QString>("fontCommand");
        QTest::addColumn<QString>("colorCommand");
        QTest::addColumn<bool>("grids");
        QTest::newRow("grids") << u"Vgride1"_s << u"Psmavgride1"_s << true;
        QTest::newRow("captions") << u"Vnadpisoch1"_s << u"Psmavnadpisoch1"_s << false;
    }
    void fontAndColourReachAllFourWindows()
    {
        QFETCH(QString, fontCommand);
        QFETCH(QString, colorCommand);
        QFETCH(bool, grids);
        m_main->action(u"Hadanie1"_s)->trigger(); // a window outside the four keeps its look
        QLabel* elsewhere = m_main->existingForm<TForm5>()->Label1;
        const QFont elsewhereFont = elsewhere->font();
        const Look untouched = grids ? captionLook() : gridLook();
        QWidget* first =
            grids ? static_cast<QWidget*>(m_main->form2()->DBGrid1) : m_main->form2()->findChild<QLabel*>(u"Label1"_s);
        QVERIFY(first);
        const QPalette::ColorRole role = grids ? QPalette::Text : QPalette::WindowText;
        const QFont chosen(u"Liberation Serif"_s, 17, QFont::Bold);
        const QColor maroon(0x80, 0, 0), navy(0, 0, 0x80);

        const QFont firstFont = first->font();
        const QColor firstColor = first->palette().color(role);
        QFont startFont;
        QColor startColor;
        AppearanceDialogs::setScript([&](QDialog& dialog) {
            auto* f = qobject_cast<FontDialog*>(&dialog);
            if (!f) return false;
            startFont = f->currentFont();
            startColor = f->currentColor();
            f->setCurrentFont(chosen);
            f->setCurrentColor(maroon);
            return true;
        });
        m_main->action(fontCommand)->trigger();
        QCOMPARE(startFont, firstFont);
        QCOMPARE(startColor, firstColor);
        const Look after = grids ? gridLook() : captionLook();
        for (int i = 0; i < after.fonts.size(); ++i) {
            QCOMPARE(after.fonts.at(i).family(), chosen.family());
            QCOMPARE(after.fonts.at(i).pointSize(), 17);
            QVERIFY(after.fonts.at(i).bold());
            QCOMPARE(after.colors.at(i), maroon);
        }
        QVERIFY(after.fonts.size() >= (grids ? 4 : 12));

        AppearanceDialogs::setScript([&](QDialog& dialog) {
            auto* c = qobject_cast<QColorDialog*>(&dialog);
            if (!c) return false;
            startColor = c->currentColor();
            c->setCurrentColor(navy);
            return true;
        });
        m_main->action(colorCommand)->trigger();
        QCOMPARE(startColor, maroon);
        const Look recoloured = grids ? gridLook() : captionLook();
        QCOMPARE(recoloured.fonts, after.fonts);
        for (const QColor& c : recoloured.colors)
            QCOMPARE(c, navy);
        QVERIFY((grids ? captionLook() : gridLook()) == untouched);
        QCOMPARE(elsewhere->font(), elsewhereFont);
    }

    // ---- "O p&rograme..."

    void aboutShowsTheVersions_data()
    {
        QTest::addColumn<QByteArray>("file"); // absent when null
        QTest::addColumn<QString>("text");
        QTest::newRow("fresh directory") << QByteArray() << u"Verzia 1.00"_s;
        QTest::newRow("empty first line") << QByteArray("\r\nVerzia 2\r\n") << QString();
        QTest::newRow("shop's own text, Windows-1250")
            << QByteArray("Verzia 2.10 \xe8\x61\x73\r\ndruh\xfd") << u"Verzia 2.10 čas"_s;
        QTest::newRow("empty file") << QByteArray("") << QString();
    }
    void aboutShowsTheVersions()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, text);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        if (!file.isNull()) {
            QFile f(dir.filePath(u"MERVANA.VER"_s));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(file);
        }
        m_main->action(u"Oprograme1"_s)->trigger();
        TForm21* about = m_main->existingForm<TForm21>();
        QVERIFY(about);
        QVERIFY(about->isVisible());
        QVERIFY(about->isWindow());
        QCOMPARE(about->windowTitle(), u"O programe..."_s);
        QCOMPARE(about->Label12->text(), text);
        QCOMPARE(about->Label13->text(), u"(EXE "_s + QString::fromLatin1(MERVANA_VERSION) + u")"_s);
        QFile f(dir.filePath(u"MERVANA.VER"_s));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), file.isNull() ? QByteArray("Verzia 1.00\r\n") : file);
        QTest::mouseClick(about->BitBtn1, Qt::LeftButton);
        QVERIFY(!about->isVisible());
    }

    void aboutRefusedOnInputOutputError_data()
    {
        QTest::addColumn<int>("situation");
        QTest::addColumn<QString>("message");
        QTest::newRow("a folder named MERVANA.VER") << 0 << u"File access denied"_s;
        QTest::newRow("working directory removed") << 1 << u"File not found"_s;
    }
    void aboutRefusedOnInputOutputError()
    {
        QFETCH(int, situation);
        QFETCH(QString, message);
        QTemporaryDir dir;
        const QString work = dir.filePath(u"work"_s);
        QVERIFY(QDir().mkpath(work));
        QVERIFY(QDir::setCurrent(work));
        if (situation == 0) QVERIFY(QDir(work).mkdir(u"MERVANA.VER"_s));
        if (situation == 1) QVERIFY(QDir(work).removeRecursively());
        m_main->action(u"Oprograme1"_s)->trigger();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QCOMPARE(shown.first().text, message);
        QVERIFY(!m_main->existingForm<TForm21>());
    }

    void exeVersionText_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("text");
        QTest::newRow("four numbers") << u"1.1.0.1"_s << u"(EXE 1.1.0.1)"_s;
        QTest::newRow("two numbers") << u"2.5"_s << u"(EXE 2.5.0.0)"_s;
        QTest::newRow("none") << QString() << u"(EXE )"_s;
        QTest::newRow("not a number") << u"1.x"_s << u"(EXE )"_s;
        QTest::newRow("five numbers") << u"1.2.3.4.5"_s << u"(EXE )"_s;
        QTest::newRow("beyond 16 bits") << u"1.70000"_s << u"(EXE )"_s;
    }
    void exeVersionText()
    {
        QFETCH(QString, version);
        QFETCH(QString, text);
        QCOMPARE(TForm21::ExeVersionText(version), text);
    }

    void supportLinks_data()
    {
        QTest::addColumn<QString>("mail");
        QTest::addColumn<QString>("web");
        QTest::addColumn<QUrl>("opened"); // by a click on the first link shown
        QTest::newRow("none configured") << QString() << QString() << QUrl();
        QTest::newRow("mail only") << u"podpora@example.sk"_s << QString() << QUrl(u"mailto:podpora@example.sk"_s);
        QTest::newRow("web only") << QString() << u"www.example.sk"_s << QUrl(u"http://www.example.sk"_s);
        QTest::newRow("both") << u"podpora@example.sk"_s << u"https://example.sk/podpora"_s
                              << QUrl(u"mailto:podpora@example.sk"_s);
    }
    void supportLinks()
    {
        QFETCH(QString, mail);
        QFETCH(QString, web);
        QFETCH(QUrl, opened);
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        {
            QSettings settings(EngineConfig::filePath(), QSettings::IniFormat);
            if (!mail.isEmpty()) settings.setValue(u"Mervana/SupportMail"_s, mail);
            if (!web.isEmpty()) settings.setValue(u"Mervana/SupportWeb"_s, web);
        }
        LinkCatcher catcher;
        for (const char* scheme : {"mailto", "http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &catcher, "open");
        m_main->action(u"Oprograme1"_s)->trigger();
        TForm21* about = m_main->existingForm<TForm21>();
        QVERIFY(about);
        QCOMPARE(about->Label14->isVisible(), !mail.isEmpty());
        QCOMPARE(about->Label15->isVisible(), !web.isEmpty());
        QLabel* link = !mail.isEmpty() ? about->Label14 : about->Label15;
        if (!mail.isEmpty() || !web.isEmpty()) {
            QCOMPARE(link->text(), !mail.isEmpty() ? mail : web);
            QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
            QTest::mouseClick(link, Qt::LeftButton);
        }
        for (const char* scheme : {"mailto", "http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        QCOMPARE(catcher.opened, opened.isEmpty() ? QList<QUrl>{} : QList<QUrl>{opened});
    }

    // ---- "&Kalkulačka"

    void calculatorFirstFoundOnPath_data()
    {
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QString>("started");
        QTest::newRow("kcalc before xcalc") << QStringList{u"xcalc"_s, u"kcalc"_s} << u"kcalc"_s;
        QTest::newRow("gnome first") << QStringList{u"kcalc"_s, u"gnome-calculator"_s} << u"gnome-calculator"_s;
        QTest::newRow("only the last") << QStringList{u"xcalc"_s} << u"xcalc"_s;
        QTest::newRow("none") << QStringList{} << QString();
    }
    void calculatorFirstFoundOnPath()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, started);
        QTemporaryDir bin;
        const QString marker = bin.filePath(u"started"_s);
        for (const QString& name : present) {
            QFile script(bin.filePath(name));
            QVERIFY(script.open(QIODevice::WriteOnly));
            script.write("#!/bin/sh\necho " + name.toLatin1() + " > '" + QFile::encodeName(marker) + "'\n");
            script.close();
            script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin.path()));
        m_main->action(u"Kalkulaka1"_s)->trigger();
        qputenv("PATH", path);
        if (started.isEmpty()) return; // nothing to start, and nothing said about it
        const auto written = [&marker] {
            QFile f(marker);
            return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed() : QByteArray();
        };
        QTRY_COMPARE(written(), started.toLatin1());
    }
};

QTEST_MAIN(TestServices)
#include "TestBackend.h"
#include "tst_services.moc"
