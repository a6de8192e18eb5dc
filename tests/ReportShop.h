#pragma once

#include "TestBackend.h"
#include "core/Shop.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Statement.h"
#include "support/Records.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QTemporaryDir>
#include <memory>

using Fields = Records::Values;

// A row of the trail of changes with a moment of the test's choosing, as if another counter wrote it then: a change
// of AMOUNT from 100 to 200 of contract key, or with another action a row without fields. Its HASH is no link of
// the chain; the reports do not look at that.
inline void insertTrailRow(Store& store, const QString& moment, const QString& key,
                           const QString& clerk = QStringLiteral("Eva"),
                           const QString& action = QStringLiteral("change"))
{
    const qint64 seq = store.scalar(QStringLiteral("SELECT COALESCE(MAX(SEQ), 0) + 1 FROM Zmeny")).toLongLong();
    const bool fields = action == QStringLiteral("change");
    StatementUse q =
        store.statement(QStringLiteral("INSERT INTO Zmeny (SEQ, MOMENT, CLERK, COUNTER, ACTION, TABLENAME, "
                                       "RECKEY, PERSON, DETAIL, HASH) VALUES (?, ?, ?, 'pult2/eva', ?, ?, ?, "
                                       "'', ?, 'x')"));
    const QString none = QStringLiteral(""); // never a null string: it would bind as NULL
    q.bind({seq, moment, clerk, action, fields ? QStringLiteral("Zmluvy") : none, key.isNull() ? none : key,
            fields ? QStringLiteral("{\"fields\":[[\"AMOUNT\",\"100\",\"200\"]]}") : QStringLiteral("{}")});
    q.exec();
}

// A small register for the reports, seen from ReportShopToday (15.6.2026): contract 1001 current, 1002 expired,
// 1003 paid, 1004 forfeited with goods for sale and sold, 1005 extended and running on its extension. 1001 and
// 1002 are Ján Novák's, 1003 Eva Malá's; Ödön Čech has no contract.
inline const QDate ReportShopToday(2026, 6, 15);

inline void fillReportShop(Store& store)
{
    const QString novak = QStringLiteral("7001011234"), mala = QStringLiteral("7551011234");
    auto add = [&store](const QString& file, const Fields& fields) { Records::write(store, file, fields); };
    const QString osoby = QStringLiteral("Osoby.DBF"), zmluvy = QStringLiteral("Zmluvy.DBF"),
                  predlz = QStringLiteral("Predlz.DBF"), inventar = QStringLiteral("Inventar.DBF");
    const QString birth = QStringLiteral("BIRTHNUM"), last = QStringLiteral("LASTNAME"),
                  first = QStringLiteral("FIRSNAME"), number = QStringLiteral("NUMBER"),
                  until = QStringLiteral("UNTIL"), subject = QStringLiteral("SUBJECT"), yes = QStringLiteral("True");
    add(osoby, {{birth, novak}, {last, QStringLiteral("Novák")}, {first, QStringLiteral("Ján")}});
    add(osoby, {{birth, mala}, {last, QStringLiteral("Malá")}, {first, QStringLiteral("Eva")}});
    add(osoby,
        {{birth, QStringLiteral("6001011234")}, {last, QStringLiteral("Čech")}, {first, QStringLiteral("Ödön")}});
    add(zmluvy, {{number, QStringLiteral("1001")}, {birth, novak}, {until, QStringLiteral("20.6.2026")}});
    const QString no = QStringLiteral("False");
    add(zmluvy, {{number, QStringLiteral("1002")},
                 {birth, novak},
                 {QStringLiteral("AGRDATE"), QStringLiteral("4.5.2026")},
                 {until, QStringLiteral("1.6.2026")},
                 {QStringLiteral("PERCENT"), QStringLiteral("10")},
                 {QStringLiteral("WEEKTIME"), QStringLiteral("4")},
                 {QStringLiteral("AMOUNT"), QStringLiteral("2500")},
                 {QStringLiteral("RETENT"), no},
                 {QStringLiteral("PADAK"), no}});
    add(zmluvy, {{number, QStringLiteral("1003")},
                 {birth, mala},
                 {until, QStringLiteral("1.6.2026")},
                 {QStringLiteral("PAID"), yes}});
    add(zmluvy,
        {{number, QStringLiteral("1004")}, {until, QStringLiteral("1.6.2026")}, {QStringLiteral("PADAK"), yes}});
    add(zmluvy,
        {{number, QStringLiteral("1005")}, {until, QStringLiteral("1.5.2026")}, {QStringLiteral("RETENT"), yes}});
    add(predlz, {{number, QStringLiteral("1005")}, {QStringLiteral("X_UNTIL"), QStringLiteral("30.6.2026")}});
    add(inventar, {{number, QStringLiteral("1001")}, {subject, QStringLiteral("Prsteň")}});
    add(inventar, {{number, QStringLiteral("1002")}, {subject, QStringLiteral("Retiazka")}});
    add(inventar, {{number, QStringLiteral("1004")},
                   {subject, QStringLiteral("Hodinky")},
                   {QStringLiteral("PREDANE"), no},
                   {QStringLiteral("PREPADNUTE"), yes},
                   {QStringLiteral("VRATENE"), no}});
    add(inventar, {{number, QStringLiteral("1004")},
                   {subject, QStringLiteral("Náramok")},
                   {QStringLiteral("PREPADNUTE"), yes},
                   {QStringLiteral("PREDANE"), yes}});
}

// A shop over a fresh store of its own, for reports without a window: named "Záložňa Centrum", today pinned
// to ReportShopToday until it stops.
class ReportShopFixture
{
public:
    ~ReportShopFixture() { stop(); }

    // The shop, or nullptr when no store could be made.
    Shop* start()
    {
        stop();
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid()) return nullptr;
        // On the test server (see TestBackend.h) the store lies in a schema of its own there.
        const QString location = TestBackend::freshLocation(m_dir->path());
        Store::createEmpty(location);
        m_shop = std::make_unique<Shop>(location);
        m_shop->ShopName = QStringLiteral("Záložňa Centrum");
        Clock::setToday(ReportShopToday);
        return m_shop.get();
    }

    void stop()
    {
        Clock::setToday({});
        m_shop.reset();
        m_dir.reset();
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<Shop> m_shop;
};
