// The register's side of a person's data: "Osobné údaje…" in the persons grid's context menu, the owner's where
// clerks sign in, and the monthly question whether to anonymise the persons due.
#include "FreshProgram.h"
#include "app/Main.h"
#include "core/Clerks.h"
#include "core/Shop.h"
#include "reports/Report.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/trail/Trail.h"
#include "support/Pdf.h"
#include "support/Records.h"
#include "widgets/Messages.h"
#include "widgets/ReportPreview.h"
#include "windows/register/Osoby.h"
#include "windows/services/Prihlasenie.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using Clerks::Role;

namespace {

const QString Due = u"6001011111"_s;
const QString Running = u"7002022222"_s;

using Records::write;

// Mráz paid his one contract in 2012; Beňová's runs. Eva is the owner, Jan a clerk, when asked for.
void prepare(Store& store, bool clerks)
{
    write(store, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, Due}, {u"LASTNAME"_s, u"Mráz"_s}, {u"CITY"_s, u"Trnava"_s}});
    write(store, u"Zmluvy.DBF"_s,
          {{u"BIRTHNUM"_s, Due},
           {u"NUMBER"_s, u"12/00001"_s},
           {u"AGRDATE"_s, QDate(2012, 2, 1)},
           {u"PAID"_s, true},
           {u"PAID_DATE"_s, QDate(2012, 3, 1)}});
    write(store, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, Running}, {u"LASTNAME"_s, u"Beňová"_s}});
    write(store, u"Zmluvy.DBF"_s,
          {{u"BIRTHNUM"_s, Running}, {u"NUMBER"_s, u"26/00001"_s}, {u"AGRDATE"_s, QDate(2026, 5, 2)}});
    if (!clerks) return;
    Clerks::add(store, u"Eva"_s, Role::Owner, u"eva-heslo"_s);
    Clerks::add(store, u"Jan"_s, Role::Clerk, u"jan-heslo"_s);
}

QList<Messages::Shown> questions()
{
    QList<Messages::Shown> out;
    for (const Messages::Shown& s : Messages::takeShown())
        if (s.kind == Messages::Kind::Question) out << s;
    return out;
}

} // namespace

class TestPersonalData : public QObject
{
    Q_OBJECT

    FreshProgram m_program;
    TForm1* m_main = nullptr;

    Store& store() { return m_main->shop().store(); }

    // What start-up left queued (the daily backup, the monthly question) runs.
    static void settle()
    {
        for (int i = 0; i < 5; ++i)
            QCoreApplication::processEvents();
    }

    void signIn(const QString& name, const QString& password)
    {
        TPrihlasenie* d = m_main->clerkDialog();
        QVERIFY(d);
        d->ComboBox1->setCurrentIndex(d->ComboBox1->findText(name));
        QTest::keyClicks(d->Edit1, password);
        QTest::mouseClick(d->BitBtn1, Qt::LeftButton);
        QVERIFY(m_main->isVisible());
    }

    QList<Trail::Row> rows(const QString& action) { return Records::trailRows(store(), action); }

    qint64 persons(const QString& birthNumber)
    {
        return store().scalar(u"SELECT COUNT(*) FROM Osoby WHERE BIRTHNUM = ?"_s, {birthNumber}).toLongLong();
    }

private Q_SLOTS:
    void cleanup()
    {
        ReportPreview::setScript({});
        ReportPreview::setFileChooser({});
        m_program.stop();
        m_main = nullptr;
    }

    // The grid's menu previews the person of the row; saving it as PDF there names the person in the trail,
    // looking at it does not. Where clerks sign in, only the owner may.
    void contextMenu_data()
    {
        QTest::addColumn<QString>("clerk"); // empty: the store has no clerks
        QTest::addColumn<bool>("save");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("no clerks, saved") << QString() << true << true;
        QTest::newRow("no clerks, only looked at") << QString() << false << true;
        QTest::newRow("owner") << u"Eva"_s << true << true;
        QTest::newRow("clerk") << u"Jan"_s << true << false;
    }
    void contextMenu()
    {
        QFETCH(QString, clerk);
        QFETCH(bool, save);
        QFETCH(bool, allowed);
        m_main = m_program.start(QDate(2026, 6, 1), [&clerk](Store& s) { prepare(s, !clerk.isEmpty()); });
        QVERIFY(m_main);
        if (!clerk.isEmpty()) signIn(clerk, clerk == u"Eva"_s ? u"eva-heslo"_s : u"jan-heslo"_s);
        Messages::pushAnswer(false); // the monthly question, for whoever is asked it
        settle();
        Messages::takeShown();

        TForm3* form = m_main->form3();
        QCOMPARE(form->DBGrid1->contextMenuPolicy(), Qt::ActionsContextMenu);
        QAction* item = form->findChild<QAction*>(u"Osobndaje1"_s);
        QVERIFY(item);
        QVERIFY(form->DBGrid1->actions().contains(item));
        QCOMPARE(item->text(), u"Osobné údaje…"_s);
        // The grid in surname order: Beňová, then Mráz; the menu takes the row the grid stands on.
        form->DBGrid1->setCurrentIndex(form->DBGrid1->model()->index(1, 0));

        const QString file = m_program.filePath(u"udaje.pdf"_s);
        QString title;
        ReportPreview::setFileChooser([&file](const QString&) { return file; });
        ReportPreview::setScript([&](ReportPreview& preview) {
            title = preview.report().title;
            if (save) preview.SavePdfClick();
        });
        item->trigger();
        if (!allowed) {
            const QList<Messages::Shown> shown = Messages::takeShown();
            QCOMPARE(shown.size(), 1);
            QCOMPARE(shown.first().text, u"Túto činnosť môže vykonať iba vlastník."_s);
            QVERIFY(title.isEmpty());
            QVERIFY(rows(u"personal-data-printed"_s).isEmpty());
            return;
        }
        QCOMPARE(title, u"Osobné údaje"_s);
        const QList<Trail::Row> printed = rows(u"personal-data-printed"_s);
        QCOMPARE(printed.size(), save ? 1 : 0);
        if (!save) return;
        QCOMPARE(printed.first().key, Due);
        QCOMPARE(printed.first().clerk, clerk.isEmpty() ? Trail::noClerk() : clerk);
        const QString text = Pdf::text(file);
        QVERIFY2(text.contains(u"Mráz"_s) && text.contains(u"12/00001"_s), qPrintable(text));
        QVERIFY(!text.contains(u"Beňová"_s));
    }

    // Asked at the first start of a month: "No" leaves everyone and asks next month, not again this one; "Yes"
    // anonymises; with nobody due there is no question.
    void monthlyQuestion()
    {
        m_main = m_program.start(QDate(2026, 6, 1), [](Store& s) { prepare(s, false); });
        QVERIFY(m_main);
        Messages::pushAnswer(false);
        settle();
        QList<Messages::Shown> asked = questions();
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked.first().text,
                 u"Počet osôb, ktorým uplynula lehota uchovania osobných údajov: 1\rAnonymizovať ich teraz ?"_s);
        QCOMPARE(persons(Due), 1);

        m_main = m_program.restart(QDate(2026, 6, 20));
        settle();
        QVERIFY(questions().isEmpty());
        QCOMPARE(persons(Due), 1);

        m_main = m_program.restart(QDate(2026, 7, 1));
        Messages::pushAnswer(true);
        settle();
        QCOMPARE(questions().size(), 1);
        QCOMPARE(persons(Due), 0);
        QCOMPARE(rows(u"anonymised"_s).size(), 1);
        QCOMPARE(persons(Running), 1);
        // The persons grid shows the pseudonym, not the name.
        TForm3* form = m_main->form3();
        const QAbstractItemModel* grid = form->DBGrid1->model();
        QCOMPARE(grid->rowCount(), 2);
        for (int row = 0; row < grid->rowCount(); ++row)
            for (int column = 0; column < grid->columnCount(); ++column)
                QVERIFY(grid->index(row, column).data().toString() != u"Mráz"_s);

        m_main = m_program.restart(QDate(2026, 8, 3));
        settle();
        QVERIFY(questions().isEmpty()); // nobody due
        QCOMPARE(rows(u"retention-asked"_s).size(), 2);

        // The look is made once a month: a person found due later in August waits for September's question.
        m_program.close();
        m_main = nullptr;
        {
            Store store(m_program.location());
            write(store, u"Osoby.DBF"_s, {{u"BIRTHNUM"_s, u"6103033333"_s}, {u"LASTNAME"_s, u"Kráľ"_s}});
            write(store, u"Zmluvy.DBF"_s,
                  {{u"BIRTHNUM"_s, u"6103033333"_s},
                   {u"NUMBER"_s, u"12/00002"_s},
                   {u"AGRDATE"_s, QDate(2012, 2, 1)},
                   {u"PAID"_s, true},
                   {u"PAID_DATE"_s, QDate(2012, 3, 1)}});
        }
        m_main = m_program.restart(QDate(2026, 8, 20));
        settle();
        QVERIFY(questions().isEmpty());
        m_main = m_program.restart(QDate(2026, 9, 1));
        Messages::pushAnswer(false);
        settle();
        QCOMPARE(questions().size(), 1);
    }

    // A clerk who is no owner is not asked; the owner who signs in later that month is.
    void onlyTheOwnerIsAsked()
    {
        m_main = m_program.start(QDate(2026, 6, 1), [](Store& s) { prepare(s, true); });
        QVERIFY(m_main);
        signIn(u"Jan"_s, u"jan-heslo"_s);
        settle();
        QVERIFY(questions().isEmpty());
        m_main = m_program.restart(QDate(2026, 6, 2));
        signIn(u"Eva"_s, u"eva-heslo"_s);
        Messages::pushAnswer(false);
        settle();
        QCOMPARE(questions().size(), 1);
        QCOMPARE(persons(Due), 1);
    }
};

QTEST_MAIN(TestPersonalData)
#include "tst_personaldata.moc"
