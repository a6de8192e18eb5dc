#include "FreshProgram.h"
#include "ReportShop.h"
#include "print/ContractsList.h"
#include "print/ReportLayout.h"
#include "print/ReportPreview.h"
#include "print/TlacZmluv.h"
#include "register/Osoby.h"
#include "register/Shop.h"
#include "register/Zmluvy.h"
#include "store/Table.h"

#include <QAction>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableView>

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
        QProcess p;
        p.start(u"pdftotext"_s, {u"-layout"_s, file, u"-"_s});
        QVERIFY(p.waitForFinished());
        const QString text = QString::fromUtf8(p.readAllStandardOutput());
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
};

QTEST_MAIN(TestPrintMenu)
#include "tst_printmenu.moc"
