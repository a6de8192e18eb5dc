#include "core/GoodsSearch.h"

#include "store/EventPump.h"
#include "store/Table.h"
#include "store/Transaction.h"
#include "store/engine/Names.h"

using namespace Qt::Literals::StringLiterals;

namespace GoodsSearch {

QString filter()
{
    return u"WRK = True"_s;
}

QString caption()
{
    return u"Hľadané založené predmety"_s;
}

bool matches(const QString& subject, const QString& upperText)
{
    return subject.toUpper().contains(upperText);
}

qint64 mark(Table& goods, const QString& text)
{
    const QString upperText = text.toUpper();
    const int subject = goods.fieldIndex(Col::SUBJECT);
    const int wrk = goods.fieldIndex(Col::WRK);
    goods.setFiltered(false);
    qint64 hits = 0;
    Transaction transaction(goods.store());
    try {
        for (goods.first(); !goods.eof(); goods.next()) {
            const bool hit = matches(goods.field(subject).asString(), upperText);
            Field mark = goods.field(wrk);
            // A record that has its mark already is left alone: storing it unchanged writes nothing.
            if (mark.isNull() || mark.asBoolean() != hit) {
                goods.edit();
                mark.setAsBoolean(hit);
            }
            hits += hit ? 1 : 0;
            EventPump::breathe();
        } // the move past the last record stores it too
        transaction.commit();
    } catch (...) {
        goods.cancel();
        throw;
    }
    return hits;
}

qint64 markAndShow(Table& goods, const QString& text)
{
    const qint64 hits = mark(goods, text);
    goods.setFilter(filter());
    goods.setFiltered(true);
    return hits;
}

} // namespace GoodsSearch
