#pragma once

#include <QString>

// Opens a web address offered by the web service (a version's download page,
// a notice's details, a link inside a notice's lines) in the desktop's
// browser, through the modal seam (modal::openUrl). Only http and https
// addresses are opened; anything else (file:, javascript:, a local program)
// is refused. Returns true when the address was handed to the desktop.
bool openWebAddress(const QString& address);

// True for an address that openWebAddress would open.
bool isWebAddress(const QString& address);
