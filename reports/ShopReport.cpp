#include "reports/ShopReport.h"

ShopReport::ShopReport(Shop& shop, const QString& objectName, const QString& title, QObject* parent)
    : QObject(parent), QuickRep1(title), m_shop(shop)
{
    setObjectName(objectName);
}

ShopReport::~ShopReport() = default;
