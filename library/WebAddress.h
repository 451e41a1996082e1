#pragma once

#include <QString>
#include <functional>

class QUrl;

// Opens a web address offered by the web service (a version's download page,
// a notice's details) in the desktop's browser. Only http and https addresses
// are opened; anything else (file:, javascript:, a local program) is refused.
// Returns true when the address was handed to the desktop.
bool openWebAddress(const QString& address);

// True for an address that openWebAddress would open.
bool isWebAddress(const QString& address);

// Tests replace the desktop call; the default opens the browser.
std::function<bool(const QUrl&)>& webAddressOpener();
