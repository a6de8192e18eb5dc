#include "store/dbf/CodePage.h"

#include "store/engine/Errors.h"

#include <QStringDecoder>
#include <map>
#include <memory>
#include <mutex>

using namespace Qt::Literals::StringLiterals;

namespace {

// Kamenický: code page 437 with Czech and Slovak letters in place of its Western ones (0x80-0xAD);
// the box drawing and mathematical signs from 0xAE on are those of 437.
constexpr char16_t Kamenicky[128] = {
    // 0x80
    u'Č', u'ü', u'é', u'ď', u'ä', u'Ď', u'Ť', u'č', u'ě', u'Ě', u'Ĺ', u'Í', u'ľ', u'ĺ', u'Ä', u'Á',
    // 0x90
    u'É', u'ž', u'Ž', u'ô', u'ö', u'Ó', u'ů', u'Ú', u'ý', u'Ö', u'Ü', u'Š', u'Ľ', u'Ý', u'Ř', u'ť',
    // 0xA0
    u'á', u'í', u'ó', u'ú', u'ň', u'Ň', u'Ů', u'Ô', u'š', u'ř', u'ŕ', u'Ŕ', u'¼', u'§', u'«', u'»',
    // 0xB0
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C,
    0x255B, 0x2510,
    // 0xC0
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567,
    // 0xD0
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C,
    0x2590, 0x2580,
    // 0xE0
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6,
    0x03B5, 0x2229,
    // 0xF0
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2,
    0x25A0, 0x00A0};

struct Known
{
    int number;
    quint8 languageByte;
    const char* icuName; // nullptr: our own table
};

constexpr Known KnownPages[] = {
    {437, 0x01, "IBM437"},        {850, 0x02, "IBM850"}, {1252, 0x03, "windows-1252"},
    {852, 0x64, "IBM852"},        {895, 0x68, nullptr}, // Kamenický
    {1250, 0xC8, "windows-1250"},
};

const Known* known(int number)
{
    for (const Known& k : KnownPages)
        if (k.number == number) return &k;
    return nullptr;
}

} // namespace

int CodePage::fromLanguageByte(quint8 byte)
{
    for (const Known& k : KnownPages)
        if (byte != 0 && k.languageByte == byte) return k.number;
    return 0;
}

quint8 CodePage::languageByte(int number)
{
    const Known* k = known(number);
    return k ? k->languageByte : 0;
}

bool CodePage::isSupported(int number)
{
    return number == 0 || known(number);
}

CodePage::CodePage(int number) : m_number(number)
{
    const Known* k = known(number);
    if (number != 0 && !k) throw StoreError(u"Code page %1 is not supported"_s.arg(number));
    if (k && !k->icuName) {
        std::copy(std::begin(Kamenicky), std::end(Kamenicky), m_upper.begin());
    } else if (k) {
        // Byte by byte, so a byte the code page leaves undefined shows as an error of its own.
        for (int b = 0x80; b < 0x100; ++b) {
            QStringDecoder decoder(k->icuName);
            if (!decoder.isValid())
                throw StoreError(u"Code page %1 is not available on this system (%2)"_s.arg(number).arg(
                    QString::fromLatin1(k->icuName)));
            const char byte = char(b);
            const QString text = decoder(QByteArrayView(&byte, 1));
            if (!decoder.hasError() && text.size() == 1 && text.at(0) != QChar::ReplacementCharacter)
                m_upper[b - 0x80] = text.at(0).unicode();
        }
        // IBM's table of 852 leaves 0xAA open; DOS and Windows put the not sign there, as in 437 and 850.
        if (number == 852 && m_upper[0xAA - 0x80] == 0) m_upper[0xAA - 0x80] = u'¬';
    }
    for (int i = 0; i < 128; ++i)
        if (m_upper[i] != 0) m_bytes.insert(m_upper[i], quint8(0x80 + i));
}

const CodePage& CodePage::get(int number)
{
    static std::mutex mutex;
    static std::map<int, std::unique_ptr<CodePage>> pages;
    const std::lock_guard lock(mutex);
    auto it = pages.find(number);
    if (it == pages.end()) it = pages.emplace(number, std::unique_ptr<CodePage>(new CodePage(number))).first;
    return *it->second;
}

bool CodePage::decode(QByteArrayView bytes, QString& out) const
{
    const qsizetype start = out.size();
    out.resize(start + bytes.size());
    QChar* to = out.data() + start;
    bool ok = true;
    for (const char c : bytes) {
        const auto b = quint8(c);
        char16_t u = b < 0x80 ? char16_t(b) : m_upper[b - 0x80];
        if (u == 0 && b != 0) {
            u = QChar::ReplacementCharacter;
            ok = false;
        }
        *to++ = QChar(u);
    }
    return ok;
}

bool CodePage::encode(QStringView text, QByteArray& out, qsizetype* bad) const
{
    out.reserve(out.size() + text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80) {
            out.append(char(u));
            continue;
        }
        const auto it = m_bytes.constFind(u);
        if (it == m_bytes.constEnd()) {
            if (bad) *bad = i;
            return false;
        }
        out.append(char(*it));
    }
    return true;
}
