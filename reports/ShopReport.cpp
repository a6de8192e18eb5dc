#include "reports/ShopReport.h"

#include "core/Shop.h"
#include "store/engine/Names.h"
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
    QuickRep1.beforeOutput = [this, birthNumber](const QString& where) {
        Trail::Entry entry;
        entry.action = Trail::Action::PersonalDataPrinted;
        entry.table = Tab::Osoby;
        entry.key = birthNumber;
        entry.personKey = true;
        if (!where.isEmpty()) entry.detail = {{u"what"_s, QuickRep1.title}, {u"target"_s, where}};
        Trail::record(m_shop.store(), entry);
    };
}

void ShopReport::recordExportOnOutput(std::function<qint64()> count)
{
    QuickRep1.beforeOutput = [this, count = std::move(count)](const QString& where) {
        Trail::recordExport(m_shop.store(), QuickRep1.title, where, {{u"count"_s, count()}});
    };
}
