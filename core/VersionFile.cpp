#include "core/VersionFile.h"

#include "core/ContractTemplate.h"
#include "store/engine/Errors.h"

#include <QFile>
#include <cerrno>
#include <cstdio>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace VersionFile {

QString fileName()
{
    return u"MERVANA.VER"_s;
}

QString defaultText()
{
    return u"Verzia 1.00"_s;
}

QString ioErrorText(int errorNumber)
{
    switch (errorNumber) {
    case ENOENT:
        return u"File not found"_s;
    case ENOTDIR:
    case ENAMETOOLONG:
    case EINVAL:
        return u"Invalid filename"_s;
    case EMFILE:
    case ENFILE:
        return u"Too many open files"_s;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: // a folder of that name cannot be read or written as a file
    case ETXTBSY:
        return u"File access denied"_s;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        return u"Disk full"_s;
    default:
        return u"I/O error %1"_s.arg(errorNumber);
    }
}

namespace {

struct CloseFile
{
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

// The C library keeps the system's error number, which names the failure as the runtime reports it.
[[noreturn]] void fail(int errorNumber)
{
    throw MervanaError(ioErrorText(errorNumber != 0 ? errorNumber : EIO));
}

// Like the contract template: Windows-1250 unless the file starts with a UTF-8 byte-order mark.
QString readFirstLine(const QByteArray& path)
{
    errno = 0;
    const File file(std::fopen(path.constData(), "rb"));
    if (!file) fail(errno);
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        bytes.append(buffer, qsizetype(n));
        if (n < sizeof buffer) {
            if (std::ferror(file.get())) fail(errno);
            break;
        }
    }
    return ContractTemplate::decode(bytes).value(0);
}

void writeLine(const QByteArray& path, const QString& text)
{
    errno = 0;
    File file(std::fopen(path.constData(), "wb"));
    if (!file) fail(errno);
    const QByteArray bytes = text.toLatin1() + "\r\n"; // plain ASCII, the same in every code page
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), file.get()) != size_t(bytes.size())) fail(errno);
    errno = 0;
    if (std::fclose(file.release()) != 0) fail(errno);
}

} // namespace

QString readOrCreate(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    if (QFile::exists(path)) return readFirstLine(native);
    writeLine(native, defaultText());
    return defaultText();
}

} // namespace VersionFile
