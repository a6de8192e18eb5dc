#include "StoreDump.h"
#include "TestBackend.h"
#include "core/PersonFigures.h"
#include "core/Retention.h"
#include "core/Shop.h"
#include "core/Statistics.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Errors.h"
#include "store/trail/Trail.h"
#include "support/Records.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QDate Today(2026, 3, 15);
const QString Orphan = u"9901019999"_s;

// A contract as a case writes it: in the register or in the archive, with its goods and extensions.
struct ContractCase
{
    bool archived = false;
    QDate agreed;
    bool paid = false;
    QDate paidOn;
    bool forfeited = false;
    QList<std::pair<bool, QDate>> goods; // sold, day of sale
    QDate extendedTo;
};

ContractCase paidOn(const QDate& day, bool archived = false)
{
    ContractCase c;
    c.archived = archived;
    c.agreed = day.addMonths(-1);
    c.paid = true;
    c.paidOn = day;
    c.goods = {{false, {}}};
    return c;
}

ContractCase forfeitedOn(const QDate& agreed, QList<std::pair<bool, QDate>> goods)
{
    ContractCase c;
    c.agreed = agreed;
    c.forfeited = true;
    c.goods = std::move(goods);
    return c;
}

} // namespace

Q_DECLARE_METATYPE(QList<ContractCase>)

// Retention: who is due for anonymising, and anonymising them all or nobody.
class TestRetention : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_tmp;
    QString m_location;
    int m_numbers = 0;

    static void addPerson(Store& store, const QString& birthNumber, const QString& lastName, bool black = false)
    {
        Records::addPerson(store, birthNumber, lastName,
                           {{u"FIRSNAME"_s, u"Ján"_s},
                            {u"IDCARD"_s, u"EA123456"_s},
                            {u"STREET"_s, u"Hlavná"_s},
                            {u"STREETNO"_s, u"12"_s},
                            {u"CITY"_s, u"Nitra"_s},
                            {u"REASON"_s, u"stály zákazník"_s},
                            {u"BLACK"_s, black}});
    }

    // Written through table instances, so that live records leave their rows in the trail as a clerk's do.
    QString addContract(Store& store, const QString& birthNumber, const ContractCase& contract)
    {
        const QString number = u"10/%1"_s.arg(++m_numbers, 5, 10, QLatin1Char('0'));
        const QString prefix = contract.archived ? u"X"_s : QString();
        Table contracts(store, contract.archived ? u"Xzmluvy.DBF"_s : u"Zmluvy.DBF"_s);
        contracts.open();
        contracts.append();
        contracts.field(u"BIRTHNUM"_s).setAsString(birthNumber);
        contracts.field(u"NUMBER"_s).setAsString(number);
        contracts.field(u"AGRDATE"_s).setAsDate(contract.agreed);
        contracts.field(u"UNTIL"_s).setAsDate(contract.agreed.addMonths(1));
        contracts.field(u"AMOUNT"_s).setAsFloat(1000);
        contracts.field(u"PAID"_s).setAsBoolean(contract.paid);
        if (contract.paid) {
            contracts.field(u"PAID_SUM"_s).setAsFloat(1100);
            contracts.field(u"PAID_DATE"_s).setAsDate(contract.paidOn);
        }
        contracts.field(u"PADAK"_s).setAsBoolean(contract.forfeited);
        contracts.field(u"RETENT"_s).setAsBoolean(contract.extendedTo.isValid());
        contracts.post();
        Table goods(store, contract.archived ? u"Xinvent.DBF"_s : u"Inventar.DBF"_s);
        goods.open();
        for (const auto& [sold, day] : contract.goods) {
            goods.append();
            goods.field(u"NUMBER"_s).setAsString(number);
            goods.field(u"SUBJECT"_s).setAsString(u"prsteň"_s);
            goods.field(u"PREDANE"_s).setAsBoolean(sold);
            goods.field(u"PREPADNUTE"_s).setAsBoolean(contract.forfeited);
            if (day.isValid()) goods.field(u"PRED_DATUM"_s).setAsDate(day);
            goods.field(u"SUMA1"_s).setAsFloat(900);
            if (sold) goods.field(u"PRED_SUMA"_s).setAsFloat(1500);
            goods.post();
        }
        if (contract.extendedTo.isValid()) {
            Table extensions(store, contract.archived ? u"Xpredlz.DBF"_s : u"Predlz.DBF"_s);
            extensions.open();
            extensions.append();
            extensions.field(u"NUMBER"_s).setAsString(number);
            extensions.field(u"X_UNTIL"_s).setAsDate(contract.extendedTo);
            extensions.field(u"X_PAID"_s).setAsFloat(100);
            extensions.field(u"X_PAIDDATE"_s).setAsDate(contract.extendedTo.addMonths(-1));
            extensions.post();
        }
        return number;
    }

    static QStringList birthNumbers(const QList<Retention::Person>& persons)
    {
        QStringList out;
        for (const Retention::Person& p : persons)
            out << p.birthNumber;
        return out;
    }

    static qint64 count(Store& store, const QString& table, const QString& birthNumber)
    {
        return store.scalar(u"SELECT COUNT(*) FROM "_s + table + u" WHERE BIRTHNUM = ?"_s, {birthNumber}).toLongLong();
    }

    // Everything of the store that anonymising may touch, as text.
    QStringList dump()
    {
        QStringList lines = StoreDump::store(m_location);
        Store store(m_location);
        for (const QString& sql :
             {u"SELECT TAG, PKEY FROM Kluce ORDER BY TAG"_s, u"SELECT SEQ, HASH FROM Zmeny ORDER BY SEQ"_s}) {
            StatementUse q = store.statement(sql);
            q.exec();
            while (q.next())
                lines << q.value(0).toString() + u'|' + q.value(1).toString();
        }
        return lines;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
        m_location = TestBackend::freshLocation(m_tmp->path());
        Store::createEmpty(m_location);
        m_numbers = 0;
    }

    void cleanup() { m_tmp.reset(); }

    void dueRule_data()
    {
        QTest::addColumn<QList<ContractCase>>("contracts");
        QTest::addColumn<bool>("black");
        QTest::addColumn<int>("years");
        QTest::addColumn<QString>("listed"); // due, kept, undesirable, without contracts

        ContractCase running;
        running.agreed = QDate(2010, 1, 4);
        ContractCase extendedLate = paidOn(QDate(2012, 5, 2));
        extendedLate.extendedTo = QDate(2016, 6, 1); // paid for in May 2016
        ContractCase noDate;
        noDate.paid = true;

        QTest::newRow("running") << QList{running} << false << 10 << u"kept"_s;
        QTest::newRow("recently finished") << QList{paidOn(QDate(2020, 2, 1))} << false << 10 << u"kept"_s;
        QTest::newRow("long finished") << QList{paidOn(QDate(2012, 5, 2))} << false << 10 << u"due"_s;
        QTest::newRow("finished one day too late") << QList{paidOn(QDate(2016, 3, 15))} << false << 10 << u"kept"_s;
        QTest::newRow("finished a day earlier") << QList{paidOn(QDate(2016, 3, 14))} << false << 10 << u"due"_s;
        QTest::newRow("extension paid later") << QList{extendedLate} << false << 10 << u"kept"_s;
        QTest::newRow("one long finished, one running")
            << QList{paidOn(QDate(2011, 1, 1)), running} << false << 10 << u"kept"_s;
        QTest::newRow("forfeited with an unsold item")
            << QList{forfeitedOn(QDate(2011, 1, 1), {{true, QDate(2011, 6, 1)}, {false, {}}})} << false << 10
            << u"kept"_s;
        QTest::newRow("forfeited, everything sold long ago")
            << QList{forfeitedOn(QDate(2011, 1, 1), {{true, QDate(2011, 6, 1)}, {true, QDate(2012, 2, 1)}})} << false
            << 10 << u"due"_s;
        QTest::newRow("forfeited, the last item sold recently")
            << QList{forfeitedOn(QDate(2011, 1, 1), {{true, QDate(2019, 6, 1)}})} << false << 10 << u"kept"_s;
        QTest::newRow("forfeited without goods")
            << QList{forfeitedOn(QDate(2011, 1, 1), {})} << false << 10 << u"due"_s;
        QTest::newRow("archived only") << QList{paidOn(QDate(2012, 5, 2), true)} << false << 10 << u"due"_s;
        QTest::newRow("archived long ago, live recently")
            << QList{paidOn(QDate(2009, 5, 2), true), paidOn(QDate(2021, 1, 1))} << false << 10 << u"kept"_s;
        QTest::newRow("no contract") << QList<ContractCase>{} << false << 10 << u"without contracts"_s;
        QTest::newRow("a contract without any date") << QList{noDate} << false << 10 << u"kept"_s;
        QTest::newRow("undesirable") << QList{paidOn(QDate(2012, 5, 2))} << true << 10 << u"undesirable"_s;
        QTest::newRow("kept for ever") << QList{paidOn(QDate(1999, 5, 2))} << false << 0 << u"kept"_s;
        QTest::newRow("kept for two years") << QList{paidOn(QDate(2023, 5, 2))} << false << 2 << u"due"_s;
    }
    void dueRule()
    {
        QFETCH(QList<ContractCase>, contracts);
        QFETCH(bool, black);
        QFETCH(int, years);
        QFETCH(QString, listed);
        const QString person = u"7001011234"_s, other = u"7502025678"_s;
        Store store(m_location);
        addPerson(store, person, u"Kováč"_s, black);
        QStringList numbers;
        for (const ContractCase& c : std::as_const(contracts))
            numbers << addContract(store, person, c);
        // Someone else's running contract decides nothing for the person.
        addPerson(store, other, u"Horváth"_s);
        ContractCase running;
        running.agreed = QDate(2010, 1, 4);
        addContract(store, other, running);

        const Retention::Survey s = Retention::survey(store, Today, years);
        const QStringList none;
        QCOMPARE(birthNumbers(s.due), listed == u"due"_s ? QStringList{person} : none);
        QCOMPARE(birthNumbers(s.undesirable), listed == u"undesirable"_s ? QStringList{person} : none);
        QCOMPARE(birthNumbers(s.withoutContracts), listed == u"without contracts"_s ? QStringList{person} : none);

        const QList<Retention::Anonymised> done = Retention::anonymiseDue(store, Today, years);
        QCOMPARE(done.size(), listed == u"due"_s ? 1 : 0);
        const qint64 live =
            std::count_if(contracts.cbegin(), contracts.cend(), [](const auto& c) { return !c.archived; });
        const qint64 archived = contracts.size() - live;
        if (done.isEmpty()) {
            QCOMPARE(count(store, u"Osoby"_s, person), 1);
            QCOMPARE(count(store, u"Zmluvy"_s, person), live);
            QCOMPARE(count(store, u"Xzmluvy"_s, person), archived);
            return;
        }
        const QString pseudonym = done.first().pseudonym;
        QCOMPARE(done.first().person.birthNumber, person);
        for (const QString& t : {u"Osoby"_s, u"Zmluvy"_s, u"Xzmluvy"_s})
            QVERIFY2(count(store, t, person) == 0, qPrintable(t));
        Trail::Query byPerson;
        byPerson.birthNumber = person;
        QVERIFY(Trail::read(store, byPerson).isEmpty()); // the key is gone
        QCOMPARE(count(store, u"Osoby"_s, pseudonym), 1);
        QCOMPARE(count(store, u"Zmluvy"_s, pseudonym), live);
        QCOMPARE(count(store, u"Xzmluvy"_s, pseudonym), archived);
        // Already anonymised, nobody is due again.
        QVERIFY(Retention::survey(store, Today.addYears(5), years).due.isEmpty());
        QCOMPARE(count(store, u"Osoby"_s, other), 1);
    }

    // The person's record, contracts and trail key change; the books and the chain stay whole.
    void anonymising()
    {
        const QStringList due{u"6001011111"_s, u"6002022222"_s, u"6003033333"_s};
        const QString kept = u"8001014444"_s;
        {
            Store store(m_location);
            for (const QString& b : due) {
                addPerson(store, b, u"Novák"_s);
                addContract(store, b, paidOn(QDate(2012, 1, 10)));
                addContract(store, b, forfeitedOn(QDate(2013, 1, 1), {{true, QDate(2013, 8, 1)}}));
                addContract(store, b, paidOn(QDate(2011, 1, 10), true));
            }
            addPerson(store, kept, u"Malý"_s);
            ContractCase running;
            running.agreed = QDate(2026, 1, 4);
            addContract(store, kept, running);
            // A contract written and deleted again leaves a key of a number nobody has: swept.
            const QString number = addContract(store, Orphan, running);
            Table orphan(store, u"Zmluvy.DBF"_s);
            orphan.setIndexName(u"NUMBER"_s);
            orphan.open();
            QVERIFY(orphan.findKey(number));
            orphan.remove();
        }
        QList<PersonFigures> figuresBefore;
        QString countsBefore, moneyBefore;
        const auto figuresOf = [](Shop& shop, const QString& birthNumber) {
            Table contracts(shop.store(), u"Zmluvy.DBF"_s);
            contracts.setIndexName(u"NUMBER"_s);
            contracts.open();
            contracts.setFilter(Filter::equal(contracts.definition(), u"BIRTHNUM"_s, birthNumber));
            contracts.setFiltered(true);
            return PersonFigures::compute(contracts, *shop.Table4, *shop.Table3, Today);
        };
        const auto statistics = [](Shop& shop) {
            Table xc(shop.store(), u"Xzmluvy.DBF"_s), xg(shop.store(), u"Xinvent.DBF"_s),
                xe(shop.store(), u"Xpredlz.DBF"_s);
            const Statistics::RecordCounts c =
                Statistics::countRecords(*shop.Table1, *shop.Table2, *shop.Table4, *shop.Table3, xc, xg, xe);
            return u"%1 %2 %3 %4 %5 %6 %7"_s.arg(c.contracts)
                .arg(c.persons)
                .arg(c.goods)
                .arg(c.extensions)
                .arg(c.archivedContracts)
                .arg(c.archivedGoods)
                .arg(c.archivedExtensions);
        };
        QList<Retention::Anonymised> done;
        {
            Shop shop(m_location);
            for (const QString& b : due)
                figuresBefore << figuresOf(shop, b);
            countsBefore = statistics(shop);
            moneyBefore = QString::number(Statistics::moneyInCirculation(*shop.Table1));
            qint64 swept = 0;
            done = Retention::anonymiseDue(shop.store(), Today, 10, &swept);
            QCOMPARE(done.size(), 3);
            QCOMPARE(swept, 1);
            // While the store is still open, neither its file nor its WAL holds what was erased.
            if (!shop.store().isServer()) {
                const QString file = QDir(m_location).filePath(Store::fileName());
                QCOMPARE(QFileInfo(file + u"-wal"_s).size(), 0);
                QFile db(file);
                QVERIFY(db.open(QIODevice::ReadOnly));
                const QByteArray bytes = db.readAll();
                for (const QString& value : due + QStringList{Orphan, u"Novák"_s})
                    QVERIFY2(!bytes.contains(value.toUtf8()), qPrintable(value));
            }
            QSet<QString> pseudonyms;
            for (int i = 0; i < done.size(); ++i) {
                const Retention::Anonymised& a = done.at(i);
                QCOMPARE(a.person.birthNumber, due.at(i));
                QVERIFY2(Retention::isPseudonym(a.pseudonym), qPrintable(a.pseudonym));
                QCOMPARE(a.pseudonym.size(), 10);        // as wide as a birth number
                QVERIFY(!a.pseudonym.front().isDigit()); // a birth number has only digits
                pseudonyms.insert(a.pseudonym);
                // The profile of the pseudonym adds up to what the person's did.
                const PersonFigures after = figuresOf(shop, a.pseudonym);
                QCOMPARE(after.contracts, figuresBefore.at(i).contracts);
                QCOMPARE(after.lent, figuresBefore.at(i).lent);
                QCOMPARE(after.totalYield(), figuresBefore.at(i).totalYield());
            }
            QCOMPARE(pseudonyms.size(), 3);
            QCOMPARE(statistics(shop), countsBefore);
            QCOMPARE(QString::number(Statistics::moneyInCirculation(*shop.Table1)), moneyBefore);
            // Blanked: the name, the ID card, the address, the note.
            const QVariant rest = shop.store().scalar(
                u"SELECT COUNT(*) FROM Osoby WHERE BIRTHNUM LIKE 'X%' AND LASTNAME IS NULL AND FIRSNAME IS NULL AND "
                u"IDCARD IS NULL AND STREET IS NULL AND STREETNO IS NULL AND CITY IS NULL AND REASON IS NULL"_s);
            QCOMPARE(rest.toInt(), 3);
            QCOMPARE(shop.store().scalar(u"SELECT COUNT(*) FROM Kluce"_s).toInt(), 1); // the kept person's
        }
        Store store(m_location);
        const Trail::Verdict v = Trail::verify(store);
        QVERIFY2(v.ok(), qPrintable(v.why));
        // One row per person naming the pseudonym only: no birth number, no hash of one.
        StatementUse q =
            store.statement(u"SELECT RECKEY, PERSON, DETAIL, TABLENAME FROM Zmeny WHERE ACTION = ? ORDER BY SEQ"_s);
        q.addBindValue(u"anonymised"_s);
        q.exec();
        int rows = 0;
        while (q.next()) {
            QCOMPARE(q.value(0).toString(), done.at(rows).pseudonym);
            QCOMPARE(q.value(1).toString(), QString());
            QVERIFY(!q.value(2).toString().contains(done.at(rows).person.birthNumber));
            QCOMPARE(q.value(3).toString(), u"Osoby"_s);
            ++rows;
        }
        QCOMPARE(rows, 3);
        // The persons' old rows read "(vymazané)" wherever they named a value; the kept person still reads.
        const QSet<QString> gone(due.cbegin(), due.cend());
        int erased = 0;
        for (const Trail::Row& r : Trail::read(store, {})) {
            QVERIFY(!gone.contains(r.key));
            for (const Trail::FieldChange& f : r.fields) {
                QVERIFY2(!gone.contains(f.newValue) && f.newValue != u"Novák"_s, qPrintable(f.newValue));
                erased += f.newErased ? 1 : 0;
            }
        }
        QVERIFY(erased >= 3 * 8 + 6); // each person's eight values, each contract's birth number
        Trail::Query keptPerson;
        keptPerson.birthNumber = kept;
        QCOMPARE(Trail::read(store, keptPerson).first().key, kept);
        for (const QString& b : due) {
            Trail::Query person;
            person.birthNumber = b;
            QVERIFY(Trail::read(store, person).isEmpty());
        }
    }

    // A failure at the second person leaves the first as before too: one transaction for the run.
    void allOrNothing()
    {
        const QStringList due{u"6001011111"_s, u"6002022222"_s, u"6003033333"_s};
        {
            Store store(m_location);
            for (const QString& b : due) {
                addPerson(store, b, u"Novák"_s);
                addContract(store, b, paidOn(QDate(2012, 1, 10)));
                addContract(store, b, paidOn(QDate(2011, 1, 10), true));
            }
            // The archive is written last for each person: the second fails with the first written already.
            if (store.isServer()) {
                store.exec(u"CREATE FUNCTION planted() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                           u"IF OLD.\"birthnum\" = '6002022222' THEN RAISE EXCEPTION 'planted'; END IF; "
                           u"RETURN NEW; END $$"_s);
                store.exec(
                    u"CREATE TRIGGER planted BEFORE UPDATE ON xzmluvy FOR EACH ROW EXECUTE FUNCTION planted()"_s);
            } else {
                store.exec(u"CREATE TRIGGER planted BEFORE UPDATE ON Xzmluvy WHEN OLD.BIRTHNUM = '6002022222' "
                           u"BEGIN SELECT RAISE(ABORT, 'planted'); END"_s);
            }
        }
        const QStringList before = dump();
        try {
            Store store(m_location);
            Retention::anonymiseDue(store, Today, 10);
            QFAIL("the planted failure did not stop the run");
        } catch (const StoreError& e) {
            QVERIFY2(e.text().contains(u"planted"_s), qPrintable(e.text()));
        }
        QCOMPARE(dump(), before);
        Store store(m_location);
        QCOMPARE(birthNumbers(Retention::survey(store, Today, 10).due), due);
    }
};

QTEST_GUILESS_MAIN(TestRetention)
#include "tst_retention.moc"
