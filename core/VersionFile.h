#pragma once

#include <QString>

// The version text of the installation: the first line of a small text file in the working directory.
namespace VersionFile {

QString fileName();    // "MERVANA.VER"
QString defaultText(); // "Verzia 1.00"

// The first line of the file at path (without its line break; empty for an empty file). A missing file
// is written with defaultText() as its one line, which is then the text. Throws MervanaError with the
// runtime's input/output message ("File access denied", "Disk full", ...) when the file cannot be read
// or written.
QString readOrCreate(const QString& path);

// The runtime's message for an input/output failure with the system's error number.
QString ioErrorText(int errorNumber);

} // namespace VersionFile
