#include "reports/PledgerExpiredList.h"

#include "core/Shop.h"
#include "reports/ContractsList.h"
#include "store/Table.h"
#include "store/Values.h"

using namespace Qt::Literals::StringLiterals;

PledgerExpiredList::PledgerExpiredList(Shop& shop, QObject* parent)
    : ListReport(shop, u"PledgerExpiredList"_s, u"Zmluvy.DBF"_s, u"NUMBER"_s,
                 {u"Tlač expirovaných zmlúv na meno"_s, u"Zmluvy"_s, 30, 21, 29.6}, parent)
{
    ContractsList::addContractColumns(*this);
    addCaption(95, u"Posl. predĺženie"_s);
    LastExtension = &Detail->addLabel(95, 2).named(u"LastExtension"_s);
    addCaption(123, u"Predmety založenia"_s);
    Goods = &Detail->addMemo(123, 2).named(u"Goods"_s);
    Detail->lineBottom = true;
    Detail->beforePrint = [this] { QRSubDetail1BeforePrint(); };
}

std::optional<PledgerExpiredList::Pledger> PledgerExpiredList::findPledger(Shop& shop, const QString& birthNumber)
{
    Table& persons = *shop.Table2;
    persons.setIndexName(u"BIRTHNUM"_s);
    if (!persons.findKey(birthNumber)) return std::nullopt;
    return Pledger{persons.field(u"LASTNAME"_s).asString(), persons.field(u"FIRSNAME"_s).asString()};
}

bool PledgerExpiredList::Start(const QString& birthNumber, const Pledger& pledger)
{
    shop().FilterMode = 6;
    shop().FilterContracts(*Table1, birthNumber);
    if (!shop().ExpiredFound) return false;
    setHeading(u"expirované na meno "_s + pledger.lastName.trimmed() + u' ' + pledger.firstName.trimmed());
    return true;
}

void PledgerExpiredList::QRSubDetail1BeforePrint()
{
    const QString number = Table1->field(u"NUMBER"_s).asString();

    Table& extensions = *shop().Table3;
    LastExtension->text.clear();
    extensions.setIndexName(u"NUMBER"_s);
    if (extensions.findKey(number)) {
        QDate latest;
        for (; !extensions.eof() && extensions.field(u"NUMBER"_s).asString() == number; extensions.next()) {
            const QDate until = extensions.field(u"X_UNTIL"_s).asDate();
            if (until.isValid() && (!latest.isValid() || until > latest)) latest = until;
        }
        LastExtension->text = Values::shortDateText(latest);
    }

    fillGoods(number, *Goods);
}
