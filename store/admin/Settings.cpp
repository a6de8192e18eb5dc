#include "store/admin/Settings.h"

#include "store/admin/EngineConfig.h"

using namespace Qt::Literals::StringLiterals;

Settings::Settings(const QString& file) : m_file(file, QSettings::IniFormat) {}

QString Settings::entry(const QString& name) const
{
    const QString wanted = EngineConfig::databaseName() + u'/' + name;
    for (const QString& k : m_file.allKeys())
        if (k.compare(wanted, Qt::CaseInsensitive) == 0) return k;
    return wanted;
}

QStringList Settings::keys() const
{
    return m_file.allKeys();
}

bool Settings::contains(const QString& key) const
{
    return m_file.contains(key);
}

QString Settings::text(const QString& key) const
{
    return m_file.value(key).toString();
}

int Settings::number(const QString& key, int fallback, int least) const
{
    bool ok = false;
    const int n = m_file.value(key).toInt(&ok);
    return ok && n >= least ? n : fallback;
}

QStringList Settings::list(const QString& key) const
{
    return m_file.value(key).toStringList();
}

QByteArray Settings::bytes(const QString& key) const
{
    return m_file.value(key).toByteArray();
}

void Settings::set(const QString& key, const QVariant& value)
{
    m_file.setValue(key, value);
    m_file.sync();
}

void Settings::remove(const QString& key)
{
    m_file.remove(key);
    m_file.sync();
}
