#pragma once

#include "reports/Report.h"

#include <QObject>

class Shop;

// A report of the register over the shop's shared state. The windows start it and show it in the preview;
// mervana-admin starts the same routine and writes the PDF. Every report of the register derives from it.
class ShopReport : public QObject
{
    Q_OBJECT
public:
    ~ShopReport() override;

    Shop& shop() const { return m_shop; }
    Report QuickRep1;

protected:
    ShopReport(Shop& shop, const QString& objectName, const QString& title, QObject* parent);

private:
    Shop& m_shop;
};
