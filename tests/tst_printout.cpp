#include "FreshProgram.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/EngineConfig.h"
#include "support/Pdf.h"
#include "support/Records.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"
#include "widgets/PageSetup.h"
#include "windows/print/TlacZmluvy.h"
#include "windows/register/Inventar.h"
#include "windows/register/Osoby.h"
#include "windows/register/Predlz.h"
#include "windows/register/Zmluvy.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <memory>

using namespace Qt::Literals::StringLiterals;

// Stands in for the desktop's opener of files.
class Opener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public Q_SLOTS:
    void open(const QUrl& url) { opened << url; }
};

class TestPrintout : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;
    QString m_oldCurrent;

    void writeTemplate(const QStringList& lines)
    {
        QFile file(m_program.filePath(u"ZMLUVA.TXT"_s));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QStringEncoder cp1250("windows-1250");
        file.write(cp1250.encode(lines.join(u"\r\n"_s) + u"\r\n"_s));
    }

    void addRecord(const QString& file, const Records::Values& fields)
    {
        Records::write(m_main->shop().store(), file, fields);
    }

    // The contract shown in the contracts window, as the clerk would have it before printing.
    void showContract(const QString& number)
    {
        TForm2* contracts = m_main->form2();
        contracts->Table1->setIndexName(u"NUMBER"_s);
        QVERIFY(contracts->Table1->findKey(number));
        contracts->ShowContract();
    }

    TForm6* print()
    {
        QTest::mouseClick(m_main->form2()->BitBtn3, Qt::LeftButton);
        return m_main->findChild<TForm6*>() ? m_main->findChild<TForm6*>() : m_main->form<TForm6>();
    }

private Q_SLOTS:
    // "&Nastavenia" on a machine whose only printer is the PDF writer: our page setup, which sets the
    // printer's page (the desktop's dialog refuses such printers and would leave the button dead).
    void pageSetupWithoutPrinter()
    {
        TForm6* f = print();
        QPrinter& printer = f->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 10, 10, 10)));
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto* dialog = qobject_cast<PageSetup*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            dialog->PaperBox->setCurrentIndex(dialog->PaperBox->findData(int(QPageSize::A5)));
            dialog->Landscape->setChecked(true);
            dialog->LeftMargin->setValue(25);
            QTest::mouseClick(dialog->findChild<QPushButton*>(u"BitBtn1"_s), Qt::LeftButton);
        });
        QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
        QVERIFY(seen);
        const QPageLayout layout = printer.pageLayout();
        QCOMPARE(layout.pageSize().id(), QPageSize::A5);
        QCOMPARE(layout.orientation(), QPageLayout::Landscape);
        QCOMPARE(layout.margins(QPageLayout::Millimeter).left(), 25.0);

        // "&Storno" changes nothing.
        QTimer::singleShot(0, this, [] {
            if (auto* dialog = qobject_cast<PageSetup*>(QApplication::activeModalWidget())) {
                dialog->Portrait->setChecked(true);
                dialog->reject();
            }
        });
        QTest::mouseClick(f->BitBtn4, Qt::LeftButton);
        QCOMPARE(printer.pageLayout().orientation(), QPageLayout::Landscape);
    }

    void init()
    {
        m_main = m_program.start(QDate(2026, 12, 7));
        QVERIFY(m_main);
        m_oldCurrent = QDir::currentPath();
        QDir::setCurrent(m_program.path()); // the template is read from the working directory
        addRecord(u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, u"7801011234"_s},
                                   {u"LASTNAME"_s, u"Šťastný"_s},
                                   {u"FIRSNAME"_s, u"Ľubomír"_s},
                                   {u"IDCARD"_s, u"EA123456"_s},
                                   {u"STREET"_s, u"Hlavná"_s},
                                   {u"STREETNO"_s, u"12"_s},
                                   {u"CITY"_s, u"Žilina"_s}});
        addRecord(u"Zmluvy.DBF"_s, {{u"NUMBER"_s, u"26/00017"_s},
                                    {u"BIRTHNUM"_s, u"7801011234"_s},
                                    {u"AGRDATE"_s, u"7.12.2026"_s},
                                    {u"AMOUNT"_s, u"1500"_s},
                                    {u"PERCENT"_s, u"15"_s},
                                    {u"WEEKTIME"_s, u"4"_s},
                                    {u"UNTIL"_s, u"7.1.2027"_s}});
        addRecord(u"Zmluvy.DBF"_s,
                  {{u"NUMBER"_s, u"26/00018"_s}, {u"BIRTHNUM"_s, u"0000000000"_s}, {u"AMOUNT"_s, u"200"_s}});
        for (const QString& item : {u"prsteň zlatý"_s, u"retiazka"_s, u"hodinky"_s})
            addRecord(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"26/00017"_s}, {u"SUBJECT"_s, item}});
        addRecord(u"Inventar.DBF"_s, {{u"NUMBER"_s, u"26/00016"_s}, {u"SUBJECT"_s, u"cudzí predmet"_s}});
    }

    void cleanup()
    {
        QDir::setCurrent(m_oldCurrent); // out of the folder before it goes
        m_program.stop();
        m_main = nullptr;
    }

    void filledFromThePanel()
    {
        writeTemplate({u"ZMLUVA č. @01"_s, u"dňa @02"_s, u"záložca @03"_s, u"OP @04"_s, u"RČ @05"_s, u"bydlisko @06"_s,
                       u"  - @07"_s, u"suma @08"_s, u"slovom @09"_s, u"úrok @10"_s, u"doba @11"_s, u"splatné @12"_s,
                       u"kontakt info@zalozna.sk"_s, u"koniec"_s});
        showContract(u"26/00017"_s);
        m_main->form2()->Edit5->setText(u"5"_s); // the panel as shown counts, stored or not
        TForm6* form = print();
        QCOMPARE(
            form->Memo1->toPlainText().split(u'\n'),
            (QStringList{u"ZMLUVA č. 26/00017"_s, u"dňa  7.12.2026"_s, u"záložca Šťastný Ľubomír"_s, u"OP EA123456"_s,
                         u"RČ 7801011234"_s, u"bydlisko Hlavná 12 Žilina"_s, u"  - prsteň zlatý"_s, u"  - retiazka"_s,
                         u"  - hodinky"_s, u"suma =1500= Sk"_s, u"slovom =tisícpäťsto= Sk"_s, u"úrok 15 %"_s,
                         u"doba 5 týžd."_s, u"splatné  7. 1.2027"_s, u"koniec"_s}));
        QVERIFY(Messages::takeShown().isEmpty());
    }

    void unknownPledgerPrintsNoOnesData()
    {
        writeTemplate({u"@03|"_s, u"OP @04"_s, u"bydlisko @06"_s, u"@07"_s});
        showContract(u"26/00018"_s);
        m_main->shop().Table2->first(); // the shared persons cursor stands on somebody
        TForm6* form = print();
        QCOMPARE(form->Memo1->toPlainText().split(u'\n'), (QStringList{u" "_s, u"OP "_s, u"bydlisko "_s}));
    }

    void failures_data()
    {
        QTest::addColumn<bool>("withTemplate");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("text");
        QTest::newRow("template missing") << false << u"1500"_s << u"File not found"_s << u"earlier text"_s;
        QTest::newRow("amount not whole")
            << true << u"15a"_s << u"'15a' is not a valid integer value"_s << u"zmluva\n=15a= Sk"_s;
    }
    void failures()
    {
        QFETCH(bool, withTemplate);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        QFETCH(QString, text);
        if (withTemplate) writeTemplate({u"zmluva"_s, u"@08"_s, u"@09"_s, u"never"_s});
        showContract(u"26/00017"_s);
        m_main->form2()->Edit3->setText(amount);
        TForm6* form = m_main->form<TForm6>();
        form->Memo1->setPlainText(u"earlier text"_s);
        Messages::takeShown();
        print();
        const auto shown = Messages::takeShown();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().text, message);
        QCOMPARE(form->Memo1->toPlainText(), text);
        QVERIFY(form->Memo1->isVisible());
    }

    // "&Tlač" with a printer that names no printable margins: the contract keeps 10 mm from the paper's edges, and
    // the register windows stay maximised as they were.
    void printKeepsMarginsAndWindows()
    {
        writeTemplate({u"ZÁLOŽNÁ ZMLUVA @01"_s, u"záložca @03"_s});
        showContract(u"26/00017"_s);
        TForm6* form = print();
        QPrinter& printer = form->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_program.filePath(u"zmluva.pdf"_s);
        printer.setOutputFileName(pdf);
        printer.setPageMargins(QMarginsF(3.5, 3.5, 3.5, 3.5), QPageLayout::Millimeter);
        QTimer::singleShot(0, this, [] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->accept();
        });
        QTest::mouseClick(form->BitBtn1, Qt::LeftButton);
        const QList<Pdf::Word> words = Pdf::words(pdf);
        QVERIFY(!words.isEmpty());
        const double tenMm = 10 / 25.4 * 72; // points
        for (const Pdf::Word& w : words)
            QVERIFY2(w.box.left() >= tenMm - 0.5 && w.box.top() >= tenMm - 2,
                     qPrintable(u"%1 at %2, %3 pt"_s.arg(w.text).arg(w.box.left()).arg(w.box.top())));
        for (QWidget* w : QList<RegisterWindow*>{m_main->form2(), m_main->form3(), m_main->form4(), m_main->form7()}) {
            m_main->showChild(w);
            QVERIFY2(m_main->mdiArea()->activeSubWindow()->isMaximized(), qPrintable(w->objectName()));
        }
    }

    // "&Text zmluvy" hands the desktop's opener the template's full path, and tells the clerk when none opened it.
    void templateOpensByItsFullPath_data()
    {
        QTest::addColumn<bool>("opener");
        QTest::newRow("opened") << true;
        QTest::newRow("no opener") << false;
    }
    void templateOpensByItsFullPath()
    {
        QFETCH(bool, opener);
        Opener desktop;
        if (opener) QDesktopServices::setUrlHandler(u"file"_s, &desktop, "open");
        m_main->action(u"Textzmluvy1"_s)->trigger();
        QDesktopServices::unsetUrlHandler(u"file"_s);
        const QString path = m_program.filePath(u"ZMLUVA.TXT"_s);
        QCOMPARE(desktop.opened, opener ? QList<QUrl>{QUrl::fromLocalFile(path)} : QList<QUrl>());
        const QList<Messages::Shown> shown = Messages::takeShown();
        QCOMPARE(shown.size(), opener ? 0 : 1);
        if (!opener) QVERIFY2(shown.first().text.contains(path), qPrintable(shown.first().text));
    }

    // A clerk without a printer saves the contract as a PDF; the accents must survive.
    void printsToPdf()
    {
        QStringList lines{u"ZÁLOŽNÁ ZMLUVA @01"_s, u"záložca @03"_s, u"slovom @09"_s};
        for (int i = 0; i < 120; ++i)
            lines << u"riadok %1 čšťžýáíéúäôň"_s.arg(i); // more than one page
        writeTemplate(lines);
        showContract(u"26/00017"_s);
        TForm6* form = print();
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = m_program.filePath(u"zmluva.pdf"_s);
        printer.setOutputFileName(pdf);
        form->PrintLines(printer);
        QVERIFY(QFile::exists(pdf));
        const QString text = Pdf::text(pdf);
        QVERIFY2(text.contains(u"ZÁLOŽNÁ ZMLUVA 26/00017"_s), qPrintable(text.left(300)));
        QVERIFY(text.contains(u"Šťastný Ľubomír"_s));
        QVERIFY(text.contains(u"=tisícpäťsto= Sk"_s));
        QVERIFY(text.contains(u"riadok 119 čšťžýáíéúäôň"_s));
        QVERIFY2(text.count(u'\f') >= 2, "long contracts go on to a second page");
    }
};

QTEST_MAIN(TestPrintout)
#include "tst_printout.moc"
