#include "FreshProgram.h"
#include "register/Osoby.h"
#include "register/Shop.h"
#include "register/Zmluvy.h"
#include "store/Table.h"

#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
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
};

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
