#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>
#include <QStringView>
#include <array>

// A single-byte code page of the old table files: bytes below 0x80 are ASCII, the upper 128 map to
// Unicode through a table. ICU fills the tables it knows; Kamenický (895), which neither ICU nor iconv
// knows, is our own. Code page 0 stands for "not named": ASCII only.
class CodePage
{
public:
    // The code page a table file's language byte names; 0 for 0 and for bytes we do not know.
    static int fromLanguageByte(quint8 byte);
    // The language byte that names a code page; 0 when none does.
    static quint8 languageByte(int number);
    // Whether get() can give the code page (0, 437, 850, 852, 895, 1250, 1252).
    static bool isSupported(int number);
    // The code page, built on first use; throws StoreError for an unsupported number.
    static const CodePage& get(int number);

    int number() const { return m_number; }

    // Appends the text of bytes to out; false when a byte has no meaning in the code page
    // (out then holds U+FFFD for it).
    bool decode(QByteArrayView bytes, QString& out) const;
    // Appends the bytes of text to out; false at the first character the code page lacks, whose
    // position goes to *bad.
    bool encode(QStringView text, QByteArray& out, qsizetype* bad = nullptr) const;

    // The character of an upper byte, 0 when the code page leaves it undefined.
    char16_t upper(quint8 byte) const { return byte < 0x80 ? char16_t(byte) : m_upper[byte - 0x80]; }

private:
    explicit CodePage(int number);
    int m_number;
    std::array<char16_t, 128> m_upper{};
    QHash<char16_t, quint8> m_bytes; // inverse of m_upper
};
