#include "RunAdmin.h"
#include "StoreDump.h"
#include "TestBackend.h"
#include "core/ErrorText.h"
#include "store/Store.h"
#include "store/Transaction.h"
#include "store/dbf/CodePage.h"
#include "store/dbf/Dbf.h"
#include "store/dbf/DbfTransfer.h"
#include "store/engine/Errors.h"
#include "store/engine/Schema.h"
#include "store/engine/Statement.h"
#include "tools/DemoData.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString Fixtures = QStringLiteral(MERVANA_FIXTURES);

// A copy of a fixture folder to change.
QString copyFixture(const QTemporaryDir& tmp, const QString& set)
{
    const QString to = tmp.filePath(set);
    QDir().mkpath(to);
    const QDir from(Fixtures + u'/' + set);
    for (const QString& name : from.entryList(QDir::Files))
        QFile::copy(from.filePath(name), to + u'/' + name);
    for (const QString& name : QDir(to).entryList(QDir::Files))
        QFile(to + u'/' + name).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    return to;
}

// An empty store: in the folder name of tmp, or in a schema of its own on the server.
QString newStore(const QTemporaryDir& tmp, const QString& name = u"Data"_s)
{
    const QString location = TestBackend::freshLocation(tmp.filePath(name));
    Store::createEmpty(location);
    return location;
}

QList<DbfTransfer::TableReport> import(const QString& dataDir, const QString& source,
                                       DbfTransfer::ImportOptions options = {})
{
    Store store(dataDir);
    return DbfTransfer::importTables(store, source, options);
}

const DbfTransfer::TableReport& report(const QList<DbfTransfer::TableReport>& reports, const QString& table)
{
    for (const auto& r : reports)
        if (r.table == table) return r;
    qFatal("no report for %s", qPrintable(table));
}

void patch(const QString& path, qint64 at, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadWrite));
    QVERIFY(f.seek(at));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray le(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
    return out;
}

// Where a field of a record (from 1) starts in the file.
qint64 fieldAt(const QString& path, int record, const QString& field)
{
    const DbfReader r(path);
    return r.headerLength() + qint64(record - 1) * r.recordLength() + 1 + r.fields().at(r.fieldIndex(field)).offset;
}

// The records both fixture sets hold, as the store must keep them.
const QStringList Persons{
    u"0|0|5503121234|Ďurica|Ľudovít|EA123456|Štúrova|12|Žilina|-"_s,
    u"0|1|7851014321|Šťastná|Želmíra|EB654321|Námestie SNP|3/14|Bratislava|Nežiadúca, falošný doklad"_s,
    u"1|-|8002023333|Čierny|Ondrej|HA777888|-|-|-|Pôžička vrátená, ďakujeme: äô"_s,
};
const QStringList Contracts{
    u"0|5503121234|24/00001|2024-02-29|1500.0|15.0|4|2024-03-29|1|1725.5|2024-03-20|1|2024-03-20|0|0"_s,
    u"1|7851014321|24/00002|2024-03-01|800.0|20.0|2|2024-03-15|0|-|-|-|-|1|0"_s,
    u"0|8002023333|24/00004|-|-|-|-|-|0|-|-|0|-|0|1"_s,
};
const QStringList Extensions{u"0|24/00002|2024-04-15|12.5|100.0|2024-03-15"_s};
const QStringList Goods{
    u"0|24/00001|Zlatá retiazka 585, 12 g|1|0|0|-|-|1500.0|2100.0"_s,
    u"0|24/00004|Mobilný telefón, dotykový|0|1|1|2024-05-02|950.5|800.0|1100.0"_s,
};
const QStringList Archive{
    u"5503121234|23/00107|2023-01-09|2000.0|10.0|8|2023-03-06|1|2200.0|2023-03-01|1|2023-03-01|0|0"_s};

// Stores rows of values into the named fields of table.
void insertRows(Store& store, const QString& table, const QStringList& fields, const QList<QVariantList>& rows)
{
    StatementUse q = store.statement(u"INSERT INTO %1 (%2) VALUES (%3)"_s.arg(
        table, fields.join(u", "_s), QStringList(fields.size(), u"?"_s).join(u", "_s)));
    for (const QVariantList& row : rows) {
        q.bind(row);
        q.exec();
        q.reset();
    }
}

// Values a DBF file holds only with care: fractions with many digits, negatives, blanks of every type,
// text longer than the entry limit, every Slovak letter.
void addAwkwardRecords(const QString& dataDir)
{
    Store store(dataDir);
    Transaction t(store);
    QStringList fields;
    for (const FieldDef& f : Schema::find(u"Osoby"_s)->fields)
        fields << f.name;
    insertRows(store, u"Osoby"_s, fields,
               {
                   {QVariant(), 1LL, u"0001010000"_s, u"Ťažký-Ľahký"_s, u"Ôtô"_s, QVariant(), QVariant(), QVariant(),
                    QVariant(),
                    QString(u"áäčďéíĺľňóôŕšťúýž ÁÄČĎÉÍĹĽŇÓÔŔŠŤÚÝŽ "_s.repeated(2) +
                            u"a poznámka dlhšia ako osemdesiat znakov"_s)},
                   {0LL, 0LL, u"x"_s, u"  medzery vpredu"_s, QVariant(), QVariant(), QVariant(), QVariant(), QVariant(),
                    QVariant()},
               });
    insertRows(store, u"Zmluvy"_s, {u"NUMBER"_s, u"AMOUNT"_s, u"PERCENT"_s, u"WEEKTIME"_s, u"PAID_SUM"_s, u"AGRDATE"_s},
               {
                   {u"26/00001"_s, 1500.75, 0.1 + 0.2, 0LL, 1234.0 + 1234.0 * 15 / 100.0 + 0.1, u"0001-01-01"_s},
                   {u"26/00002"_s, 123456789012.5, -0.001, -3LL, 1e-7, u"9999-12-31"_s},
                   {u"26/00003"_s, 0.0, 2.0 / 3.0, QVariant(), -17.25, QVariant()},
               });
    t.commit();
}

QJsonObject readBack(const QString& folder)
{
    QProcess python;
    python.start(QStringLiteral(MERVANA_PYTHON3), {Fixtures + u"/read_back.py"_s, folder});
    if (!python.waitForFinished(60000) || python.exitCode() != 0)
        qFatal("python3-dbfread: %s", python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

} // namespace

class TestDbf : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // Every Slovak letter through each code page a shop's files come in, and the bytes they take there.
    void codePages_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("852") << 852 << QByteArray("\xD2urica \xE6\x9C\x61stn\xA0") << u"Ďurica Šťastná"_s;
        QTest::newRow("1250") << 1250 << QByteArray("\xCFurica \x8A\x9D\x61stn\xE1") << u"Ďurica Šťastná"_s;
        QTest::newRow("895") << 895 << QByteArray("\x85urica \x9B\x9F\x61stn\xA0") << u"Ďurica Šťastná"_s;
        QTest::newRow("895 upper half") << 895 << QByteArray("\x80\x8A\x9C\x9E\xA5\xA6\xA7\xAB\xAD") << u"ČĹĽŘŇŮÔŔ§"_s;
    }
    void codePages()
    {
        QFETCH(int, codePage);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const CodePage& page = CodePage::get(codePage);
        QString decoded;
        QVERIFY(page.decode(bytes, decoded));
        QCOMPARE(decoded, text);
        QByteArray encoded;
        QVERIFY(page.encode(text, encoded));
        QCOMPARE(encoded, bytes);
        const QString alphabet = u"áäčďéíĺľňóôŕšťúýžÁÄČĎÉÍĹĽŇÓÔŔŠŤÚÝŽ"_s;
        QByteArray all;
        QVERIFY(page.encode(alphabet, all));
        QString back;
        QVERIFY(page.decode(all, back));
        QCOMPARE(back, alphabet);
    }

    // Our own Kamenický table keeps the box drawing of 437, which ICU knows.
    void kamenickyGraphicsAreThoseOf437()
    {
        const CodePage& kamenicky = CodePage::get(895);
        for (int b = 0xB0; b <= 0xDF; ++b) {
            const char byte = char(b);
            QStringDecoder ibm437("IBM437");
            const QString expected = ibm437(QByteArrayView(&byte, 1));
            QCOMPARE(QChar(kamenicky.upper(quint8(b))), expected.at(0));
        }
    }

    void importsFixtures_data()
    {
        QTest::addColumn<QString>("set");
        QTest::addColumn<int>("codePage");
        QTest::addColumn<QString>("goodsFile");
        QTest::addColumn<QStringList>("personsMemo");
        QTest::newRow("852, dBase III") << u"cp852"_s << 852 << u"INVENTAR.dbf"_s << QStringList();
        QTest::newRow("1250, FoxPro 2.x") << u"cp1250"_s << 1250 << u"Inventar.DBF"_s << QStringList{u"POZNAMKA"_s};
    }
    void importsFixtures()
    {
        QFETCH(QString, set);
        QFETCH(int, codePage);
        QFETCH(QString, goodsFile);
        QFETCH(QStringList, personsMemo);
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        const auto reports = import(data, Fixtures + u'/' + set);
        const QString& db = data;
        QCOMPARE(StoreDump::table(db, u"Osoby"_s), Persons);
        QCOMPARE(StoreDump::table(db, u"Zmluvy"_s), Contracts);
        QCOMPARE(StoreDump::table(db, u"Predlz"_s), Extensions);
        QCOMPARE(StoreDump::table(db, u"Inventar"_s), Goods);
        QCOMPARE(StoreDump::table(db, u"Xzmluvy"_s), Archive);
        for (const QString& empty : {u"Prijvyd"_s, u"Xpredlz"_s, u"Xinvent"_s})
            QCOMPARE(StoreDump::table(db, empty), QStringList());

        const auto& persons = report(reports, u"Osoby.DBF"_s);
        QCOMPARE(persons.records, 3);
        QCOMPARE(persons.deleted, 1);
        QCOMPARE(persons.codePage, codePage);
        QCOMPARE(persons.skippedFields, QStringList{u"TELEFON"_s});
        QCOMPARE(persons.memoFields, personsMemo);
        QCOMPARE(report(reports, u"Zmluvy.DBF"_s).deleted, 1);
        const auto& goods = report(reports, u"Inventar.DBF"_s);
        QCOMPARE(goods.file, goodsFile);
        QCOMPARE(goods.memoFields, QStringList{u"POPIS"_s});
        QCOMPARE(report(reports, u"Xzmluvy.DBF"_s).skippedFields, QStringList{u"WRK"_s});
        QVERIFY(report(reports, u"Prijvyd.dbf"_s).file.isEmpty());
    }

    // Visual FoxPro's own types: date and time (T), currency (Y), integer (I), double (B), nullable fields.
    void importsVisualFoxPro_data()
    {
        QTest::addColumn<int>("nullBit"); // set in record 1, -1 for none
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("first");
        const QString asWritten =
            u"0|5503121234|24/00001|2024-02-29|1500.25|15.0|4|2024-03-29|1|1725.5|2024-03-20|1|2024-03-20|0|0"_s;
        QTest::newRow("as written") << -1 << 0x30 << asWritten;
        QTest::newRow("autoincrement version") << -1 << 0x31 << asWritten;
        QTest::newRow("AMOUNT null") << 0 << 0x30
                                     << u"0|5503121234|24/00001|2024-02-29|-|15.0|4|2024-03-29|1|1725.5|2024-03-20|1|"
                                        u"2024-03-20|0|0"_s;
        QTest::newRow("UNTIL null") << 1 << 0x30
                                    << u"0|5503121234|24/00001|2024-02-29|1500.25|15.0|4|-|1|1725.5|2024-03-20|1|"
                                       u"2024-03-20|0|0"_s;
    }
    void importsVisualFoxPro()
    {
        QFETCH(int, nullBit);
        QFETCH(int, version);
        QFETCH(QString, first);
        QTemporaryDir tmp;
        const QString source = copyFixture(tmp, u"vfp"_s);
        const QString contracts = source + u"/Zmluvy.dbf"_s;
        patch(contracts, 0, QByteArray(1, char(version)));
        if (nullBit >= 0) patch(contracts, fieldAt(contracts, 1, u"_NULLFLAGS"_s), QByteArray(1, char(1 << nullBit)));
        const QString data = newStore(tmp);
        const auto reports = import(data, source);
        QCOMPARE(StoreDump::table(data, u"Zmluvy"_s),
                 (QStringList{first, u"0|7851014321|24/00002|-|800.0|20.0|2|-|0|0.0|-|0|-|1|0"_s}));
        QCOMPARE(report(reports, u"Zmluvy.DBF"_s).memoFields, QStringList{u"POZNAMKA"_s});
        QCOMPARE(StoreDump::table(data, u"Osoby"_s), QStringList{u"0|0|5503121234|Ďurica|Ľudovít|-|-|-|-|-"_s});
        QCOMPARE(report(reports, u"Predlz.DBF"_s).emptyFields, (QStringList{u"X_PERCENT"_s, u"X_PAIDDATE"_s}));
    }

    void importsKamenicky()
    {
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        const auto reports = import(data, Fixtures + u"/kamenicky"_s);
        QCOMPARE(report(reports, u"Osoby.DBF"_s).codePage, 895);
        QCOMPARE(
            StoreDump::table(data, u"Osoby"_s),
            (QStringList{u"-|-|5503121234|Ďurica|Ľudovít|-|-|-|Žilina|Řeřicha, Ťažký, Ĺ, ŕ Ŕ, ô Ô, ů Ů, ň Ň, § 5"_s,
                         u"-|-|7851014321|Šťastná|Želmíra|-|-|-|Čadca|Áno: ď č ě é ľ ĺ ä ó ú ý š ž í á"_s}));
    }

    // A file whose language byte names no code page reads only with one given.
    void codePageGivenForUnnamedFiles()
    {
        QTemporaryDir tmp;
        const QString source = copyFixture(tmp, u"cp852"_s);
        for (const QString& name : QDir(source).entryList({u"*.dbf"_s}, QDir::Files))
            patch(source + u'/' + name, 29, QByteArray(1, '\0'));
        const QString data = newStore(tmp);
        QVERIFY_THROWS_EXCEPTION(InputError, import(data, source));
        const auto reports = import(data, source, {852, false});
        QCOMPARE(report(reports, u"Osoby.DBF"_s).codePage, 852);
        QCOMPARE(StoreDump::table(data, u"Osoby"_s), Persons);
    }

    void refusesStoreWithRecordsUnlessReplacing()
    {
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        import(data, Fixtures + u"/cp852"_s);
        const QStringList before = StoreDump::store(data);
        try {
            import(data, Fixtures + u"/cp1250"_s);
            QFAIL("a store holding records was filled");
        } catch (const InputError& e) {
            QVERIFY2(e.text().contains(u"holds records already (Zmluvy.DBF)"_s), qPrintable(e.text()));
        }
        QCOMPARE(StoreDump::store(data), before);
        import(data, Fixtures + u"/cp1250"_s, {0, true});
        QCOMPARE(StoreDump::store(data), before); // replaced by the same records, not added to them
    }

    // Two contracts of one number: a store file keeps both, as the old tables did. A server refuses the whole
    // import, as it refuses a number twice from two counters (its unique index on the number), and the store
    // stays as it was.
    void contractNumberTwice()
    {
        QTemporaryDir tmp;
        const QString source = copyFixture(tmp, u"cp852"_s);
        const QString contracts = source + u"/ZMLUVY.DBF"_s;
        patch(contracts, fieldAt(contracts, 2, u"NUMBER"_s), "24/00001");
        const QString data = newStore(tmp);
        import(data, Fixtures + u"/cp1250"_s);
        const QStringList before = StoreDump::store(data);
        if (!TestBackend::onServer()) {
            import(data, source, {0, true});
            QCOMPARE(StoreDump::table(data, u"Zmluvy"_s).filter(u"|24/00001|"_s).size(), 2);
            return;
        }
        try {
            import(data, source, {0, true});
            QFAIL("a contract number stored twice");
        } catch (const KeyViolation& e) {
            QCOMPARE(errorText(e), u"Číslo zmluvy 24/00001 už v registri je."_s);
        }
        QCOMPARE(StoreDump::store(data), before);
    }

    // Every kind of bad input is named with its file, record and field, and leaves the store as it was,
    // even with --replace, which empties the tables inside the same transaction.
    void badInput_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("record");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // %DIR% stands for the folder read
        const QString z = u"ZMLUVY.DBF"_s;
        QTest::newRow("truncated inside a record")
            << z << u"keep"_s << 3 << u"AMOUNT"_s << QByteArray("30")
            << u"ZMLUVY.DBF, record 3, field AMOUNT: the file ends inside the record (truncated)"_s;
        QTest::newRow("truncated header") << z << u"keep"_s << 0 << QString() << QByteArray("20")
                                          << u"ZMLUVY.DBF: too short for a table file (20 bytes)"_s;
        QTest::newRow("header counts more records")
            << z << u"header"_s << 4 << QString() << le(9, 4)
            << u"ZMLUVY.DBF, record 5: the file ends before this record: it holds 4 of the 9 records its header "
               u"counts (truncated)"_s;
        QTest::newRow("header counts fewer records")
            << z << u"header"_s << 4 << QString() << le(2, 4)
            << u"ZMLUVY.DBF: the file holds 2 more records than the 2 its header counts"_s;
        QTest::newRow("record length lies") << z << u"header"_s << 10 << QString() << le(85, 2)
                                            << u"ZMLUVY.DBF: the fields take 84 bytes a record, the header says 85"_s;
        QTest::newRow("header length past the end")
            << z << u"header"_s << 8 << QString() << le(60000, 2)
            << u"ZMLUVY.DBF: the header claims 60000 bytes, the file holds only 850 (truncated)"_s;
        QTest::newRow("header too short for its fields")
            << z << u"header"_s << 8 << QString() << le(128, 2)
            << u"ZMLUVY.DBF: the field list has no end mark within the header"_s;
        QTest::newRow("field length lies") << z << u"header"_s << 32 + 3 * 32 + 16 << QString() << le(9, 1)
                                           << u"ZMLUVY.DBF: field AGRDATE of type D cannot be 9 bytes long"_s;
        QTest::newRow("field type the register cannot take")
            << z << u"header"_s << 32 + 4 * 32 + 11 << QString() << QByteArray("C")
            << u"ZMLUVY.DBF, field AMOUNT: a field of type C cannot be read into the register's number field"_s;
        QTest::newRow("unknown version") << z << u"header"_s << 0 << QString() << le(4, 1)
                                         << u"ZMLUVY.DBF: not a dBase or FoxPro table (version byte 0x04)"_s;
        QTest::newRow("letters in a number")
            << z << u"field"_s << 1 << u"AMOUNT"_s << QByteArray("  12a4.00")
            << u"ZMLUVY.DBF, record 1, field AMOUNT: '12a4.00' is not a valid number"_s;
        QTest::newRow("two points in a number")
            << z << u"field"_s << 4 << u"PAID_SUM"_s << QByteArray("   1.2.3.00")
            << u"ZMLUVY.DBF, record 4, field PAID_SUM: '1.2.3.00' is not a valid number"_s;
        QTest::newRow("month 13") << z << u"field"_s << 2 << u"AGRDATE"_s << QByteArray("20261340")
                                  << u"ZMLUVY.DBF, record 2, field AGRDATE: '20261340' is not a valid date"_s;
        QTest::newRow("29 February of a common year")
            << z << u"field"_s << 1 << u"UNTIL"_s << QByteArray("20230229")
            << u"ZMLUVY.DBF, record 1, field UNTIL: '20230229' is not a valid date"_s;
        QTest::newRow("letters in a date") << z << u"field"_s << 2 << u"UNTIL"_s << QByteArray("2024 3 1")
                                           << u"ZMLUVY.DBF, record 2, field UNTIL: '2024 3 1' is not a valid date"_s;
        QTest::newRow("bad logical") << z << u"field"_s << 4 << u"PAID"_s << QByteArray("X")
                                     << u"ZMLUVY.DBF, record 4, field PAID: 'X' is not a valid logical value"_s;
        QTest::newRow("fraction in whole weeks")
            << z << u"field"_s << 1 << u"WEEKTIME"_s << QByteArray(".5")
            << u"ZMLUVY.DBF, record 1, field WEEKTIME: 0.5 is not a whole number"_s;
        QTest::newRow("bad deletion mark")
            << z << u"field"_s << 2 << QString() << QByteArray("#")
            << u"ZMLUVY.DBF, record 2: the deletion mark is '#', neither blank nor '*'"_s;
        QTest::newRow("no code page for letters")
            << u"osoby.dbf"_s << u"header"_s << 29 << QString() << le(0, 1)
            << u"osoby.dbf, record 1, field LASTNAME: the text holds letters beyond ASCII but the file names no code "
               u"page; give it (--codepage)"_s;
        QTest::newRow("register table missing")
            << u"Predlz.DBF"_s << u"remove"_s << 0 << QString() << QByteArray() << u"Predlz.DBF is missing in %DIR%"_s;
        QTest::newRow("table twice") << u"osoby.dbf"_s << u"copy"_s << 0 << QString() << QByteArray("OSOBY.DBF")
                                     << u"Osoby.DBF is there 2 times in %DIR% (OSOBY.DBF, osoby.dbf); keep one"_s;
    }
    void badInput()
    {
        QFETCH(QString, file);
        QFETCH(QString, action);
        QFETCH(int, record);
        QFETCH(QString, field);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        QTemporaryDir tmp;
        const QString source = copyFixture(tmp, u"cp852"_s);
        const QString path = source + u'/' + file;
        if (action == u"keep") { // bytes: how many of the record (or of the file for record 0) stay
            qint64 size = bytes.toLongLong();
            if (record > 0) {
                const DbfReader r(path);
                size += r.headerLength() + qint64(record - 1) * r.recordLength();
            }
            QVERIFY(QFile::resize(path, size));
        } else if (action == u"header") {
            patch(path, record, bytes);
        } else if (action == u"field") {
            const DbfReader r(path);
            const qint64 at = field.isEmpty() ? r.headerLength() + qint64(record - 1) * r.recordLength()
                                              : fieldAt(path, record, field);
            patch(path, at, bytes);
        } else if (action == u"remove") {
            QVERIFY(QFile::remove(path));
        } else if (action == u"copy") {
            QVERIFY(QFile::copy(path, source + u'/' + QString::fromLatin1(bytes)));
        }

        const QString data = newStore(tmp);
        import(data, Fixtures + u"/cp1250"_s);
        const QStringList before = StoreDump::store(data);
        try {
            import(data, source, {0, true});
            QFAIL("bad input was imported");
        } catch (const InputError& e) {
            QCOMPARE(e.text(), QString(message).replace(u"%DIR%"_s, QDir::toNativeSeparators(source)));
        }
        QCOMPARE(StoreDump::store(data), before);
    }

    // Export: FoxPro 2.x files with the language byte, read by a reader that is not ours.
    void exportReadsBack_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<int>("languageByte");
        QTest::addColumn<QString>("encoding");
        QTest::newRow("852") << 852 << 0x64 << u"cp852"_s;
        QTest::newRow("1250") << 1250 << 0xC8 << u"cp1250"_s;
    }
    void exportReadsBack()
    {
        QFETCH(int, codePage);
        QFETCH(int, languageByte);
        QFETCH(QString, encoding);
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        {
            Store store(data);
            DemoData::fill(store, 1, QDate(2026, 3, 15));
        }
        addAwkwardRecords(data);
        {
            Store store(data);
            DbfTransfer::exportTables(store, tmp.filePath(u"out"_s), codePage, QDate(2026, 3, 15));
        }
        const QJsonObject files = readBack(tmp.filePath(u"out"_s));
        QCOMPARE(files.size(), 8);
        Store store(data);
        for (const TableDef& def : Schema::tables()) {
            const QJsonObject file = files.value(def.file).toObject();
            QVERIFY2(!file.isEmpty(), qPrintable(def.file));
            QCOMPARE(file.value(u"version"_s).toInt(), 3);
            QCOMPARE(file.value(u"language"_s).toInt(), languageByte);
            QCOMPARE(file.value(u"encoding"_s).toString(), encoding);
            const QJsonArray fields = file.value(u"fields"_s).toArray();
            QCOMPARE(fields.size(), def.fields.size());
            const QJsonArray records = file.value(u"records"_s).toArray();
            QStringList names;
            for (const FieldDef& f : def.fields)
                names << u'"' + f.name + u'"';
            StatementUse q =
                store.statement(u"SELECT %1 FROM %2 ORDER BY rowid"_s.arg(names.join(u", "_s), def.sqlName));
            int n = 0;
            while (q.step()) {
                const QJsonArray record = records.at(n++).toArray();
                for (int i = 0; i < def.fields.size(); ++i) {
                    const FieldDef& f = def.fields.at(i);
                    QCOMPARE(fields.at(i).toArray().at(0).toString(), f.name);
                    const QVariant stored = q.value(i);
                    const QJsonValue read = record.at(i);
                    const QString where = u"%1 record %2 field %3"_s.arg(def.file).arg(n).arg(f.name);
                    if (stored.isNull()) {
                        // dbfread gives blank text as empty text, other blanks as None
                        QVERIFY2(f.type == FieldType::Text ? read.toString().isEmpty() : read.isNull(),
                                 qPrintable(where));
                        continue;
                    }
                    switch (f.type) {
                    case FieldType::Text:
                        QCOMPARE(read.toString(), stored.toString());
                        break;
                    case FieldType::Number:
                    case FieldType::SmallInt:
                        QVERIFY2(read.toDouble() == stored.toDouble(), qPrintable(where));
                        break;
                    case FieldType::Logical:
                        QCOMPARE(read.toBool(), stored.toLongLong() != 0);
                        break;
                    case FieldType::Date:
                        QCOMPARE(read.toString(), stored.toString());
                        break;
                    }
                }
            }
            q.reset();
            QCOMPARE(records.size(), n);
        }
    }

    // Import of an export gives back the store field by field, storage classes included.
    void exportImportRoundTrip_data()
    {
        QTest::addColumn<int>("codePage");
        QTest::addColumn<bool>("awkward");
        QTest::newRow("demo set, 852") << 852 << false;
        QTest::newRow("demo set, 1250") << 1250 << false;
        QTest::newRow("awkward values, 852") << 852 << true;
        QTest::newRow("awkward values, 1250") << 1250 << true;
    }
    void exportImportRoundTrip()
    {
        QFETCH(int, codePage);
        QFETCH(bool, awkward);
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        if (awkward) {
            addAwkwardRecords(data);
        } else {
            Store store(data);
            DemoData::fill(store, 1, QDate(2026, 3, 15));
        }
        {
            Store store(data);
            DbfTransfer::exportTables(store, tmp.filePath(u"out"_s), codePage, QDate(2026, 3, 15));
        }
        const QString back = newStore(tmp, u"Back"_s);
        import(back, tmp.filePath(u"out"_s));
        QCOMPARE(StoreDump::store(back), StoreDump::store(data));
    }

    // An export never overwrites a table file and writes all eight files or none.
    void exportRefusals_data()
    {
        QTest::addColumn<QString>("present"); // a file in the folder before
        QTest::addColumn<QString>("reason");  // a text stored in REASON
        QTest::addColumn<QString>("message");
        QTest::newRow("old table in the folder")
            << u"zmluvy.dbf"_s << QString()
            << u"%DIR% holds zmluvy.dbf already; export into a folder without the register's tables"_s;
        QTest::newRow("letter 852 lacks")
            << QString() << u"Cena 5 €"_s << u"Osoby.DBF, record 1, field REASON: '€' has no place in code page 852"_s;
        QTest::newRow("text too long") << QString() << u"x"_s.repeated(300)
                                       << u"Osoby.DBF, field REASON: a text of 300 characters is stored, a table file "
                                          u"holds 254 at most"_s;
    }
    void exportRefusals()
    {
        QFETCH(QString, present);
        QFETCH(QString, reason);
        QFETCH(QString, message);
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        const QString out = tmp.filePath(u"out"_s);
        QDir().mkpath(out);
        if (!present.isEmpty()) {
            QFile f(out + u'/' + present);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("old");
        }
        Store store(data);
        if (!reason.isEmpty()) insertRows(store, u"Osoby"_s, {u"BIRTHNUM"_s, u"REASON"_s}, {{u"1"_s, reason}});
        const QStringList before = QDir(out).entryList(QDir::Files);
        try {
            DbfTransfer::exportTables(store, out, 852, QDate(2026, 3, 15));
            QFAIL("exported");
        } catch (const InputError& e) {
            QCOMPARE(e.text(), QString(message).replace(u"%DIR%"_s, QDir::toNativeSeparators(out)));
        }
        QCOMPARE(QDir(out).entryList(QDir::Files), before);
        if (!present.isEmpty()) {
            QFile f(out + u'/' + present);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("old"));
        }
    }

    // The eight files show the store at one moment: a contract and its extension that another counter stores
    // while the export is between its tables show in neither file.
    void exportReadsOneMoment()
    {
        if (!TestBackend::onServer())
            QSKIP("SQLite's one read transaction is one moment by itself; a server's must be asked to be");
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        Store store(data);
        DemoData::fill(store, 1, QDate(2026, 3, 15));
        const qint64 contracts = store.scalar(u"SELECT COUNT(*) FROM Zmluvy"_s).toLongLong();
        const qint64 extensions = store.scalar(u"SELECT COUNT(*) FROM Predlz"_s).toLongLong();
        // The export reads Zmluvy.DBF, then waits for the extensions until the other counter has stored both.
        TestBackend::Interloper other(data, u"LOCK TABLE predlz IN ACCESS EXCLUSIVE MODE"_s,
                                      u"INSERT INTO zmluvy (number, amount) VALUES ('99/99999', 100); "
                                      u"INSERT INTO predlz (number, x_paid) VALUES ('99/99999', 10)"_s);
        const QString out = tmp.filePath(u"out"_s);
        DbfTransfer::exportTables(store, out, 852, QDate(2026, 3, 15));
        QCOMPARE(other.finish(), QString());
        QCOMPARE(DbfReader(out + u"/Zmluvy.DBF"_s).recordCount(), contracts);
        QCOMPARE(DbfReader(out + u"/Predlz.DBF"_s).recordCount(), extensions);
        QCOMPARE(store.scalar(u"SELECT COUNT(*) FROM Predlz"_s).toLongLong(), extensions + 1);
    }

    // The commands as a shop runs them: status 2 and the store unchanged on bad input, a summary otherwise.
    void adminCommands()
    {
        QTemporaryDir tmp;
        const QString data = newStore(tmp);
        const QString source = copyFixture(tmp, u"cp852"_s);
        const QString contracts = source + u"/ZMLUVY.DBF"_s;
        patch(contracts, fieldAt(contracts, 2, u"AGRDATE"_s), "20261340");
        AdminRun run = runAdmin({u"import-dbf"_s, source, data});
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains(u"ZMLUVY.DBF, record 2, field AGRDATE: '20261340' is not a valid date"_s),
                 qPrintable(run.err));
        QCOMPARE(StoreDump::table(data, u"Zmluvy"_s), QStringList());

        run = runAdmin({u"import-dbf"_s, Fixtures + u"/cp852"_s, data, u"--codepage"_s, u"1252"_s});
        QCOMPARE(run.status, 2);

        run = runAdmin({u"import-dbf"_s, Fixtures + u"/cp852"_s, data});
        QCOMPARE(run.status, 0);
        QVERIFY2(run.out.contains(
                     u"Osoby.DBF: 3 records imported from osoby.dbf (code page 852), 1 deleted records skipped\n"
                     u"    fields the register does not have, skipped: TELEFON"_s),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains(u"Prijvyd.dbf: not in the folder, left empty"_s), qPrintable(run.out));
        QCOMPARE(StoreDump::table(data, u"Osoby"_s), Persons);

        run = runAdmin({u"export-dbf"_s, data, tmp.filePath(u"out"_s), u"--codepage"_s, u"1250"_s});
        QCOMPARE(run.status, 0);
        const DbfReader exported(tmp.filePath(u"out/Osoby.DBF"_s));
        QCOMPARE(exported.codePage(), 1250);
        QCOMPARE(exported.recordCount(), 3);
        run = runAdmin({u"export-dbf"_s, data, tmp.filePath(u"out"_s)});
        QCOMPARE(run.status, 2); // the folder holds the tables now
    }

    // Inputs the fuzzer found or that guard its findings: refused with a message, never a crash.
    void hostileBytes_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message");
        QByteArray header(32, '\0');
        header[0] = '\x03';
        QTest::newRow("empty") << QByteArray() << u"x.dbf: too short for a table file (0 bytes)"_s;
        QByteArray noFields = header;
        noFields[8] = 33;
        noFields.append('\x0D');
        QTest::newRow("no fields") << noFields << u"x.dbf: the table has no fields"_s;
        QByteArray huge = header;
        huge[4] = huge[5] = huge[6] = huge[7] = '\xFF'; // four billion records
        huge[8] = 65;
        huge[10] = 2;
        huge.append(QByteArray("A\0\0\0\0\0\0\0\0\0\0L\0\0\0\0\x01\0", 18)).append(14, '\0').append('\x0D');
        QTest::newRow("four billion records")
            << huge
            << u"x.dbf, record 1: the file ends before this record: it holds 0 of the 4294967295 records its "
               u"header counts (truncated)"_s;
    }
    void hostileBytes()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        try {
            DbfReader r(bytes, u"x.dbf"_s);
            QFAIL("read");
        } catch (const InputError& e) {
            QCOMPARE(e.text(), message);
        }
    }
};

QTEST_GUILESS_MAIN(TestDbf)
#include "tst_dbf.moc"
