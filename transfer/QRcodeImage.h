#pragma once

#include <QString>
#include <QStringList>

#include <string>

// Draws the phone-transfer address as a QR code with the outside barcode
// program zint (found beside the program, else on the PATH), into the file
// "tmp/qrcode.png" of the data folder (the working directory).
namespace qrcode {

// "tmp/qrcode.png", relative to the working directory.
QString pictureFile();

// zint's arguments for data: output file, symbology 58 (QR Code), scale 3.
QStringList arguments(const QString& data);

// The program that is run: the one set by setProgram, else "zint" beside the
// program, else "zint" on the PATH; empty when there is none.
QString program();
// Uses path in place of the lookup (tests); an empty path restores it.
// Returns the previous setting.
QString setProgram(const QString& path);

// Removes the old picture first (so an old code never stands for a new
// address), runs zint with a bounded wait and checks its exit code. 0 with
// path = pictureFile(); 2 when zint is missing or cannot start; -1 when it
// failed, timed out or wrote no picture. An empty data gives -1.
int draw(const std::string& data, std::string& path);

}  // namespace qrcode
