#pragma once

#include "TestBackend.h"
#include "app/Main.h"
#include "app/StartProgram.h"
#include "store/Clock.h"
#include "store/Store.h"
#include "store/Table.h"
#include "store/admin/EngineConfig.h"
#include "widgets/GridColumns.h"
#include "widgets/MaskEdit.h"
#include "widgets/Messages.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// The whole program started in-process, as the clerk starts it, on an empty store of its own with the
// database name defined there, message boxes scripted and "today" pinned.
class FreshProgram
{
public:
    ~FreshProgram() { stop(); }

    // The frame, or nullptr when the program could not start. prepare may fill the store first.
    TForm1* start(const QDate& today = {}, const std::function<void(Store&)>& prepare = {})
    {
        stop();
        QStandardPaths::setTestModeEnabled(true);
        Messages::setScripted(true);
        m_dir = std::make_unique<QTemporaryDir>();
        if (!m_dir->isValid()) return nullptr;
        QFile::remove(EngineConfig::filePath());
        QFile::remove(GridColumns::filePath());
        // On the test server (see TestBackend.h) the store lies in a schema of its own there.
        QString schema;
        QString location = m_dir->filePath(QStringLiteral("Data"));
        if (TestBackend::onServer()) {
            const TestBackend::ServerParts server = TestBackend::serverParts();
            schema = TestBackend::freshSchema();
            location = EngineConfig::serverLocation(server.host, server.port, server.database, server.user, schema);
        }
        Store::createEmpty(location);
        m_location = location;
        if (prepare) {
            Store store(location);
            prepare(store);
        }
        EngineConfig::ensureDatabaseName(m_dir->path());
        if (TestBackend::onServer()) {
            const TestBackend::ServerParts server = TestBackend::serverParts();
            EngineConfig::defineServer(server.host, server.port, server.database, server.user, schema);
        }
        Clock::setToday(today);
        m_main.reset(StartProgram(m_dir->path()));
        if (!m_main) // what stopped it, for the failing test's log
            for (const Messages::Shown& m : Messages::shown())
                qWarning("%s", qPrintable(m.text));
        return m_main.get();
    }

    // The frame closes its tables before its store folder goes.
    void stop()
    {
        m_main.reset();
        Clock::setToday({});
        Messages::takeShown();
        if (m_dir) QFile::remove(EngineConfig::filePath());
        if (m_dir) QFile::remove(GridColumns::filePath());
        m_dir.reset();
    }

    // The program ends as after "&Koniec"; its store stays, at location().
    void close() { m_main.reset(); }
    // The program ends and starts again on the same store, on another day.
    TForm1* restart(const QDate& today)
    {
        m_main.reset();
        Clock::setToday(today);
        m_main.reset(StartProgram(m_dir->path()));
        return m_main.get();
    }
    QString location() const { return m_location; }

    QString path() const { return m_dir ? m_dir->path() : QString(); }
    QString filePath(const QString& name) const { return QDir(path()).filePath(name); }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TForm1> m_main;
    QString m_location;
};

// Another counter at work, with a store of its own on the location of store: the record of file whose key on
// tag is key (with no tag, the first record) is changed by change and posted, or deleted when there is no change.
inline void anotherCounter(Store& store, const QString& file, const QString& tag, const QString& key,
                           const std::function<void(Table&)>& change = {})
{
    Store other(store.dataDir());
    Table t(other, file);
    if (!tag.isEmpty()) t.setIndexName(tag);
    t.open();
    QVERIFY2(tag.isEmpty() || t.findKey(key), qPrintable(key));
    if (!change) return t.remove();
    t.edit();
    change(t);
    t.post();
}

// As the clerk does it: into the box, then over what it holds. Leaving the grid refills the panel.
inline void retype(QLineEdit* box, const QString& text)
{
    box->setFocus();
    if (auto* date = qobject_cast<MaskEdit*>(box)) return date->setText(text);
    box->selectAll();
    box->del();
    QTest::keyClicks(box, text);
}
