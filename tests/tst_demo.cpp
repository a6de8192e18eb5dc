#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "tools/DemoData.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

QList<QVariantList> rows(Store& store, const QString& sql)
{
    QSqlQuery q(store.database());
    if (!q.exec(sql)) qFatal("%s: %s", qPrintable(sql), qPrintable(q.lastError().text()));
    QList<QVariantList> out;
    while (q.next()) {
        QVariantList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i);
        out << row;
    }
    return out;
}

qint64 count(Store& store, const QString& sql)
{
    return rows(store, sql).value(0).value(0).toLongLong();
}

QDate day(const QVariant& v)
{
    return v.isNull() ? QDate() : QDate::fromString(v.toString(), Qt::ISODate);
}

// The dates the set is seen from: an ordinary day, a leap day and the last day of a year.
void addDays()
{
    QTest::addColumn<QDate>("today");
    QTest::newRow("15.3.2026") << QDate(2026, 3, 15);
    QTest::newRow("29.2.2024") << QDate(2024, 2, 29);
    QTest::newRow("31.12.2030") << QDate(2030, 12, 31);
}

} // namespace

class TestDemo : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Store> newStore(QTemporaryDir& dir)
    {
        Store::createEmpty(dir.path());
        return std::make_unique<Store>(dir.path());
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void countsPerShop_data() { addDays(); }
    void countsPerShop()
    {
        QFETCH(QDate, today);
        QTemporaryDir dir;
        auto store = newStore(dir);
        const DemoData::Counts written = DemoData::fill(*store, 1, today);
        QCOMPARE(written.contracts, 300);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Zmluvy"_s), 300);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Inventar"_s), 600);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Predlz"_s), 100);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Osoby"_s), 80);
        for (const QString& table : {u"Prijvyd"_s, u"Xzmluvy"_s, u"Xpredlz"_s, u"Xinvent"_s})
            QCOMPARE(count(*store, u"SELECT COUNT(*) FROM "_s + table), 0);
    }

    void persons_data() { addDays(); }
    void persons()
    {
        QFETCH(QDate, today);
        QTemporaryDir dir;
        auto store = newStore(dir);
        DemoData::fill(*store, 1, today);

        QSet<QString> birthNumbers, cards;
        QString allSurnames;
        for (const QVariantList& p : rows(*store, u"SELECT BIRTHNUM, LASTNAME, IDCARD FROM Osoby"_s)) {
            const QString birth = p.at(0).toString();
            const QString surname = p.at(1).toString();
            QVERIFY2(QRegularExpression(u"^\\d{10}$"_s).match(birth).hasMatch(), qPrintable(birth));
            QVERIFY2(birth.toLongLong() % 11 == 0, qPrintable(birth));
            const int month = birth.mid(2, 2).toInt();
            const bool female = month > 50;
            const int year = birth.left(2).toInt() + (birth.left(2).toInt() < 54 ? 2000 : 1900);
            QVERIFY2(QDate(year, female ? month - 50 : month, birth.mid(4, 2).toInt()).isValid(), qPrintable(birth));
            QVERIFY2(year <= today.year() - 18, qPrintable(birth));
            // A woman's surname is the feminine form (Nováková, Čierna), and a man's is not.
            if (surname.endsWith(u'á')) QVERIFY2(female, qPrintable(birth + u' ' + surname));
            if (female)
                QVERIFY2(surname.endsWith(u'á') || surname.endsWith(u"na"_s), qPrintable(birth + u' ' + surname));
            QVERIFY2(!birthNumbers.contains(birth), qPrintable(birth));
            birthNumbers.insert(birth);
            QVERIFY(!cards.contains(p.at(2).toString()));
            cards.insert(p.at(2).toString());
            allSurnames += surname + u' ';
        }
        QCOMPARE(birthNumbers.size(), 80);
        for (const QString& letter : {u"Č"_s, u"Š"_s, u"Ž"_s, u" Ch"_s})
            QVERIFY2(allSurnames.contains(letter), qPrintable(letter));

        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Zmluvy WHERE BIRTHNUM IS NULL OR BIRTHNUM NOT IN "
                               u"(SELECT BIRTHNUM FROM Osoby)"_s),
                 0);
    }

    void contractNumbers_data() { addDays(); }
    void contractNumbers()
    {
        QFETCH(QDate, today);
        QTemporaryDir dir;
        auto store = newStore(dir);
        DemoData::fill(*store, 1, today);

        QSet<QString> numbers;
        for (const QVariantList& c : rows(*store, u"SELECT NUMBER, AGRDATE FROM Zmluvy"_s)) {
            const QString number = c.at(0).toString();
            QVERIFY2(QRegularExpression(u"^\\d\\d/\\d{5}$"_s).match(number).hasMatch(), qPrintable(number));
            QCOMPARE(number.left(2).toInt(), day(c.at(1)).year() % 100);
            QVERIFY2(!numbers.contains(number), qPrintable(number));
            numbers.insert(number);
        }
        // Every item and extension hangs under a contract, and every contract pledges something.
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Inventar WHERE NUMBER NOT IN (SELECT NUMBER FROM Zmluvy)"_s), 0);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Predlz WHERE NUMBER NOT IN (SELECT NUMBER FROM Zmluvy)"_s), 0);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Zmluvy WHERE NUMBER NOT IN (SELECT NUMBER FROM Inventar)"_s), 0);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Zmluvy z WHERE AMOUNT <> "
                               u"(SELECT SUM(SUMA1) FROM Inventar i WHERE i.NUMBER = z.NUMBER)"_s),
                 0);
    }

    void everyState_data() { addDays(); }
    void everyState()
    {
        QFETCH(QDate, today);
        QTemporaryDir dir;
        auto store = newStore(dir);
        DemoData::fill(*store, 1, today, DemoData::Variant{});

        QHash<QString, QList<QDate>> extensions;
        for (const QVariantList& e :
             rows(*store, u"SELECT NUMBER, X_UNTIL, X_PAIDDATE, X_PAID FROM Predlz ORDER BY NUMBER, rowid"_s)) {
            extensions[e.at(0).toString()] << day(e.at(1));
            QVERIFY(day(e.at(2)).isValid() && day(e.at(2)) <= today);
            QVERIFY(day(e.at(2)) < day(e.at(1)));
            QVERIFY(e.at(3).toDouble() > 0);
        }

        QHash<QString, int> seen;
        for (const QVariantList& c : rows(*store, u"SELECT NUMBER, AGRDATE, UNTIL, PAID, PAID_SUM, PAID_DATE, "
                                                  u"RETURNED, RETUDATE, RETENT, PADAK, AMOUNT FROM Zmluvy"_s)) {
            const QString number = c.at(0).toString();
            const QDate agreed = day(c.at(1)), until = day(c.at(2)), paidOn = day(c.at(5)), returnedOn = day(c.at(7));
            const bool paid = c.at(3).toBool(), returned = c.at(6).toBool(), retent = c.at(8).toBool(),
                       padak = c.at(9).toBool();
            const QList<QDate> untils = extensions.value(number);
            QVERIFY(agreed.isValid() && agreed <= today && until > agreed);

            // The flags agree with the dates and sums that go with them.
            QCOMPARE(paidOn.isValid(), paid);
            QCOMPARE(!c.at(4).isNull(), paid);
            if (paid) QVERIFY(paidOn >= agreed && paidOn <= today && c.at(4).toDouble() >= c.at(10).toDouble());
            QCOMPARE(returnedOn.isValid(), returned);
            if (returned) QVERIFY(paid && returnedOn >= paidOn && returnedOn <= today);
            QVERIFY(!(paid && padak));
            QCOMPARE(retent, !untils.isEmpty());
            QVERIFY(untils.size() <= 3);
            // Each extension moves the due date on.
            for (qsizetype k = 0; k < untils.size(); ++k)
                QVERIFY2(untils.at(k) > (k == 0 ? until : untils.at(k - 1)), qPrintable(number));

            const bool anyRunning =
                std::any_of(untils.begin(), untils.end(), [&](const QDate& d) { return d >= today; });
            const bool current = !paid && !padak && (today <= until || (retent && anyRunning));
            const bool expired = !paid && !padak && today > until && (!retent || !anyRunning);
            // A contract is in exactly one of the four views; none is left out of both date views.
            QCOMPARE(int(current) + int(expired) + int(paid) + int(padak), 1);

            if (current) ++seen[u"current"_s];
            if (expired) ++seen[u"expired"_s];
            if (paid) ++seen[u"paid"_s];
            if (returned) ++seen[u"returned"_s];
            if (padak) ++seen[u"forfeited"_s];
            if (retent) ++seen[u"extended %1 times"_s.arg(untils.size())];
            if (retent && current) ++seen[u"extended and current"_s];
            if (retent && expired) ++seen[u"extended and expired"_s];
        }

        for (const QVariantList& g : rows(*store, u"SELECT i.VRATENE, i.PREDANE, i.PREPADNUTE, i.PRED_DATUM, "
                                                  u"i.PRED_SUMA, z.RETURNED, z.PADAK FROM Inventar i "
                                                  u"JOIN Zmluvy z ON z.NUMBER = i.NUMBER"_s)) {
            const bool sold = g.at(1).toBool(), forfeited = g.at(2).toBool();
            QCOMPARE(g.at(0).toBool(), g.at(5).toBool());
            QCOMPARE(forfeited, g.at(6).toBool());
            QVERIFY(!sold || forfeited);
            QCOMPARE(day(g.at(3)).isValid(), sold);
            QCOMPARE(!g.at(4).isNull(), sold);
            if (sold) QVERIFY(day(g.at(3)) <= today && g.at(4).toDouble() > 0);
            if (sold) ++seen[u"goods sold"_s];
            if (forfeited && !sold) ++seen[u"goods for sale"_s];
        }

        for (const QString& state :
             {u"current"_s, u"expired"_s, u"paid"_s, u"returned"_s, u"forfeited"_s, u"extended 1 times"_s,
              u"extended 2 times"_s, u"extended 3 times"_s, u"extended and current"_s, u"extended and expired"_s,
              u"goods sold"_s, u"goods for sale"_s})
            QVERIFY2(seen.value(state) > 0, qPrintable(state));
    }

    // What the windows show first differs from set to set; the counts stay those of the scale.
    void newestAndFirstPerson_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("newest");
        QTest::addColumn<int>("first");
        const QStringList states{u"open"_s, u"paid"_s, u"paid-forfeited"_s, u"extended"_s, u"forfeited-sold"_s};
        const QStringList persons{u"pledger"_s, u"undesirable"_s, u"without contracts"_s};
        for (const QDate& today : {QDate(2026, 3, 15), QDate(2027, 1, 2)})
            for (int n = 0; n < 5; ++n)
                QTest::addRow("%s %s, first %s", qPrintable(today.toString(Qt::ISODate)), qPrintable(states.at(n)),
                              qPrintable(persons.at(n % 3)))
                    << today << n << n % 3;
    }
    void newestAndFirstPerson()
    {
        QFETCH(QDate, today);
        QFETCH(int, newest);
        QFETCH(int, first);
        QTemporaryDir dir;
        auto store = newStore(dir);
        const DemoData::Counts c =
            DemoData::fill(*store, 1, today, DemoData::Variant{DemoData::Newest(newest), DemoData::FirstPerson(first)});
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Predlz"_s), c.extensions);
        QCOMPARE(count(*store, u"SELECT COUNT(*) FROM Zmluvy"_s), c.contracts);

        const QVariantList z = rows(*store, u"SELECT NUMBER, BIRTHNUM, PAID, PAID_SUM, PAID_DATE, PADAK, RETENT, "
                                            u"UNTIL, AGRDATE FROM Zmluvy ORDER BY NUMBER DESC LIMIT 1"_s)
                                   .value(0);
        const QString number = z.at(0).toString();
        QCOMPARE(number.left(2).toInt(), today.year() % 100);
        const bool paid = z.at(2).toBool(), padak = z.at(5).toBool(), retent = z.at(6).toBool();
        QCOMPARE(paid, newest == 1 || newest == 2);
        QCOMPARE(padak, newest == 2 || newest == 4);
        QCOMPARE(retent, newest == 3);
        if (paid) QVERIFY(z.at(3).toDouble() > 0 && day(z.at(4)) == today);
        if (newest == 0) QVERIFY(day(z.at(7)) >= today);
        const QString q = u"SELECT COUNT(*) FROM %1 WHERE NUMBER = '%2'"_s;
        if (newest == 3) {
            QCOMPARE(count(*store, q.arg(u"Predlz"_s, number) + u" AND X_PAID > 0"_s), 2);
            QVERIFY(count(*store,
                          q.arg(u"Predlz"_s, number) + u" AND X_UNTIL >= '%1'"_s.arg(today.toString(Qt::ISODate))) > 0);
        }
        const qint64 goods = count(*store, q.arg(u"Inventar"_s, number));
        QVERIFY(goods > 0);
        if (newest == 4)
            QCOMPARE(count(*store, q.arg(u"Inventar"_s, number) + u" AND PREDANE = 1 AND PRED_SUMA > 0"_s), goods);
        if (padak) QCOMPARE(count(*store, q.arg(u"Inventar"_s, number) + u" AND PREPADNUTE = 1"_s), goods);

        // The persons window lists by surname, Slovak order.
        Table persons(*store, u"Osoby.DBF"_s);
        persons.setIndexName(u"LASTNAME"_s);
        persons.open();
        persons.first();
        QCOMPARE(persons.field(u"LASTNAME"_s).asString(), u"Adamcová"_s);
        const QString firstBirth = persons.field(u"BIRTHNUM"_s).asString();
        QCOMPARE(persons.field(u"BLACK"_s).asBoolean(), first == 1);
        const qint64 own = count(*store, u"SELECT COUNT(*) FROM Zmluvy WHERE BIRTHNUM = '%1'"_s.arg(firstBirth));
        if (first == 2)
            QCOMPARE(own, 0);
        else
            QCOMPARE(z.at(1).toString(), firstBirth);
    }

    // The windows limit what the clerk can type; demo records must fit the same boxes.
    void fitsEntryLimits()
    {
        QTemporaryDir dir;
        auto store = newStore(dir);
        DemoData::fill(*store, 1, QDate(2026, 3, 15));
        for (const TableDef& def : Schema::tables()) {
            for (const FieldDef& field : def.fields) {
                if (field.width == 0) continue;
                const QString sql = field.type == FieldType::Text
                                        ? u"SELECT COUNT(*) FROM \"%1\" WHERE LENGTH(\"%2\") > %3"_s
                                        : u"SELECT COUNT(*) FROM \"%1\" WHERE ABS(\"%2\") >= 1e%3"_s;
                QVERIFY2(count(*store, sql.arg(def.sqlName, field.name).arg(field.width)) == 0,
                         qPrintable(def.sqlName + u'.' + field.name));
            }
        }
    }

    // Benchmark figures only compare when every run measures the same records.
    void sameDaySameSet()
    {
        auto dump = [this](QTemporaryDir& dir) {
            auto store = newStore(dir);
            DemoData::fill(*store, 2, QDate(2026, 3, 15));
            QList<QVariantList> all;
            for (const TableDef& def : Schema::tables())
                all << rows(*store, u"SELECT * FROM \"%1\" ORDER BY rowid"_s.arg(def.sqlName));
            return all;
        };
        QTemporaryDir first, second;
        const QList<QVariantList> a = dump(first);
        QCOMPARE(a.size(), 2 * (300 + 600 + 100 + 80));
        QCOMPARE(dump(second), a);
    }

    void refuses_data()
    {
        QTest::addColumn<int>("scale");
        QTest::addColumn<QString>("occupied");
        QTest::newRow("scale 0") << 0 << QString();
        QTest::newRow("scale above the largest") << DemoData::MaxScale + 1 << QString();
        QTest::newRow("contracts present") << 1 << u"INSERT INTO Zmluvy (NUMBER) VALUES ('26/00001')"_s;
        QTest::newRow("only an archived item") << 1 << u"INSERT INTO Xinvent (SUBJECT) VALUES ('Prsteň')"_s;
        QTest::newRow("only the work table") << 1 << u"INSERT INTO Prijvyd (NUMBER) VALUES ('26/00001')"_s;
    }
    void refuses()
    {
        QFETCH(int, scale);
        QFETCH(QString, occupied);
        QTemporaryDir dir;
        auto store = newStore(dir);
        if (!occupied.isEmpty()) rows(*store, occupied);
        QVERIFY_THROWS_EXCEPTION(StoreError, DemoData::fill(*store, scale, QDate(2026, 3, 15)));
        qint64 total = 0;
        for (const TableDef& def : Schema::tables())
            total += count(*store, u"SELECT COUNT(*) FROM \"%1\""_s.arg(def.sqlName));
        QCOMPARE(total, occupied.isEmpty() ? 0 : 1);
    }
};

QTEST_GUILESS_MAIN(TestDemo)
#include "tst_demo.moc"
