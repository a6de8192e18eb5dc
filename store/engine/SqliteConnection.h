#pragma once

#include "store/engine/Connection.h"

#include <QSqlDatabase>

struct sqlite3;

// The embedded store of one counter: one SQLite file, opened through Qt SQL (whose connection the
// older routines still query) and used through its raw handle.
class SqliteConnection : public Connection
{
public:
    // Opens the file at path, the store file of a data folder (whose rights are narrowed too) or another (a
    // backup); throws StoreError when it is missing or unreadable.
    SqliteConnection(const QString& path, bool inDataFolder);
    ~SqliteConnection() override;

    // Creates the store file at path with every table of the schema, empty, at version; throws when path exists.
    static void createStore(const QString& path, int version);
    // Registers the collations the store's indexes use on a connection of one's own.
    static void addCollations(sqlite3* handle);

    QSqlDatabase database() const;
    sqlite3* handle() const { return m_handle; }

    Engine engine() const override { return Engine::Sqlite; }
    std::unique_ptr<Statement> prepare(const QString& sql) override;
    void exec(const QString& sql) override;
    void begin() override;
    void beginWrite() override;
    void commit() override;
    void rollback() override;
    bool hasTable(const QString& sqlName) override;
    bool hasColumn(const QString& sqlName, const QString& column) override;
    QString tableForWriting(const TableDef& def) const override;
    QString insertSql(const TableDef& def, const QStringList& columns) const override;
    QString rowIdList() override;
    QVariant rowIdListValue(const QList<qint64>& rowids) const override;
    QString rowIdTable() override;
    void forgoRowIdList() override { m_hasJsonEach = 0; }
    void checkpoint() override;
    QString recordCountSql(const TableDef& def) override;
    QString reindexSql(const TableDef& def, const TagDef& tag) const override;

private:
    QString m_name; // of the Qt SQL connection
    sqlite3* m_handle = nullptr;
    int m_keepsCounts = -1; // unknown until asked
    int m_hasJsonEach = -1;
};
