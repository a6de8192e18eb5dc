#include "reports/ReportCatalog.h"
#include "tools/CommandLine.h"
#include "tools/DemoData.h"

using namespace Qt::Literals::StringLiterals;

namespace CommandLine {

namespace {

const QString StoreHelp = u"the store: a data folder, or a server's postgresql:// location"_s;

Option asOwner()
{
    return {u"as"_s, u"OWNER"_s, u"the owner who runs the command once the store has clerks; the password is read"_s,
            u"the name of an owner"_s};
}

Option countersOption()
{
    return {u"counters"_s, u"ROLE"_s,
            u"a server store made here: the role the counters connect as (not the one running this), given only "
            u"INSERT and SELECT on the trail"_s,
            u"a role"_s};
}

Option dateOption(const QString& name, const QString& help)
{
    return {name, u"DATE"_s, help, u"a date"_s};
}

QString reportList()
{
    QString text = u"Reports:\n"_s;
    for (const ReportCatalog::Entry& e : ReportCatalog::entries())
        text += u"  %1%2\n      %3\n"_s.arg(e.name, e.arguments.isEmpty() ? QString() : u' ' + e.arguments, e.summary);
    return text;
}

QString demoChoices()
{
    return u"--newest takes open, paid, paid-forfeited, extended or forfeited-sold, --first pledger, undesirable or "
           u"without-contracts (both chosen by N unless given)."_s;
}

QList<Command> table()
{
    return {
        {u"init"_s,
         u"creates the empty store of a fresh installation"_s,
         {u"init DIR [--counters ROLE] [--currency SKK|EUR]"_s},
         {{u"DIR"_s, StoreHelp}},
         {countersOption(),
          {u"currency"_s,
           u"CODE"_s,
           u"what the store counts in: SKK, whole crowns (the default), or EUR, euros with cents"_s,
           u"SKK|EUR"_s,
           {u"SKK"_s, u"EUR"_s}}},
         u"Creates the eight tables, their indexes, the record counts and a unique index on the contract number, "
         u"and the store's own tables of clerks, the trail of changes (its first row, the genesis row, names the "
         u"store), person keys and settings (its currency). The register never creates tables itself. On a server "
         u"the role that runs init owns the tables and the trail; --counters gives the counters' role what the "
         u"register needs, and of the trail only INSERT and SELECT, so that no counter can disable its guards or "
         u"drop it."_s,
         {u"init /tmp/shop/Data"_s, u"init /tmp/shop/Data --currency EUR"_s,
          u"init postgresql://server.local:5432/mervana?user=mervana_owner --counters mervana"_s},
         adminInit},
        {u"demo"_s,
         u"fills an empty store with believable demo records"_s,
         {u"demo DIR [--scale N] [--newest STATE] [--first PERSON]"_s},
         {{u"DIR"_s, u"the store made by init"_s}},
         {{u"scale"_s, u"N"_s, u"N small shops of records (1 by default, at most %1)"_s.arg(DemoData::MaxScale),
           u"a whole number from 1 to %1"_s.arg(DemoData::MaxScale)},
          {u"newest"_s,
           u"STATE"_s,
           u"the state of the newest contract"_s,
           u"a value"_s,
           {u"open"_s, u"paid"_s, u"paid-forfeited"_s, u"extended"_s, u"forfeited-sold"_s}},
          {u"first"_s,
           u"PERSON"_s,
           u"what the first person is"_s,
           u"a value"_s,
           {u"pledger"_s, u"undesirable"_s, u"without-contracts"_s}}},
         u"Writes N small shops of contracts, goods, extensions and persons. "_s + demoChoices() +
             u" To try the register on believable data, fill an empty store and point the engine configuration "
             u"at it."_s,
         {u"demo /tmp/shop/Data --scale 1"_s},
         adminDemo},
        {u"report"_s,
         u"writes a report as PDF, without a window, and says how many pages it wrote to which file"_s,
         {u"report DIR NAME [ARGS] --pdf FILE [--today DATE] [--shop NAME] [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp},
          {u"NAME"_s, u"the report, one of those below"_s},
          {u"ARGS"_s, u"what the report takes: a view, a birth number, one or two dates"_s, true, true}},
         {{u"pdf"_s, u"FILE"_s, u"the PDF to write"_s, u"a file"_s},
          dateOption(u"today"_s, u"the day the current and expired views and the profile's due contracts compute "
                                 u"with (today by default)"_s),
          {u"shop"_s, u"NAME"_s, u"the shop's name in the heading instead of ShopName"_s, u"a name"_s},
          asOwner()},
         u"For a scheduled print or a mail to the owner. It prints \"N pages written to FILE\", or \"0 pages: "
         u"nothing to print, FILE not written\" (no file is written then). Dates are d.M.yyyy or YYYY-MM-DD. income "
         u"refills the work table Prijvyd.dbf; the others change no more than the WRK marks. persons, profile and "
         u"audit hold personal data: once the store has clerks they are an owner's (--as), and the trail of changes "
         u"records each PDF written.\n"_s +
             reportList(),
         {u"report /tmp/shop/Data contracts expired --pdf expired.pdf"_s,
          u"report /tmp/shop/Data goods forsale --pdf goods.pdf --today 8.12.2026 --shop \"Záložňa Sever\""_s,
          u"report /tmp/shop/Data expiry 8.12.2026 --pdf due.pdf"_s,
          u"report /tmp/shop/Data income 1.11.2026 2026-11-30 --pdf november.pdf"_s,
          u"report /tmp/shop/Data profile 7001011234 --pdf profile.pdf"_s},
         adminReport,
         [](const Admin::Args&) { return true; }},
        {u"import-dbf"_s,
         u"reads the eight tables from old FoxPro/dBase files into the store, in one go"_s,
         {u"import-dbf SRC_DIR DATA_DIR [--codepage 852|1250|895] [--replace [--as OWNER]]"_s},
         {{u"SRC_DIR"_s, u"the folder of the old table files (Zmluvy.DBF ... Xinvent.DBF, names in any case)"_s},
          {u"DATA_DIR"_s, u"the store made by init"_s}},
         {{u"codepage"_s,
           u"CP"_s,
           u"the code page of files whose language byte names none"_s,
           u"852|1250|895"_s,
           {u"852"_s, u"1250"_s, u"895"_s}},
          {u"replace"_s,
           {},
           u"empties the eight tables of a store that holds records first (an owner's, once the "
           u"store has clerks; the trail row counts what it deleted)"_s},
          asOwner()},
         u"Nothing is written unless every file reads cleanly. The code page comes from each file's language "
         u"byte (852, 1250, 895 Kamenický, 850, 1252, 437). Prints per table the records imported, the deleted "
         u"records skipped and the fields skipped; bad input (a truncated file, a lying header, letters in a "
         u"number, a date like 20261340) is named with its file, record and field, the exit status is 2 and the "
         u"store stays as it was."_s,
         {u"import-dbf /mnt/old/DATA /tmp/shop/Data"_s},
         adminImportDbf},
        {u"export-dbf"_s,
         u"writes the eight tables as FoxPro 2.x files"_s,
         {u"export-dbf DATA_DIR DEST_DIR [--codepage 852|1250] [--as OWNER]"_s},
         {{u"DATA_DIR"_s, StoreHelp}, {u"DEST_DIR"_s, u"the folder for the table files"_s}},
         {{u"codepage"_s,
           u"CP"_s,
           u"the code page of the files (852 by default)"_s,
           u"852|1250"_s,
           {u"852"_s, u"1250"_s}},
          asOwner()},
         u"LibreOffice Calc and python3-dbfread read the files; importing them gives back the same store. It "
         u"refuses a folder that holds one of the tables already."_s,
         {u"export-dbf /tmp/shop/Data /tmp/out"_s},
         adminExportDbf},
        {u"backup"_s,
         u"writes a checked copy of the store, also while the register runs"_s,
         {u"backup DATA_DIR DEST_DIR"_s},
         {{u"DATA_DIR"_s, StoreHelp}, {u"DEST_DIR"_s, u"the folder for the backup"_s}},
         {},
         u"Writes mervana-YYYY-MM-DD-HHMMSS.db, a consistent copy even while the register runs, and checks it "
         u"(PRAGMA integrity_check). The backup of a server store is a SQLite file that restore and copy take. "
         u"The register's daily backup goes to the engine configuration's BackupDir (default Zaloha in the data "
         u"folder), keeping the newest BackupKeep (default 14)."_s,
         {u"backup /tmp/shop/Data /media/usb"_s},
         adminBackup},
        {u"restore"_s,
         u"puts a backup in place of the store once the register is closed"_s,
         {u"restore BACKUP_FILE DATA_DIR [--as OWNER]"_s},
         {{u"BACKUP_FILE"_s, u"a file written by backup"_s}, {u"DATA_DIR"_s, StoreHelp}},
         {asOwner()},
         u"Checks the backup, refuses while the register or a mervana-admin command that writes has the store open "
         u"(each marks it in Data/mervana-open/), copies the backup's records into a store made as init makes one "
         u"(views, triggers or tables of its own in the file stay behind) and puts that in place of the store in "
         u"one step. The replaced store stays beside it as mervana-replaced-YYYY-MM-DD-HHMMSS.db; of those, the "
         u"newest BackupKeep are kept. On a server it replaces the records in one transaction while it holds the "
         u"store alone: refused while a register has the store open, and no counter opens it until it is done; the "
         u"records it replaced are kept beside the backup file as mervana-replaced-..., and should the connection "
         u"break while the server commits, the message says that nobody knows whether the store was replaced, and "
         u"that file stays. The live store's trail, clerks and keys are kept (rows written since the backup stay) "
         u"with a row naming the backup and the kept copy, unless the store had no trail yet: then it takes the "
         u"backup's."_s,
         {u"restore /media/usb/mervana-2026-03-15-101500.db /tmp/shop/Data"_s},
         adminRestore},
        {u"archive"_s,
         u"moves the finished contracts of a period into the archive tables"_s,
         {u"archive DIR --from DATE --to DATE [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {dateOption(u"from"_s, u"the first day of the period the contracts were signed in"_s),
          dateOption(u"to"_s, u"its last day (included)"_s), asOwner()},
         u"Moves the contracts signed from DATE to DATE (both included) that are finished, with their goods and "
         u"extensions, into the archive tables: the marks and the move in one transaction."_s,
         {u"archive /tmp/shop/Data --from 1.1.2020 --to 31.12.2024"_s},
         adminArchive},
        {u"dearchive"_s,
         u"moves the whole archive back into the register"_s,
         {u"dearchive DIR [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {asOwner()},
         u"Names any contract number that stands twice in the register afterwards."_s,
         {u"dearchive /tmp/shop/Data"_s},
         adminDearchive},
        {u"stats"_s,
         u"prints the money in circulation, the pledge value and the record counts"_s,
         {u"stats DIR"_s},
         {{u"DIR"_s, StoreHelp}},
         {},
         u"The statistics window without a window: the record counts of every table, the archive's too."_s,
         {u"stats /tmp/shop/Data"_s},
         adminStats},
        {u"search"_s,
         u"marks the pledged goods whose description holds a text, as the register's search does"_s,
         {u"search DIR TEXT"_s},
         {{u"DIR"_s, StoreHelp},
          {u"TEXT"_s,
           u"what the description holds (compared in upper case, accents too); after -- when it begins with -"_s}},
         {},
         u"Stores its marks as the register's goods search does, so the register shows the same hits, and prints "
         u"the contract and description of every hit; the count on standard error."_s,
         {u"search /tmp/shop/Data zlat"_s},
         adminSearch},
        {u"reindex"_s,
         u"rebuilds the indexes of the contracts, persons, goods and extensions"_s,
         {u"reindex DIR [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {asOwner()},
         u"The register's \"&Reindexácia\" without its windows."_s,
         {u"reindex /tmp/shop/Data"_s},
         adminReindex},
        {u"copy"_s,
         u"copies every record of one store into another, all or nothing"_s,
         {u"copy SRC DEST [--counters ROLE] [--as OWNER]"_s},
         {{u"SRC"_s, u"the store to copy: a data folder, a server's location or a backup file"_s},
          {u"DEST"_s, u"the store to copy it into (created when it is missing)"_s}},
         {countersOption(), asOwner()},
         u"Moves a shop's store onto the server (or back, or from a backup file) with every record's row id and "
         u"values as stored: it refuses a destination that holds records, and compares the counts of each table on "
         u"both sides before it commits. The clerks, the trail of changes and the person keys go with them; a store "
         u"it copies from records the copy as personal data exported."_s,
         {u"copy /tmp/shop/Data postgresql://server.local:5432/mervana?user=mervana_owner --counters mervana"_s},
         adminCopy},
        {u"audit-verify"_s,
         u"checks the chain of the trail of changes from its first row, and what guards it"_s,
         {u"audit-verify DIR [--key KEY] [--expect SEQ:HASH]"_s},
         {{u"DIR"_s, StoreHelp}},
         {{u"key"_s, u"KEY"_s, u"the first key audit-seal printed: every seal is checked with it"_s, u"a key"_s},
          {u"expect"_s, u"SEQ:HASH"_s,
           u"a noted head: that row must be there with that HASH (its first 16 hex or more)"_s, u"SEQ:HASH"_s}},
         u"Exit 0 with \"intact: N\", the last SEQ and HASH and the head (SEQ and the first 16 hex of HASH: note it, "
         u"as the trail report and each backup do, since removing the newest rows shows only against a noted head), "
         u"or exit 1 naming the first row whose content, link or seal does not match (a row edited, deleted or "
         u"inserted outside the register), a noted row that is missing or differs, or what guards the trail and is "
         u"missing: its table, its triggers (and on a server its rules and the privileges that keep counters to "
         u"adding and reading rows)."_s,
         {u"audit-verify /tmp/shop/Data"_s, u"audit-verify /tmp/shop/Data --expect 1234:3f9a0c1d2e3b4a59"_s},
         adminAuditVerify},
        {u"audit-seal"_s,
         u"seals every row of the trail of changes from now on"_s,
         {u"audit-seal DIR [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {asOwner()},
         u"Makes a random first key and prints it once, 64 hex digits in groups of 8, for the owner to keep on "
         u"paper or elsewhere, never in the store. From then on each row carries a seal, HMAC-SHA-256 of its HASH "
         u"under the key of its place, and the same transaction replaces the store's key by its SHA-256: whoever "
         u"holds the store later cannot seal anew a row written before, so a rewritten trail fails audit-verify "
         u"--key. A trail is sealed once; audit-restart begins one to seal anew."_s,
         {u"audit-seal /tmp/shop/Data --as Eva"_s},
         adminAuditSeal},
        {u"audit-restart"_s,
         u"begins a new trail of changes where it is missing or unguarded"_s,
         {u"audit-restart DIR [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {asOwner()},
         u"A store whose trail table, triggers (or, on a server, rules or privileges) are missing is refused at "
         u"open, by the register and by mervana-admin alike; the trail is never made anew by itself. This begins a "
         u"new one whose genesis row records the break: what was missing, and the head of the old trail, which stays "
         u"as a table of its own (Zmeny_DATE_TIME) for whoever looks into it."_s,
         {u"audit-restart /tmp/shop/Data --as Eva"_s},
         adminAuditRestart},
        {u"audit"_s,
         u"prints the rows of the trail of changes that match, or writes them as a report"_s,
         {u"audit DIR [--from DATE] [--to DATE] [--contract NUMBER] [--person BIRTHNUM] [--clerk NAME] [--pdf FILE] "
          u"[--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {dateOption(u"from"_s, u"rows from this day"_s),
          dateOption(u"to"_s, u"rows up to this day (included)"_s),
          {u"contract"_s, u"NUMBER"_s, u"rows of this contract"_s, u"a contract number"_s},
          {u"person"_s, u"BIRTHNUM"_s, u"rows of the person with this birth number"_s, u"a birth number"_s},
          {u"clerk"_s, u"NAME"_s, u"rows this clerk wrote"_s, u"a name"_s},
          {u"pdf"_s, u"FILE"_s, u"the same rows as the report \"Zmeny záznamov\" in FILE, and its page count"_s,
           u"a file"_s},
          asOwner()},
         u"One tab-separated line per changed field: moment, clerk, counter, action, table, key, field, old, new "
         u"(a row without fields: the last three empty); tabs, line breaks and \\ in values as \\t, \\n, \\\\. A "
         u"value whose person key was deleted reads (vymazané).\n"
         u"Every stored change of a contract, person, item or extension leaves one row in the store's table Zmeny, "
         u"in the same transaction; WRK marks and the work table Prijvyd are not recorded. Long moves (archive out "
         u"and back, import-dbf, demo, copy, restore) write one row with their period and counts; export-dbf and "
         u"the reports of persons, a person and the trail written as PDF or printed, audit itself, backup and copy "
         u"write a row saying that personal data left the store, where to and how many records. Each "
         u"row names the moment (the server's clock on a server), the clerk (\"—\" while nobody is signed in) and "
         u"the counter (host/user). Rows are only ever appended, each carrying a SHA-256 over the row before it "
         u"and its own content. Values that identify a person are stored encrypted with a key of that person's "
         u"own (table Kluce): deleting the key leaves them unreadable while the chain still verifies."_s,
         {u"audit /tmp/shop/Data --from 1.3.2026 --to 31.3.2026 --contract 26/00017"_s},
         adminAudit,
         [](const Admin::Args& a) { return a.has(u"pdf"_s); }},
        {u"clerk"_s,
         u"manages who signs in to the register"_s,
         {u"clerk add DIR NAME [--owner] [--as OWNER]"_s, u"clerk list DIR"_s,
          u"clerk password DIR NAME [--as OWNER]"_s, u"clerk disable DIR NAME [--as OWNER]"_s},
         {{u"ACTION"_s, u"add, list, password or disable"_s},
          {u"DIR"_s, StoreHelp},
          {u"NAME"_s, u"the clerk (not for list)"_s, true}},
         {{u"owner"_s, {}, u"add an owner rather than a clerk (the first one must be)"_s}, asOwner()},
         u"Adds a clerk, lists them with role and state, changes a password, disables a clerk (a clerk is never "
         u"deleted: the trail of changes names them). A new password is typed twice at the terminal without echo, "
         u"or read as one line of standard input."_s,
         {u"clerk add /tmp/shop/Data Eva --owner"_s, u"clerk add /tmp/shop/Data Jan --as Eva"_s,
          u"clerk list /tmp/shop/Data"_s},
         adminClerk},
        {u"person-data"_s,
         u"writes everything the store holds about one person, as text or as a report"_s,
         {u"person-data DIR BIRTHNUM [--pdf FILE] [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}, {u"BIRTHNUM"_s, u"the person's birth number"_s}},
         {{u"pdf"_s, u"FILE"_s, u"the report \"Osobné údaje\" in FILE, and its page count"_s, u"a file"_s}, asOwner()},
         u"The person record, every contract with that birth number, live and archived, with its goods and "
         u"extensions, and the rows of the trail of changes that name the person or those contracts: printed as "
         u"text, or with --pdf as the report \"Osobné údaje\". Either way the trail records that personal data left "
         u"the store. Exit 1 when the store holds nothing about that birth number (no file is written then)."_s,
         {u"person-data /tmp/shop/Data 7001011234 --pdf osoba.pdf"_s},
         adminPersonData,
         [](const Admin::Args& a) { return a.has(u"pdf"_s); }},
        {u"retention"_s,
         u"lists the persons due for anonymising and anonymises them"_s,
         {u"retention DIR [--dry-run] [--today DATE] [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {{u"dry-run"_s, {}, u"only list: who is due, the undesirable and the persons without contracts"_s},
          dateOption(u"today"_s, u"the day the retention period counts back from (today by default)"_s),
          asOwner()},
         u"A person is due when none of their contracts still runs and every one, live or archived, was finished "
         u"(paid, or forfeited with every item sold) more than RetentionYears (engine configuration, 10 by default, "
         u"0 = keep for ever) years ago by the latest of its dates. With --dry-run prints each one's birth number, "
         u"name "
         u"and latest date; without it anonymises them all in one transaction and prints only their count and "
         u"pseudonyms: the name, ID card, street, number, city and note blanked, the birth number replaced by a "
         u"pseudonym X and nine digits in the person and every contract, live and archived, and the person's key of "
         u"the trail deleted, with every key of a birth number no person or contract has any more; contracts, goods "
         u"and sums stay. Undesirable persons are never anonymised automatically; persons without contracts are "
         u"left alone."_s,
         {u"retention /tmp/shop/Data --dry-run"_s, u"retention /tmp/shop/Data --as Eva"_s},
         adminRetention},
        {u"convert-euro"_s,
         u"converts a crown store to euros, once"_s,
         {u"convert-euro DIR [--as OWNER]"_s},
         {{u"DIR"_s, StoreHelp}},
         {asOwner()},
         u"Writes a backup of the crown store beside it first (in the data folder; a server's in BackupDir), then, "
         u"in one transaction, divides every money field of every record, live and archived (AMOUNT, PAID_SUM, "
         u"X_PAID, PRED_SUMA, SUMA1, SUMA2), by the fixed rate 30,1260 and rounds it to the cent (a half cent and "
         u"more up), empties the work table Prijvyd, records the currency EUR and one row in the trail of changes "
         u"with the record counts and the sums per field before and after. Percent, weeks, dates and numbers stay. "
         u"A store that counts in euros already is refused and nothing changes; a failure halfway leaves the crown "
         u"store as it was. Names the shop's contract template when it still mentions Sk."_s,
         {u"convert-euro /tmp/shop/Data --as Eva"_s},
         adminConvertEuro},
    };
}

} // namespace

const QList<Command>& commands()
{
    static const QList<Command> list = table();
    return list;
}

QString commonNotes()
{
    return u"Wherever a command takes a DIR, DATA_DIR, SRC or DEST it also takes a store on a PostgreSQL server: "
           u"postgresql://HOST:PORT/DATABASE?user=USER (HOST may be the folder of the server's socket, written with "
           u"%2F for each /; the password only from ~/.pgpass).\n"
           u"Once the store has an active clerk, archive, dearchive, restore, reindex, person-data, retention, "
           u"audit-seal, audit-restart, convert-euro, export-dbf, import-dbf --replace, copy, audit, report "
           u"persons|profile|audit and clerk add|password|disable "
           u"need --as OWNER naming an owner, whose password is typed at the terminal without echo or read as one "
           u"line of standard input (before a new clerk's password); the trail of changes names the owner, and a "
           u"refusal is recorded there too. After five wrong passwords in a row each further attempt of that name "
           u"waits 30 seconds, whichever program made them. backup stays open to all: a shop runs it unattended.\n"
           u"Every command that writes marks the store open as the register does (Data/mervana-open/), so no restore "
           u"runs under it. Both programs run with the umask 007: nothing they make is open to other accounts of the "
           u"computer, and a store that was is narrowed when it is opened (said on standard error).\n"
           u"Exit status: 0 done, 1 failed, 2 wrong command line or unreadable input (nothing changed)."_s;
}

} // namespace CommandLine
