#pragma once

#include "core/Clerks.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class Store;
class Table;

// What the windows, the reports and mervana-admin share: the open store, the five live table
// instances that are never filtered, the shop's name and the status views with their parameter and
// result. The frame owns one for the run; mervana-admin makes its own.
class Shop : public QObject
{
    Q_OBJECT
public:
    // Opens the store in dataDir and Table1..Table5 in this order; throws StoreError.
    explicit Shop(const QString& dataDir, QObject* parent = nullptr);
    ~Shop() override;

    Store& store() const { return *m_store; }

    // Never filtered: look-ups and sums of every window and report.
    Table* Table1 = nullptr; // Zmluvy.DBF, tag NUMBER
    Table* Table2 = nullptr; // Osoby.DBF, tag BIRTHNUM
    Table* Table3 = nullptr; // Predlz.DBF, tag NUMBER
    Table* Table4 = nullptr; // Inventar.DBF, tag NUMBER
    Table* Table5 = nullptr; // Prijvyd.dbf, tag DATE

    // The heading of every report and the frame's caption; the engine configuration's ShopName.
    QString ShopName;
    // Parameter and result of the views: set FilterMode just before calling a routine.
    int FilterMode = 0;
    bool ExpiredFound = false;

    // The contracts view of FilterMode on t: 0 all, 1 current, 2 expired, 3 paid, 4 forfeited,
    // 5 extended, 6 the expired contracts of pledger (sets ExpiredFound); other modes change nothing.
    void FilterContracts(Table& t, const QString& pledger = {});
    // The goods view of FilterMode on t: 0 all, 1 of current contracts, 2 of expired ones, 3 for sale, 4 sold.
    void FilterGoods(Table& t);

    // A long routine shows that it works: the frame puts up the hourglass, and while a routine marks
    // records it refuses the clerk's commands. The hook returns what undoes that when it goes.
    using BusyHook = std::function<std::shared_ptr<void>(bool marking)>;
    void setBusyHook(BusyHook hook) { m_busy = std::move(hook); }
    std::shared_ptr<void> busy(bool marking) const { return m_busy ? m_busy(marking) : nullptr; }

    // The role of the clerk signed in at this counter, whom the store names (Store::clerk()); nothing while nobody
    // is, as in a shop that defines no clerk.
    std::optional<Clerks::Role> role() const { return m_role; }
    void setRole(std::optional<Clerks::Role> role) { m_role = role; }
    // Whether an owner's work may be done here: an owner is signed in, or nobody while the store has no active
    // clerk (then everything is allowed).
    bool ownerMayWork() const;

private:
    std::unique_ptr<Store> m_store;
    BusyHook m_busy;
    std::optional<Clerks::Role> m_role;
};
