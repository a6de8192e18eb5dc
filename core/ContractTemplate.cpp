#include "core/ContractTemplate.h"

#include "core/NumWord.h"
#include "store/Values.h"
#include "store/engine/Errors.h"

#include <limits>

#include <QStringDecoder>

using namespace Qt::Literals::StringLiterals;

namespace ContractTemplate {

QStringList decode(const QByteArray& bytes)
{
    QString text;
    const QByteArray body = bytes.startsWith("\xEF\xBB\xBF") ? bytes.mid(3) : bytes;
    // Linux editors save UTF-8 without a mark; a Windows-1250 text with its accents is almost never valid UTF-8.
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    text = utf8.decode(body);
    if (utf8.hasError() && body.size() == bytes.size()) {
        QStringDecoder decoder("windows-1250");
        text = decoder.isValid() ? decoder.decode(bytes) : QString::fromLatin1(bytes);
    }
    text.replace(u"\r\n"_s, u"\n"_s);
    QStringList lines = text.split(u'\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast(); // the end of the last line, not a line of its own
    return lines;
}

namespace {

qint64 euroCents(const QString& amountText)
{
    const auto cents = Values::parseCents(amountText, 0);
    if (!cents) throw ConversionError::invalidInteger(amountText);
    return *cents;
}

} // namespace

void fill(const QStringList& lines, const Data& data, QStringList& out)
{
    bool itemsUsed = false;
    for (const QString& line : lines) {
        const qsizetype at = line.indexOf(u'@');
        if (at < 0) {
            out << line;
            continue;
        }
        const QString prefix = line.left(at);
        const QString tag = line.mid(at, 3);
        bool known = tag.size() == 3 && tag.at(1).isDigit() && tag.at(2).isDigit();
        const int n = known ? tag.mid(1).toInt() : 0;
        known = known && n >= 1 && n <= 12;
        if (!known) continue; // an e-mail address or an unknown tag: the line is left out
        switch (n) {
        case 1:
            out << prefix + data.number;
            break;
        case 2:
            out << prefix + data.date;
            break;
        case 3:
            out << prefix + data.pledgerName;
            break;
        case 4:
            out << prefix + data.idCard;
            break;
        case 5:
            out << prefix + data.birthNumber;
            break;
        case 6:
            out << prefix + data.address;
            break;
        case 7:
            if (!itemsUsed)
                for (const QString& item : data.items)
                    out << prefix + item;
            itemsUsed = true;
            break;
        case 8:
            if (data.currency == Currency::Eur)
                out << prefix + u"="_s + Values::centsText(euroCents(data.amountText)) + u"= €"_s;
            else
                out << prefix + u"="_s + data.amountText + u"= Sk"_s;
            break;
        case 9: {
            if (data.currency == Currency::Eur) {
                out << prefix + u"="_s + NumWord::EurosInWords(euroCents(data.amountText)) + u"="_s;
                break;
            }
            const qint64 amount = Values::integerFromText(data.amountText);
            if (amount < std::numeric_limits<qint32>::min() || amount > std::numeric_limits<qint32>::max())
                throw ConversionError::invalidInteger(data.amountText);
            out << prefix + u"="_s + NumWord::AmountInWords(static_cast<qint32>(amount)) + u"= Sk"_s;
            break;
        }
        case 10:
            out << prefix + data.percent + u" %"_s;
            break;
        case 11:
            out << prefix + data.weeks + u" týžd."_s;
            break;
        case 12:
            out << prefix + data.until;
            break;
        }
    }
}

} // namespace ContractTemplate
