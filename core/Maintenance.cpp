#include "core/Maintenance.h"

#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Errors.h"

#include <exception>

namespace {

// Opens every one of tables, also after one failed; the first failure is thrown at the end.
void openAll(const QList<Table*>& tables)
{
    std::exception_ptr failure;
    for (Table* t : tables) {
        try {
            t->open();
        } catch (...) {
            if (!failure) failure = std::current_exception();
        }
    }
    if (failure) std::rethrow_exception(failure);
}

// Back to shared use; an instance still open exclusively is closed first.
void shareAgain(const QList<Table*>& tables)
{
    for (Table* t : tables) {
        if (t->isOpen() && t->exclusive()) {
            try {
                t->close();
            } catch (const MervanaError&) {
                // Closing posts nothing here: the instance was opened exclusively and not written.
            }
        }
        if (!t->isOpen()) t->setExclusive(false);
    }
}

void storePending(Table& t)
{
    if (t.state() == Table::State::Insert && !t.modified())
        t.cancel();
    else if (t.state() != Table::State::Browse)
        t.post();
}

} // namespace

namespace Maintenance {

void Reindex(const QList<Table*>& live, const QList<Table*>& instances)
{
    try {
        for (Table* t : live)
            t->close();
        for (Table* t : instances) {
            t->close();
            t->setExclusive(true);
        }
        for (Table* t : instances)
            t->open();
        for (Table* t : instances)
            t->regenerateIndexes();
        for (Table* t : instances) {
            t->close();
            t->setExclusive(false);
        }
    } catch (...) {
        // The windows go on working with what they had; the refusal is what the clerk is told.
        shareAgain(instances);
        try {
            openAll(live + instances);
        } catch (const MervanaError&) {
        }
        throw;
    }
    openAll(live + instances);
}

void WriteThrough(Store& store, const QList<Table*>& instances, const QList<Table*>& archive)
{
    for (Table* t : instances) {
        try {
            storePending(*t);
            t->close();
            t->open();
        } catch (...) {
            t->cancel();
            if (!t->isOpen()) {
                try {
                    t->open();
                } catch (const MervanaError&) {
                }
            }
            throw;
        }
    }
    for (Table* t : archive) {
        const bool wasOpen = t->isOpen();
        t->open();
        try {
            storePending(*t);
        } catch (...) {
            t->cancel();
            if (!wasOpen) t->close();
            throw;
        }
        if (!wasOpen) t->close();
    }
    store.checkpoint();
}

} // namespace Maintenance
