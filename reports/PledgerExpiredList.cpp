#include "reports/PledgerExpiredList.h"

#include "core/Shop.h"
#include "reports/ContractsList.h"
#include "store/Table.h"
#include "store/Values.h"
#include "store/engine/Names.h"

using namespace Qt::Literals::StringLiterals;

PledgerExpiredList::PledgerExpiredList(Shop& shop, QObject* parent)
    : ListReport(shop, u"PledgerExpiredList"_s, Tab::ZmluvyDbf, Col::NUMBER,
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
    persons.setIndexName(Col::BIRTHNUM);
    if (!persons.findKey(birthNumber)) return std::nullopt;
    return Pledger{persons.field(Col::LASTNAME).asString(), persons.field(Col::FIRSNAME).asString()};
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
    const QString number = Table1->field(Col::NUMBER).asString();

    Table& extensions = *shop().Table3;
    LastExtension->text.clear();
    extensions.setIndexName(Col::NUMBER);
    if (extensions.findKey(number)) {
        QDate latest;
        for (; !extensions.eof() && extensions.field(Col::NUMBER).asString() == number; extensions.next()) {
            const QDate until = extensions.field(Col::X_UNTIL).asDate();
            if (until.isValid() && (!latest.isValid() || until > latest)) latest = until;
        }
        LastExtension->text = Values::shortDateText(latest);
    }

    fillGoods(number, *Goods);
}
