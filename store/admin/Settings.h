#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

// The program's INI files, read and written through one typed accessor. The entries of the database name's
// group (engine.ini's Mervana/PATH=) match in any case of group and name, as people write them (path= as well
// as PATH=), and a write keeps the file's spelling; other groups (Frame/, Grids/) are the program's own and
// match as written. A write reaches the file at once.
class Settings
{
public:
    explicit Settings(const QString& file);

    // The key of an entry of the database name's group as the file spells it, or as we spell it when absent.
    QString entry(const QString& name) const;
    QStringList keys() const;
    bool contains(const QString& key) const;

    QString text(const QString& key) const;
    // A whole number of at least least; fallback when absent, no number or less.
    int number(const QString& key, int fallback, int least) const;
    QStringList list(const QString& key) const;
    QByteArray bytes(const QString& key) const;

    void set(const QString& key, const QVariant& value);
    void remove(const QString& key);

private:
    QSettings m_file;
};
