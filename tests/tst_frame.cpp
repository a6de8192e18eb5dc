#include "FreshProgram.h"
#include "core/Shop.h"
#include "store/Table.h"
#include "store/admin/Backup.h"
#include "windows/register/Osoby.h"
#include "windows/register/RegisterWindow.h"
#include "windows/register/Zmluvy.h"
#include "windows/services/Zaloha.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFontDialog>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

class TestFrame : public QObject
{
    Q_OBJECT

    FreshProgram m_program;

private Q_SLOTS:
    // Every label of the contracts panel sits right above its box, whatever the window's height; the
    // panel keeps its height and the grid takes the rest.
    void contractsPanelAtAnySize_data()
    {
        QTest::addColumn<int>("height");
        QTest::newRow("small") << 560;
        QTest::newRow("ordinary") << 800;
        QTest::newRow("tall") << 1400;
    }
    void contractsPanelAtAnySize()
    {
        QFETCH(int, height);
        TForm1* main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(main);
        TForm2* f = main->form2();
        main->showChild(f);
        QMdiSubWindow* sub = main->mdiArea()->activeSubWindow();
        sub->showNormal();
        sub->resize(1200, height);
        QTest::qWait(20);
        if (qEnvironmentVariableIsSet("MERVANA_GRAB")) f->grab().save(u"/tmp/contracts-%1.png"_s.arg(height));
        int checked = 0;
        for (QLabel* label : f->findChildren<QLabel*>()) {
            QWidget* box = label->buddy();
            if (!box || !label->isVisible()) continue;
            ++checked;
            // Where the text is: a label taller than its text shows the text in its middle.
            const int textHeight = label->sizeHint().height();
            const QRect l(label->mapTo(f, QPoint(0, (label->height() - textHeight) / 2)),
                          QSize(label->width(), textHeight));
            const QRect b(box->mapTo(f, QPoint(0, 0)), box->size());
            QVERIFY2(
                b.top() - l.bottom() >= 0 && b.top() - l.bottom() <= 12,
                qPrintable(
                    u"%1: label ends at %2, its box starts at %3"_s.arg(label->text()).arg(l.bottom()).arg(b.top())));
        }
        // The panel is what is below the grid; its height does not depend on the window's.
        const int panel = f->height() - f->DBGrid1->geometry().bottom();
        static int first = -1;
        if (first < 0) first = panel;
        QCOMPARE(panel, first);
        m_program.stop();
    }

    // The tool bar's "Osoby" with the persons window already active: the boxes follow the grid to the
    // pledger of the current contract, not only the grid.
    void personsBoxesFollowTheToolBar()
    {
        TForm1* main = m_program.start(QDate(2026, 12, 8), [](Store& store) {
            Table persons(store, u"Osoby.DBF"_s);
            persons.open();
            for (const auto& [birth, name] : {std::pair{u"111"_s, u"Adamec"_s}, std::pair{u"222"_s, u"Zeman"_s}}) {
                persons.append();
                persons.field(u"BIRTHNUM"_s).setAsString(birth);
                persons.field(u"LASTNAME"_s).setAsString(name);
                persons.post();
            }
            Table contracts(store, u"Zmluvy.DBF"_s);
            contracts.open();
            contracts.append();
            contracts.field(u"NUMBER"_s).setAsString(u"26/00001"_s);
            contracts.field(u"BIRTHNUM"_s).setAsString(u"222"_s);
            contracts.post();
        });
        QVERIFY(main);
        TForm3* persons = main->form3();
        QCOMPARE(main->mdiArea()->activeSubWindow()->widget(), persons);
        QCOMPARE(persons->Edit3->text(), u"Adamec"_s); // the first in surname order
        QTest::mouseClick(main->SpeedButton2, Qt::LeftButton);
        QCOMPARE(persons->Table1->field(u"LASTNAME"_s).asString(), u"Zeman"_s);
        QCOMPARE(persons->Edit1->text(), u"222"_s);
        QCOMPARE(persons->Edit3->text(), u"Zeman"_s);
        m_program.stop();
    }

    // At first show every column is as wide as its values and its caption, the description or the street taking
    // what is left of the grid; a column the clerk narrows stops at its caption, and the widths the clerk set are
    // there again at the next start.
    void gridsFitTheirValues_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("spare");
        QTest::newRow("goods, description") << u"TForm4"_s << u"Inventar.DBF"_s << u"SUBJECT"_s
                                            << u"Zlatý náramok s tromi briliantmi, 14 karátov"_s << u"SUBJECT"_s;
        QTest::newRow("persons, house number")
            << u"TForm3"_s << u"Osoby.DBF"_s << u"STREETNO"_s << u"1402/15"_s << u"STREET"_s;
        QTest::newRow("persons, street") << u"TForm3"_s << u"Osoby.DBF"_s << u"STREET"_s << u"Hviezdoslavovo námestie"_s
                                         << u"STREET"_s;
        QTest::newRow("contracts, no spare column")
            << u"TForm2"_s << u"Zmluvy.DBF"_s << u"NUMBER"_s << u"26/00301"_s << QString();
    }
    void gridsFitTheirValues()
    {
        QFETCH(QString, window);
        QFETCH(QString, file);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(QString, spare);
        const auto prepare = [&](Store& store) {
            Table t(store, file);
            t.open();
            t.append();
            t.field(field).setAsString(value);
            t.post();
        };
        const auto columnOf = [](RegisterWindow* form, const QString& name) {
            for (int c = 0; c < form->model->columns().size(); ++c)
                if (form->model->columns().at(c).field == name) return c;
            return -1;
        };
        TForm1* main = m_program.start(QDate(2026, 12, 8), prepare);
        QVERIFY(main);
        auto* form = main->findChild<RegisterWindow*>(window);
        main->showChild(form);
        QTableView* grid = form->DBGrid1;
        QHeaderView* header = grid->horizontalHeader();
        const int valueColumn = columnOf(form, field), spareColumn = columnOf(form, spare);
        const int margins = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
        QVERIFY2(header->sectionSize(valueColumn) >= grid->fontMetrics().horizontalAdvance(value) + margins,
                 qPrintable(u"%1 px"_s.arg(header->sectionSize(valueColumn))));
        int total = 0;
        for (int c = 0; c < header->count(); ++c) {
            if (header->isSectionHidden(c)) continue;
            QVERIFY2(header->sectionSize(c) >= header->sectionSizeHint(c), qPrintable(form->model->columns()[c].title));
            total += header->sectionSize(c);
        }
        if (spareColumn >= 0)
            QVERIFY2(total >= grid->viewport()->width(),
                     qPrintable(u"%1 of %2 px"_s.arg(total).arg(grid->viewport()->width())));

        header->resizeSection(valueColumn, 3); // the clerk drags it narrow
        QCOMPARE(header->sectionSize(valueColumn), header->sectionSizeHint(valueColumn));
        const int chosen = header->sectionSizeHint(valueColumn) + 77;
        header->resizeSection(valueColumn, chosen);
        main = m_program.restart(QDate(2026, 12, 8));
        QVERIFY(main);
        form = main->findChild<RegisterWindow*>(window);
        main->showChild(form);
        QCOMPARE(form->DBGrid1->horizontalHeader()->sectionSize(valueColumn), chosen);
        m_program.stop();
    }

    // Alt + a letter in a register window presses its own button with that letter in one press, even where a
    // menu of the frame has the same letter; a letter no button of the window has opens the menu.
    void accessKeysPressTheWindowsOwnButton_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("menu");
        QTest::newRow("Z&apíš, not Št&atistika") << u"TForm4"_s << int(Qt::Key_A) << u"BitBtn3"_s << QString();
        QTest::newRow("&Nový, not &Nastavenia") << u"TForm3"_s << int(Qt::Key_N) << u"BitBtn1"_s << QString();
        QTest::newRow("&Tlač button, not the menu") << u"TForm2"_s << int(Qt::Key_T) << u"BitBtn3"_s << QString();
        QTest::newRow("Z&mluvy, not &Mervana") << u"TForm3"_s << int(Qt::Key_M) << u"BitBtn2"_s << QString();
        QTest::newRow("no button: &Servis") << u"TForm4"_s << int(Qt::Key_S) << QString() << u"Servis1Menu"_s;
    }
    void accessKeysPressTheWindowsOwnButton()
    {
        QFETCH(QString, window);
        QFETCH(int, key);
        QFETCH(QString, button);
        QFETCH(QString, menu);
        TForm1* main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(main);
        auto* form = main->findChild<RegisterWindow*>(window);
        main->showChild(form);
        QVERIFY(QTest::qWaitForWindowActive(main));
        form->DBGrid1->setFocus();
        auto* pressed = button.isEmpty() ? nullptr : form->findChild<QAbstractButton*>(button);
        QVERIFY(button.isEmpty() || pressed);
        int clicks = 0;
        if (pressed) connect(pressed, &QAbstractButton::clicked, this, [&clicks] { ++clicks; });
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::AltModifier);
        auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QCOMPARE(popup ? popup->objectName() : QString(), menu);
        if (popup) popup->close();
        QCOMPARE(clicks, pressed ? 1 : 0);
        Messages::takeShown();
        m_program.stop();
    }

    // Qt's own texts are Slovak: the answers of every question and Qt's dialogs.
    void qtSpeaksSlovak()
    {
        QVERIFY(m_program.start(QDate(2026, 12, 8)));
        QMessageBox box(QMessageBox::Question, u"?"_s, u"?"_s, QMessageBox::Yes | QMessageBox::No);
        QCOMPARE(box.button(QMessageBox::Yes)->text().remove(u'&'), u"Áno"_s);
        QCOMPARE(box.button(QMessageBox::No)->text().remove(u'&'), u"Nie"_s);
        QFontDialog fonts;
        QVERIFY2(fonts.windowTitle() != u"Select Font"_s, qPrintable(fonts.windowTitle()));
        m_program.stop();
    }

    // Tool bar pictures come from the theme or from the program itself; never an empty button.
    void toolBarPictures()
    {
        TForm1* main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(main);
        for (QToolButton* b : {main->SpeedButton1, main->SpeedButton2, main->SpeedButton3, main->SpeedButton4,
                               main->SpeedButton5, main->SpeedButton6})
            QVERIFY2(!b->icon().pixmap(16, 16).isNull(), qPrintable(b->toolTip()));
        for (const char* name : {"osoby", "zmluvy", "inventar", "predlzenia", "tlac", "koniec", "mervana"})
            QVERIFY2(!QIcon(u":/icons/%1.svg"_s.arg(QLatin1StringView(name))).pixmap(16, 16).isNull(), name);
        m_program.stop();
    }

    // An installed copy (bin beside share/mervana): the first start makes the clerk's own folder with an
    // empty store, the template and the definition; the next start uses them as they are.
    void firstStartOfAnInstalledCopy()
    {
        QStandardPaths::setTestModeEnabled(true);
        Messages::setScripted(true);
        const QString previous = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(previous); });
        QTemporaryDir prefix;
        QVERIFY(QDir().mkpath(prefix.filePath(u"bin"_s)) && QDir().mkpath(prefix.filePath(u"share/mervana"_s)));
        QFile shared(prefix.filePath(u"share/mervana/ZMLUVA.TXT"_s));
        QVERIFY(shared.open(QIODevice::WriteOnly));
        shared.write("ZMLUVA @01\r\n");
        shared.close();
        const QString home =
            QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(u"mervana"_s);
        QDir(home).removeRecursively();
        QFile::remove(EngineConfig::filePath());
        const auto clean = qScopeGuard([&] {
            QDir(home).removeRecursively();
            QFile::remove(EngineConfig::filePath());
        });

        for (int start = 0; start < 2; ++start) {
            std::unique_ptr<TForm1> main(StartProgram(prefix.filePath(u"bin"_s)));
            QVERIFY(main);
            QCOMPARE(QDir::currentPath(), home);
            QCOMPARE(EngineConfig::ensureDatabaseName(u"/nowhere"_s).path, QDir(home).filePath(u"Data"_s));
            QVERIFY(QFileInfo::exists(QDir(home).filePath(u"Data/"_s + Store::fileName())));
            QVERIFY(QFileInfo(QDir(home).filePath(u"ZMLUVA.TXT"_s)).isWritable());
            if (start == 0) {
                // The clerk's own record survives into the second start.
                Table& persons = *main->shop().Table2;
                persons.append();
                persons.field(u"BIRTHNUM"_s).setAsString(u"111"_s);
                persons.post();
            } else {
                QCOMPARE(main->shop().Table2->recordCount(), 1);
            }
        }

        // An existing definition is used unchanged, and nothing is made beside it.
        QDir(home).removeRecursively();
        QFile::remove(EngineConfig::filePath());
        QTemporaryDir elsewhere;
        Store::createEmpty(elsewhere.filePath(u"Data"_s));
        EngineConfig::ensureDatabaseName(elsewhere.path());
        std::unique_ptr<TForm1> main(StartProgram(prefix.filePath(u"bin"_s)));
        QVERIFY(main);
        QCOMPARE(main->shop().store().dataDir(), elsewhere.filePath(u"Data"_s));
        QVERIFY(!QFileInfo::exists(QDir(home).filePath(u"Data"_s)));
    }

    // Maximised at the first start; afterwards as the clerk left the frame.
    void frameRemembersItsPlace()
    {
        TForm1* main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(main);
        QVERIFY(main->isMaximized());
        main->showNormal();
        main->setGeometry(40, 50, 900, 640);
        QTest::qWait(10);
        const QRect left = main->geometry();
        main->close();
        std::unique_ptr<TForm1> again(StartProgram(m_program.path()));
        QVERIFY(again);
        QVERIFY(!again->isMaximized());
        QCOMPARE(again->geometry().size(), left.size());
        again.reset();
        m_program.stop();
    }

    // "&Servis" > "&Záloha": the folder asked for (the last one proposed), a checked copy written there and
    // named in the message; a cancelled question writes nothing.
    void backupFromTheMenu()
    {
        TForm1* main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(main);
        QAction* item = main->action(u"Zloha2"_s);
        QVERIFY(item && item->isEnabled());
        QTemporaryDir target;
        QString proposed;
        Zaloha::setFolderChooser([&](QWidget*, const QString& p) {
            proposed = p;
            return QString();
        });
        const auto reset = qScopeGuard([] { Zaloha::setFolderChooser({}); });
        item->trigger();
        QCOMPARE(Backup::list(target.path()).size(), 0);
        QVERIFY(Messages::takeShown().isEmpty());

        Zaloha::setFolderChooser([&](QWidget*, const QString& p) {
            proposed = p;
            return target.path();
        });
        item->trigger();
        const QStringList written = Backup::list(target.path());
        QCOMPARE(written.size(), 1);
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Information);
        QVERIFY2(shown.first().text.startsWith(u"Záloha bola zapísaná do súboru\r"_s), qPrintable(shown.first().text));
        QVERIFY(shown.first().text.endsWith(QFileInfo(written.first()).fileName()));
        Backup::check(written.first());
        item->trigger(); // the last folder is proposed next time
        QCOMPARE(proposed, target.path());
        m_program.stop();
    }

    // The first start of a day writes a backup into the data folder's Zaloha; a later start that day does not.
    void dailyBackupAtStart()
    {
        TForm1* main = m_program.start(QDate(2026, 12, 8));
        QVERIFY(main);
        QTest::qWait(20);
        const QString folder = EngineConfig::backupDir(main->shop().store().dataDir());
        QCOMPARE(Backup::list(folder).size(), 1);
        const QString dir = m_program.path();
        std::unique_ptr<TForm1> again(StartProgram(dir));
        QTest::qWait(20);
        QCOMPARE(Backup::list(folder).size(), 1);
        again.reset();
        m_program.stop();
    }
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
