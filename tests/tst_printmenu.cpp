#include "FreshProgram.h"
#include "ReportShop.h"
#include "core/Shop.h"
#include "reports/ContractsList.h"
#include "reports/ReportLayout.h"
#include "store/Table.h"
#include "support/Pdf.h"
#include "widgets/MaskEdit.h"
#include "widgets/MonthCal.h"
#include "widgets/ReportPreview.h"
#include "windows/print/DateDialog.h"
#include "windows/print/Expir.h"
#include "windows/print/ObdobieZmien.h"
#include "windows/print/Prijvyd.h"
#include "windows/print/TlacExpir.h"
#include "windows/print/TlacPrijVyd.h"
#include "windows/print/TlacProfilu.h"
#include "windows/print/TlacZmien.h"
#include "windows/print/TlacZmluv.h"
#include "windows/register/Osoby.h"
#include "windows/register/Zmluvy.h"

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

// The "&Tlač" lists and the expired contracts of one person, started from the windows as the clerk
// starts them; the preview is scripted and tells what it would show.
class TestPrintMenu : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;

    struct Shown
    {
        int previews = 0;
        QString title;
        QList<ReportPage> pages;
        int previewPages = 0;
    };
    Shown m_shown;

    // Every preview that opens is laid out again for the test and closed.
    void recordPreviews()
    {
        ReportPreview::setScript([this](ReportPreview& preview) {
            ++m_shown.previews;
            m_shown.title = preview.report().title;
            preview.dialog().open();
            m_shown.previewPages = preview.widget()->pageCount();
            m_shown.pages = ReportLayout::pages(preview.report());
            preview.dialog().close();
        });
    }

    QStringList shownTexts(const QString& name) const
    {
        QStringList out;
        for (const ReportPage& p : m_shown.pages)
            out << p.textsOf(name);
        return out;
    }

    // The marks of the contracts as stored, to see that a failed run changes none.
    QStringList marked()
    {
        QStringList numbers;
        StatementUse q = m_main->shop().store().statement(u"SELECT NUMBER FROM Zmluvy WHERE WRK = 1 ORDER BY NUMBER"_s);
        q.exec();
        while (q.next())
            numbers << q.value(0).toString();
        return numbers;
    }

    QStringList workTable()
    {
        QStringList rows;
        StatementUse q = m_main->shop().store().statement(u"SELECT NUMBER, DATE FROM Prijvyd ORDER BY rowid"_s);
        q.exec();
        while (q.next())
            rows << q.value(0).toString() + u' ' + q.value(1).toString();
        return rows;
    }

    // The contracts window shows a contract of this person, as after a double click in its grid.
    void showContractOf(const QString& number)
    {
        TForm2* contracts = m_main->form2();
        contracts->Table1->setIndexName(u"NUMBER"_s);
        QVERIFY(contracts->Table1->findKey(number));
        contracts->ShowContract();
    }

private Q_SLOTS:
    void init()
    {
        m_main = m_program.start(ReportShopToday, fillReportShop);
        QVERIFY(m_main);
        m_shown = {};
        recordPreviews();
    }

    void cleanup()
    {
        ReportPreview::setScript({});
        ReportPreview::setFileChooser({});
        QCOMPARE(Messages::takeShown().size(), 0);
        m_program.stop();
    }

    void menuEntryPreviewsItsRows_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("secondLine");
        const QString contracts = u"Štatistika zmlúv"_s, goods = u"Štatistika inventárnych predmetov"_s;
        QTest::newRow("Zmluvy, Všetky") << u"V3etky1"_s << contracts << u"NUMBER"_s
                                        << QStringList{u"1005"_s, u"1004"_s, u"1003"_s, u"1002"_s, u"1001"_s}
                                        << u"všetky"_s;
        QTest::newRow("Zmluvy, Aktuálne") << u"Aktulne3"_s << contracts << u"NUMBER"_s
                                          << QStringList{u"1005"_s, u"1001"_s} << u"aktuálne (pred expiráciou)"_s;
        QTest::newRow("Zmluvy, Expirované")
            << u"Expirovanpovypran1"_s << contracts << u"NUMBER"_s << QStringList{u"1002"_s} << u"po expirácii"_s;
        QTest::newRow("Zmluvy, Zaplatené")
            << u"Zaplaten3"_s << contracts << u"NUMBER"_s << QStringList{u"1003"_s} << u"zaplatené"_s;
        QTest::newRow("Zmluvy, Prepadnuté")
            << u"Prepadnut3"_s << contracts << u"NUMBER"_s << QStringList{u"1004"_s} << u"prepadnuté"_s;
        QTest::newRow("Zmluvy, Predlžované")
            << u"Predl6ovan1"_s << contracts << u"NUMBER"_s << QStringList{u"1005"_s} << u"predlžované"_s;
        QTest::newRow("Osoby") << u"Osoby3"_s << u"Štatistika osôb"_s << u"LASTNAME"_s
                               << QStringList{u"Čech"_s, u"Malá"_s, u"Novák"_s} << QString();
        QTest::newRow("Inventár, Všetok")
            << u"Vetok3"_s << goods << u"SUBJECT"_s
            << QStringList{u"Hodinky"_s, u"Náramok"_s, u"Retiazka"_s, u"Prsteň"_s} << u"všetky"_s;
        QTest::newRow("Inventár, Aktuálny") << u"Aktulnypredvypranm1"_s << goods << u"SUBJECT"_s
                                            << QStringList{u"Prsteň"_s} << u"aktuálne (pred expiráciou)"_s;
        QTest::newRow("Inventár, Expirovaný")
            << u"Expirovanpovypran2"_s << goods << u"SUBJECT"_s << QStringList{u"Retiazka"_s} << u"po expirácii"_s;
        QTest::newRow("Inventár, Na predaj")
            << u"Napredaj3"_s << goods << u"SUBJECT"_s << QStringList{u"Hodinky"_s} << u"na predaj"_s;
        QTest::newRow("Inventár, Predaný")
            << u"Predan3"_s << goods << u"SUBJECT"_s << QStringList{u"Náramok"_s} << u"predané"_s;
    }
    void menuEntryPreviewsItsRows()
    {
        QFETCH(QString, action);
        QFETCH(QString, title);
        QFETCH(QString, field);
        QFETCH(QStringList, rows);
        QFETCH(QString, secondLine);
        const QString windowFilter = m_main->form2()->Table1->filter();
        QAction* a = m_main->action(action);
        QVERIFY(a);
        QVERIFY(a->isEnabled());
        a->trigger();
        QCOMPARE(m_shown.previews, 1);
        QCOMPARE(m_shown.title, title);
        QCOMPARE(m_shown.previewPages, 1);
        QCOMPARE(shownTexts(field), rows);
        QCOMPARE(shownTexts(u"QRLabel14"_s), secondLine.isEmpty() ? QStringList() : QStringList{secondLine});
        QCOMPARE(shownTexts(u"ShopName"_s), QStringList{m_main->shop().ShopName});
        // The register windows keep their own views.
        QCOMPARE(m_main->form2()->Table1->filter(), windowFilter);
    }

    void reportWindowIsMadeOnceAndKept()
    {
        QVERIFY(!m_main->existingForm<TForm13>());
        m_main->action(u"Zaplaten3"_s)->trigger();
        TForm13* made = m_main->existingForm<TForm13>();
        QVERIFY(made);
        QVERIFY(!made->isVisible());
        // The view stays on the report's own table until the next start.
        QCOMPARE(made->QuickRep->Table1->filter(), u"PAID = true and PADAK = false"_s);
        m_main->action(u"V3etky1"_s)->trigger();
        QCOMPARE(m_main->existingForm<TForm13>(), made);
        QVERIFY(!made->QuickRep->Table1->filtered());
        QCOMPARE(m_shown.previews, 2);
    }

    void previewSavesPdf()
    {
        if (QStandardPaths::findExecutable(u"pdftotext"_s).isEmpty()) QSKIP("pdftotext is not installed");
        const QString file = m_program.filePath(u"zmluvy.pdf"_s);
        ReportPreview::setFileChooser([&](const QString&) { return file; });
        ReportPreview::setScript([](ReportPreview& preview) {
            preview.dialog().open();
            preview.dialog().findChild<QAction*>(u"SavePdf"_s)->trigger();
            preview.dialog().close();
        });
        m_main->action(u"Prepadnut3"_s)->trigger();
        const QString text = Pdf::text(file);
        QVERIFY2(text.contains(u"prepadnuté"_s), qPrintable(text));
        QVERIFY(text.contains(u"Podpísaná"_s));
        QVERIFY(text.contains(u"1004"_s));
        QVERIFY(!text.contains(u"1003"_s));
    }

    // "&Exp. zmluvy" on the birth number the contracts window shows, or Enter on a person in the grid.
    void expiredContractsOfThePledger_data()
    {
        QTest::addColumn<bool>("enter");
        QTest::addColumn<QString>("birthNumber");
        QTest::addColumn<bool>("previewed");
        QTest::addColumn<QString>("names");
        QTest::newRow("button, expired contract") << false << u"7001011234"_s << true << u"Novák|Ján"_s;
        QTest::newRow("button, nothing expired") << false << u"7551011234"_s << false << u"Malá|Eva"_s;
        QTest::newRow("Enter, expired contract") << true << u"7001011234"_s << true << u"Novák|Ján"_s;
        QTest::newRow("Enter, nothing expired") << true << u"7551011234"_s << false << u"Malá|Eva"_s;
        QTest::newRow("Enter, no contracts") << true << u"6001011234"_s << false << QString();
    }
    void expiredContractsOfThePledger()
    {
        QFETCH(bool, enter);
        QFETCH(QString, birthNumber);
        QFETCH(bool, previewed);
        QFETCH(QString, names);
        TForm2* contracts = m_main->form2();
        TForm3* persons = m_main->form3();
        QVERIFY(persons->BitBtn6->isEnabled());
        if (enter) {
            persons->ShowPerson(birthNumber);
            persons->DBGrid1->setFocus();
            QTest::keyClick(persons->DBGrid1, Qt::Key_Return);
        } else {
            showContractOf(birthNumber == u"7001011234"_s ? u"1001"_s : u"1003"_s);
            QTest::mouseClick(persons->BitBtn6, Qt::LeftButton);
        }
        QCOMPARE(m_shown.previews, previewed ? 1 : 0);
        if (!names.isEmpty()) {
            QCOMPARE(contracts->Edit7->text() + u'|' + contracts->Edit8->text(), names);
        }
        if (!previewed) return;
        QCOMPARE(m_shown.title, u"Tlač expirovaných zmlúv na meno"_s);
        QCOMPARE(shownTexts(u"NUMBER"_s), QStringList{u"1002"_s});
        QCOMPARE(shownTexts(u"QRLabel14"_s), QStringList{u"expirované na meno Novák Ján"_s});
        QCOMPARE(shownTexts(u"Goods"_s), QStringList{u"Retiazka"_s});
        QCOMPARE(shownTexts(u"AMOUNT"_s), QStringList{u"2500"_s});
    }

    // "&Profil" prints the person whose birth number the box holds, whichever row the grid stands on.
    void profileButtonPreviewsThePerson_data()
    {
        QTest::addColumn<QString>("gridOn");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<bool>("previewed");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("figures"); // contracts, due amount, paid sum, total yield
        QTest::newRow("the person shown")
            << u"7001011234"_s << u"7001011234"_s << true << QStringList{u"1002"_s, u"1001"_s}
            << QStringList{u"2"_s, u"2500 Sk"_s, u"0 SK"_s, u"0 Sk"_s};
        QTest::newRow("another number typed into the box")
            << u"6001011234"_s << u"7551011234"_s << true << QStringList{u"1003"_s}
            << QStringList{u"1"_s, u"0 Sk"_s, u"0 SK"_s, u"0 Sk"_s};
        QTest::newRow("without contracts") << u"6001011234"_s << u"6001011234"_s << true << QStringList()
                                           << QStringList{u"0"_s, u"0 Sk"_s, u"0 SK"_s, u"0 Sk"_s};
        QTest::newRow("nobody has the number")
            << u"6001011234"_s << u"1111111111"_s << false << QStringList() << QStringList();
    }
    void profileButtonPreviewsThePerson()
    {
        QFETCH(QString, gridOn);
        QFETCH(QString, boxText);
        QFETCH(bool, previewed);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, figures);
        TForm3* persons = m_main->form3();
        persons->ShowPerson(gridOn);
        persons->Edit1->setText(boxText); // typed, without leaving the box
        QVERIFY(persons->BitBtn4->isEnabled());
        persons->BitBtn4->click();
        QCOMPARE(m_shown.previews, previewed ? 1 : 0);
        if (!previewed) return;
        QCOMPARE(m_shown.title, u"Profil osoby"_s);
        QCOMPARE(shownTexts(u"BirthNumber"_s), QStringList{boxText});
        QCOMPARE(shownTexts(u"NUMBER"_s), rows);
        QStringList printed;
        for (const QString& name : {u"ContractCount"_s, u"DueAmount"_s, u"PaidSum"_s, u"TotalYield"_s})
            printed << shownTexts(name);
        QCOMPARE(printed, figures);
        QCOMPARE(shownTexts(u"ShopName"_s), QStringList{m_main->shop().ShopName});
        TForm9* made = m_main->existingForm<TForm9>();
        QVERIFY(made);
        QVERIFY(!made->isVisible());
        persons->BitBtn4->click();
        QCOMPARE(m_main->existingForm<TForm9>(), made);
    }

    // "&Tlač" > "&Expirácia zmlúv": the dialog proposes today; "&OK" previews the contracts due on the day
    // in the box and leaves the dialog open; "&Storno" closes it.
    void expiryDialogPreviewsTheDay_data()
    {
        QTest::addColumn<QString>("day");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("goods");
        QTest::newRow("today, nothing due") << QString() << QStringList() << QStringList() << QStringList();
        QTest::newRow("own due date") << u"1.6.2026"_s << QStringList{u"1002"_s} << QStringList{u"Novák"_s}
                                      << QStringList{u"Retiazka"_s};
        QTest::newRow("by an extension, nobody's contract")
            << u"30.6.2026"_s << QStringList{u"1005"_s} << QStringList() << QStringList();
    }
    void expiryDialogPreviewsTheDay()
    {
        QFETCH(QString, day);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, names);
        QFETCH(QStringList, goods);
        QAction* entry = m_main->action(u"Expirciazmlv2"_s);
        QVERIFY(entry);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        TForm16* dialog = m_main->existingForm<TForm16>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->windowTitle(), u"Dátum expirácie"_s);
        QCOMPARE(dialog->MaskEdit1->text(), u"15. 6.2026"_s);
        if (!day.isEmpty()) retype(dialog->MaskEdit1, day);
        QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
        QCOMPARE(m_shown.previews, 1);
        QCOMPARE(m_shown.title, u"Expirácia zmlúv"_s);
        QCOMPARE(shownTexts(u"NUMBER"_s), rows);
        QCOMPARE(shownTexts(u"LASTNAME"_s), names);
        QCOMPARE(shownTexts(u"Goods"_s), goods);
        const QDate shownDay = day.isEmpty() ? ReportShopToday : QDate::fromString(day, u"d.M.yyyy"_s);
        QCOMPARE(shownTexts(u"QRLabel14"_s), QStringList{u"na deň "_s + shownDay.toString(u"d.M.yyyy"_s)});
        QVERIFY(dialog->isVisible());
        QVERIFY(m_main->existingForm<TForm12>());

        QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        entry->trigger();
        QCOMPARE(m_main->existingForm<TForm16>(), dialog);
        QCOMPARE(dialog->MaskEdit1->text(), u"15. 6.2026"_s); // today again
    }

    // "Príjmy / &Výdaje": both boxes proposed as today; "&OK" refills the work table for the period and
    // previews the statement; "&Storno" closes the dialog.
    void incomeDialogPreviewsThePeriod()
    {
        m_main = m_program.start(ReportShopToday, [](Store& store) {
            fillReportShop(store);
            Records::write(store, u"Inventar.DBF"_s,
                           {{u"NUMBER"_s, u"1004"_s}, {u"PRED_DATUM"_s, u"10.6.2026"_s}, {u"PRED_SUMA"_s, u"900"_s}});
        });
        QVERIFY(m_main);
        QAction* entry = m_main->action(u"PrjmyVdaje1"_s);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        TForm8* dialog = m_main->existingForm<TForm8>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->windowTitle(), u"Štatistika"_s);
        QCOMPARE(dialog->MaskEdit1->text(), u"15. 6.2026"_s);
        QCOMPARE(dialog->MaskEdit2->text(), u"15. 6.2026"_s);
        retype(dialog->MaskEdit1, u"1.5.2026"_s);
        QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
        QCOMPARE(m_shown.previews, 1);
        QCOMPARE(m_shown.title, u"Príjmy / Výdaje"_s);
        QCOMPARE(shownTexts(u"NUMBER"_s), (QStringList{u"1002"_s, u"1004"_s}));
        QCOMPARE(shownTexts(u"QRLabel14"_s), QStringList{u"od 1.5.2026 do 15.6.2026"_s});
        QCOMPARE(shownTexts(u"MoneyOut"_s), QStringList{u"2500 Sk"_s});
        QCOMPARE(shownTexts(u"MoneyIn"_s), QStringList{u"900 Sk"_s});
        QCOMPARE(shownTexts(u"Difference"_s), QStringList{u"-1600 Sk"_s});
        QCOMPARE(workTable(), (QStringList{u"1002 2026-05-04"_s, u"1004 2026-06-10"_s}));
        QVERIFY(dialog->isVisible());
        QVERIFY(m_main->existingForm<TForm11>());
        QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
    }

    // "&Servis" > "Z&meny záznamov…": a period dialog as the cash statement's, both boxes today; "&OK" previews the
    // changes of the period on a landscape page and leaves the dialog open; a box that is no date gives its
    // message and no preview; "&Storno" closes the dialog.
    void changesDialogPreviewsThePeriod()
    {
        m_main = m_program.start(ReportShopToday, [](Store& store) {
            fillReportShop(store);
            insertTrailRow(store, u"2020-05-31 23:59:59"_s, u"0999"_s);
            insertTrailRow(store, u"2020-06-01 08:00:00"_s, u"1001"_s);
            insertTrailRow(store, u"2020-06-15 18:30:00"_s, QString(), u"Ján"_s, u"sign-in"_s);
            insertTrailRow(store, u"2020-06-16 00:00:00"_s, u"1002"_s);
        });
        QVERIFY(m_main);
        QPageLayout::Orientation orientation = QPageLayout::Portrait;
        ReportPreview::setScript([&](ReportPreview& preview) {
            ++m_shown.previews;
            m_shown.title = preview.report().title;
            preview.dialog().open();
            m_shown.previewPages = preview.widget()->pageCount();
            orientation = preview.widget()->orientation();
            m_shown.pages = ReportLayout::pages(preview.report());
            preview.dialog().close();
        });
        QAction* entry = m_main->action(u"Zmenyzznamov1"_s);
        QVERIFY(entry);
        QVERIFY(entry->isEnabled());
        entry->trigger();
        TObdobieZmien* dialog = m_main->existingForm<TObdobieZmien>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->windowTitle(), u"Zmeny záznamov"_s);
        QCOMPARE(dialog->Label1->text(), u"Dátum odkedy"_s);
        QCOMPARE(dialog->Label2->text(), u"Dátum dokedy"_s);
        QCOMPARE(dialog->MaskEdit1->text(), u"15. 6.2026"_s);
        QCOMPARE(dialog->MaskEdit2->text(), u"15. 6.2026"_s);
        QVERIFY(dialog->SpeedButton1 && dialog->SpeedButton2);

        retype(dialog->MaskEdit1, u"1.6.2020"_s);
        retype(dialog->MaskEdit2, u"31. 6.2020"_s);
        QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, u"'31. 6.2020' is not a valid date"_s);
        QCOMPARE(m_shown.previews, 0);

        retype(dialog->MaskEdit2, u"15.6.2020"_s);
        QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
        QCOMPARE(m_shown.previews, 1);
        QCOMPARE(m_shown.title, u"Zmeny záznamov"_s);
        QCOMPARE(m_shown.previewPages, 1);
        QCOMPARE(orientation, QPageLayout::Landscape);
        QCOMPARE(shownTexts(u"QRLabel14"_s), QStringList{u"od 1.6.2020 do 15.6.2020"_s});
        QCOMPARE(shownTexts(u"Moment"_s), (QStringList{u"1.6.2020 08:00:00"_s, u"15.6.2020 18:30:00"_s}));
        QCOMPARE(shownTexts(u"Action"_s), (QStringList{u"zmena"_s, u"prihlásenie"_s}));
        QCOMPARE(shownTexts(u"Key"_s), QStringList{u"1001"_s});
        QCOMPARE(shownTexts(u"ShopName"_s), QStringList{m_main->shop().ShopName});
        QVERIFY(dialog->isVisible());
        TTlacZmien* report = m_main->existingForm<TTlacZmien>();
        QVERIFY(report);
        QVERIFY(!report->isVisible());

        // Again with the whole trail: the register's own writes are there too, the same window reused.
        retype(dialog->MaskEdit1, u"1.1.2000"_s);
        retype(dialog->MaskEdit2, u"31.12.2099"_s);
        QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
        QCOMPARE(m_shown.previews, 2);
        QCOMPARE(m_main->existingForm<TTlacZmien>(), report);
        QVERIFY(shownTexts(u"Key"_s).contains(u"1005"_s));
        QVERIFY(shownTexts(u"NewValue"_s).contains(u"Novák"_s));

        QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        QVERIFY(!dialog->isVisible());
        entry->trigger();
        QCOMPARE(m_main->existingForm<TObdobieZmien>(), dialog);
        QCOMPARE(dialog->MaskEdit1->text(), u"15. 6.2026"_s); // today again
    }

    // Each date dialog opens with its (first) date box focused and its text selected: the day typed and Enter report
    // that day, not today.
    void dateDialogsTakeTheTypedDay_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QDate>("day");
        QTest::newRow("expiry") << u"Expirciazmlv2"_s << u"10012027"_s << QDate(2027, 1, 10);
        QTest::newRow("income and expense") << u"PrjmyVdaje1"_s << u"01062026"_s << QDate(2026, 6, 1);
        QTest::newRow("changes") << u"Zmenyzznamov1"_s << u"01062026"_s << QDate(2026, 6, 1);
    }
    void dateDialogsTakeTheTypedDay()
    {
        QFETCH(QString, entry);
        QFETCH(QString, typed);
        QFETCH(QDate, day);
        m_main->action(entry)->trigger();
        DateDialog* dialog = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<DateDialog*>(w); d && d->isVisible()) dialog = d;
        QVERIFY(dialog && QTest::qWaitForWindowActive(dialog));
        auto* box = qobject_cast<MaskEdit*>(QApplication::focusWidget());
        QVERIFY(box);
        QCOMPARE(box->selectedText(), box->text());
        QTest::keyClicks(box, typed);
        QTest::keyClick(box, Qt::Key_Return);
        QCOMPARE(QDate::fromString(box->text().remove(u' '), u"d.M.yyyy"_s), day);
        QCOMPARE(m_shown.previews, 1);
    }

    // A box that is no date: the dialog's own message, no preview, marks and work table as they were.
    void dateBoxThatIsNoDateChangesNothing_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("expiry day") << u"Expirciazmlv2"_s << u"MaskEdit1"_s << u"32.13.2026"_s
                                    << u"'32.13.2026' is not a valid date and time"_s;
        QTest::newRow("expiry day, empty")
            << u"Expirciazmlv2"_s << u"MaskEdit1"_s << QString() << u"'  .  .    ' is not a valid date and time"_s;
        QTest::newRow("period from") << u"PrjmyVdaje1"_s << u"MaskEdit1"_s << u"30. 2.2026"_s
                                     << u"'30. 2.2026' is not a valid date"_s;
        QTest::newRow("period to") << u"PrjmyVdaje1"_s << u"MaskEdit2"_s << u"31. 6.2026"_s
                                   << u"'31. 6.2026' is not a valid date"_s;
    }
    void dateBoxThatIsNoDateChangesNothing()
    {
        QFETCH(QString, action);
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, message);
        // A run before: marks and rows that a failed one must leave.
        m_main->action(u"Expirciazmlv2"_s)->trigger();
        retype(m_main->existingForm<TForm16>()->MaskEdit1, u"1.6.2026"_s);
        m_main->existingForm<TForm16>()->BitBtn2->click();
        m_main->action(u"PrjmyVdaje1"_s)->trigger();
        retype(m_main->existingForm<TForm8>()->MaskEdit1, u"1.1.2026"_s);
        m_main->existingForm<TForm8>()->BitBtn2->click();
        QCOMPARE(m_shown.previews, 2);
        const QStringList marks = marked(), rows = workTable();
        QCOMPARE(marks, QStringList{u"1002"_s});
        QCOMPARE(rows, QStringList{u"1002 2026-05-04"_s});

        m_main->action(action)->trigger();
        QWidget* dialog = action == u"Expirciazmlv2"_s ? static_cast<QWidget*>(m_main->existingForm<TForm16>())
                                                       : m_main->existingForm<TForm8>();
        auto* edit = dialog->findChild<MaskEdit*>(box);
        QVERIFY(edit);
        retype(edit, text);
        QTest::mouseClick(dialog->findChild<QPushButton*>(u"BitBtn2"_s), Qt::LeftButton);
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, message);
        QCOMPARE(m_shown.previews, 2);
        QCOMPARE(marked(), marks);
        QCOMPARE(workTable(), rows);
        QVERIFY(dialog->isVisible());
    }

    // The engine refuses a write halfway through the marking: its message, no preview, every mark as it was.
    void expiryFailingHalfwayShowsTheEngineMessage()
    {
        TestBackend::refuse(m_main->shop().store(), u"UPDATE OF WRK"_s, u"Zmluvy"_s, u"NUMBER"_s, u"1002"_s);
        const QStringList before = marked();
        m_main->action(u"Expirciazmlv2"_s)->trigger();
        TForm16* dialog = m_main->existingForm<TForm16>();
        retype(dialog->MaskEdit1, u"1.6.2026"_s);
        QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().kind, Messages::Kind::Error);
        QCOMPARE(shown.first().text, u"disk I/O error"_s);
        QCOMPARE(m_shown.previews, 0);
        QCOMPARE(marked(), before);
        // The frame takes commands again.
        QVERIFY(m_main->menuBar()->isEnabled());
    }

    // The calendar button beside a box runs the day picker for that box.
    void calendarButtonPicksTheDay()
    {
        m_main->action(u"PrjmyVdaje1"_s)->trigger();
        TForm8* dialog = m_main->existingForm<TForm8>();
        QTimer::singleShot(0, this, [this] {
            TForm20* picker = m_main->form20();
            QVERIFY(picker->isVisible());
            picker->MonthCalendar1->setSelectedDate(QDate(2026, 6, 3));
            QTest::mouseClick(picker->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(dialog->SpeedButton2, Qt::LeftButton);
        QCOMPARE(dialog->MaskEdit2->text(), u" 3. 6.2026"_s);
        QCOMPARE(dialog->MaskEdit1->text(), u"15. 6.2026"_s);
    }
};

QTEST_MAIN(TestPrintMenu)
#include "TestBackend.h"
#include "tst_printmenu.moc"
