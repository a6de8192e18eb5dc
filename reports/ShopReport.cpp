#include "reports/ShopReport.h"

#include "core/Shop.h"
#include "store/trail/Trail.h"

using namespace Qt::Literals::StringLiterals;

ShopReport::ShopReport(Shop& shop, const QString& objectName, const QString& title, QObject* parent)
    : QObject(parent), QuickRep1(title), m_shop(shop)
{
    setObjectName(objectName);
}

ShopReport::~ShopReport() = default;

void ShopReport::namePersonOnOutput(const QString& birthNumber)
{
    // Who printed whose data, and when.
    QuickRep1.beforeOutput = [this, birthNumber] {
        Trail::Entry entry;
        entry.action = Trail::Action::PersonalDataPrinted;
        entry.table = u"Osoby"_s;
        entry.key = birthNumber;
        entry.personKey = true;
        Trail::record(m_shop.store(), entry);
    };
}
