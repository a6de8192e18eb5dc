#pragma once

#include "fuzz/Check.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/engine/Schema.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>

// A store made once per fuzzing run in a temporary folder, with an open instance of each table kept for
// the inputs to use. Make it from LLVMFuzzerInitialize, after the QCoreApplication.
class Scratch
{
public:
    static Scratch& get(const std::function<void(Store&)>& fill = {})
    {
        static Scratch s(fill);
        return s;
    }

    Store& store() { return *m_store; }

    Table& table(const TableDef& def)
    {
        auto& t = m_tables[def.id];
        if (!t) {
            t = std::make_unique<Table>(*m_store, def.file);
            t->open();
        }
        return *t;
    }

private:
    explicit Scratch(const std::function<void(Store&)>& fill)
    {
        FUZZ_CHECK(m_dir.isValid());
        Store::createEmpty(m_dir.path());
        m_store = std::make_unique<Store>(m_dir.path());
        if (fill) fill(*m_store);
    }

    QTemporaryDir m_dir;
    std::unique_ptr<Store> m_store;
    std::map<int, std::unique_ptr<Table>> m_tables;
};

// libFuzzer's start: the application object Qt SQL wants, then the scratch store.
#define FUZZ_SCRATCH_STORE(fill)                                                                                       \
    extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)                                                       \
    {                                                                                                                  \
        static QCoreApplication app(*argc, *argv);                                                                     \
        Scratch::get(fill);                                                                                            \
        return 0;                                                                                                      \
    }
