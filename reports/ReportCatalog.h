#pragma once

#include "store/engine/Errors.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class Shop;
class ShopReport;

// The reports by name, as mervana-admin writes them without a window. Each entry makes its report over
// the shop and starts it with the same routine its menu entry or button runs; a new report adds one entry.
namespace ReportCatalog {

// The arguments after a report's name do not fit it; the text says what does.
class ArgumentError : public MervanaError
{
public:
    using MervanaError::MervanaError;
};

struct Entry
{
    QString name;      // "contracts"
    QString arguments; // for the usage text: "all|current|expired|paid|forfeited|extended"
    QString summary;   // one line of the help: what the report lists
    // The report made over the shop and started; nullptr when the start prints nothing (a person without
    // expired contracts). Throws ArgumentError when args do not fit.
    std::function<std::unique_ptr<ShopReport>(Shop& shop, const QStringList& args)> start;
};

const QList<Entry>& entries();
// nullptr for an unknown name.
const Entry* find(const QString& name);

// Reading the arguments; each throws ArgumentError, naming the report, when they do not fit.
void noArguments(const QString& report, const QStringList& args);
QString oneArgument(const QString& report, const QStringList& args, const QString& what);
// One of the words, as a view's FilterMode: its position among them.
int choice(const QString& report, const QStringList& args, const QStringList& words);
// A date as d.M.yyyy or YYYY-MM-DD; parseDate gives an invalid date for anything else.
QDate parseDate(const QString& text);
QDate dateArgument(const QString& text);

} // namespace ReportCatalog
