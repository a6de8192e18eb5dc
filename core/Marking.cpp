#include "core/Marking.h"

#include "core/ContractRules.h"
#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Names.h"

#include <QHash>
#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// The due dates of the extensions of the contracts a pass meets, looked up by key. On a server, where each
// look-up is a round trip (most of a pass), a pass that needs more than a few reads them all in one walk
// instead, a page per round trip; a store file answers a look-up cheaper than a walk.
class ExtensionDates
{
public:
    explicit ExtensionDates(Table& extensions)
        : m_extensions(extensions), m_number(extensions.fieldIndex(Col::NUMBER)),
          m_until(extensions.fieldIndex(Col::X_UNTIL)), m_walkAfter(extensions.store().isServer() ? 64 : -1)
    {
    }

    QList<QDate> of(const QString& number)
    {
        if (m_walkAfter < 0 || m_lookUps < m_walkAfter) {
            ++m_lookUps;
            QList<QDate> dates;
            if (!m_extensions.findKey(number)) return dates;
            for (; !m_extensions.eof() && m_extensions.field(m_number).asString() == number; m_extensions.next())
                dates << m_extensions.field(m_until).asDate();
            return dates;
        }
        if (!m_all) {
            m_all.emplace();
            for (m_extensions.first(); !m_extensions.eof(); m_extensions.next()) {
                (*m_all)[m_extensions.field(m_number).asString()] << m_extensions.field(m_until).asDate();
                EventPump::breathe();
            }
        }
        return m_all->value(number);
    }

private:
    Table& m_extensions;
    const int m_number, m_until;
    const int m_walkAfter; // look-ups, -1 for never
    int m_lookUps = 0;
    std::optional<QHash<QString, QList<QDate>>> m_all;
};

// The fields a pass reads, looked up by name once per pass rather than once per record.
struct ContractFields
{
    explicit ContractFields(Table& t)
        : paid(t.fieldIndex(Col::PAID)), padak(t.fieldIndex(Col::PADAK)), until(t.fieldIndex(Col::UNTIL)),
          retent(t.fieldIndex(Col::RETENT)), number(t.fieldIndex(Col::NUMBER)), birth(t.fieldIndex(Col::BIRTHNUM)),
          wrk(t.fieldIndex(Col::WRK))
    {
    }
    int paid, padak, until, retent, number, birth, wrk;
};

// The mark of the current contract for a mode: 1 current, else expired. Extensions are looked up only
// when they can decide: past the due date of an extended contract that is neither paid nor forfeited.
bool stateMark(int mode, Table& contract, const ContractFields& f, ExtensionDates& extensions, const QDate& today)
{
    const bool paid = contract.field(f.paid).asBoolean();
    const bool padak = contract.field(f.padak).asBoolean();
    const QDate until = contract.field(f.until).asDate();
    const bool retent = contract.field(f.retent).asBoolean();
    QList<QDate> dates;
    if (!paid && !padak && retent && !(until.isValid() && today <= until))
        dates = extensions.of(contract.field(f.number).asString());
    return mode == 1 ? ContractRules::IsCurrent(paid, padak, until, retent, dates, today)
                     : ContractRules::IsExpired(paid, padak, until, retent, dates, today);
}

void storeLast(Table& t)
{
    if (!t.isEmpty()) {
        t.edit();
        t.post();
    }
}

// On SQLite a pass walks the contracts in the order they are stored: the marks do not depend on the order,
// and along a tag every record costs a seek from the index into the table. A server keeps tag NUMBER: there
// each page is read through the session's marks, which the planner merges along the row id from their first
// row, so a walk in stored order reads the marks again for every page. The instance ends on tag NUMBER
// however the pass ends.
class PassOrder
{
public:
    explicit PassOrder(Table& t) : m_table(t) { t.setIndexName(t.store().isServer() ? Col::NUMBER : QString()); }
    ~PassOrder()
    {
        try {
            m_table.setIndexName(Col::NUMBER);
        } catch (...) {
            // Only where the pass failed already (the store gone): its own error tells what went wrong.
        }
    }
    PassOrder(const PassOrder&) = delete;
    PassOrder& operator=(const PassOrder&) = delete;

private:
    Table& m_table;
};

} // namespace

namespace Marking {

void setMark(Table& t, int wrk, bool mark)
{
    Field field = t.field(wrk);
    if (!field.isNull() && field.asBoolean() == mark) return;
    t.edit();
    field.setAsBoolean(mark);
}

bool markContracts(int mode, Table& t, Table& extensions, const QDate& today, const QString& birthNumber)
{
    extensions.setIndexName(Col::NUMBER);
    t.setFiltered(false);
    bool found = false;
    const PassOrder order(t);
    Transaction transaction(t.store());
    try {
        const ContractFields fields(t);
        ExtensionDates dates(extensions);
        for (t.first(); !t.eof(); t.next()) {
            const bool mark = (mode != 6 || t.field(fields.birth).asString() == birthNumber) &&
                              stateMark(mode, t, fields, dates, today);
            setMark(t, fields.wrk, mark);
            found = found || mark;
            EventPump::breathe();
        }
        storeLast(t);
        transaction.commit();
    } catch (...) {
        t.cancel();
        throw;
    }
    return found;
}

void markGoods(int mode, Table& goods, Table& contracts, Table& extensions, const QDate& today)
{
    extensions.setIndexName(Col::NUMBER);
    goods.setFiltered(false);
    Transaction transaction(goods.store());
    try {
        // Every contract's mark by its number first, then one walk over the goods. Looking up each contract's
        // goods instead costs a statement for every contract without goods (on a server, a round trip) and
        // restarts the goods' paging from a handful of records. The last of equal numbers decides, as the
        // look-ups along the tag did.
        QHash<QString, bool> marks;
        {
            const PassOrder order(contracts);
            const ContractFields fields(contracts);
            ExtensionDates dates(extensions);
            for (contracts.first(); !contracts.eof(); contracts.next()) {
                marks.insert(contracts.field(fields.number).asString(),
                             stateMark(mode, contracts, fields, dates, today));
                EventPump::breathe();
            }
        }
        const PassOrder order(goods);
        const int number = goods.fieldIndex(Col::NUMBER);
        const int wrk = goods.fieldIndex(Col::WRK);
        for (goods.first(); !goods.eof(); goods.next()) {
            // Goods whose contract is not among those read keep their mark.
            if (const auto it = marks.constFind(goods.field(number).asString()); it != marks.cend())
                setMark(goods, wrk, *it);
            EventPump::breathe();
        }
        storeLast(goods);
        transaction.commit();
    } catch (...) {
        goods.cancel();
        throw;
    }
}

} // namespace Marking
