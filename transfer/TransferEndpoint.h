#pragma once

#include <functional>
#include <string>
#include <vector>

// Where the phone-transfer dialogs listen and which address their QR code
// shows. In the program: every IPv4 interface, port 8080, and the first
// address of libevent::getLocalIP. Tests bind 127.0.0.1 with a port chosen by
// the system and hand out "127.0.0.1" as the address.
namespace transfer {

struct Endpoint {
    std::string bindAddress = "0.0.0.0";
    int port = 8080;
};

Endpoint endpoint();
// Replaces the endpoint for every dialog built afterwards; returns the old one.
Endpoint setEndpoint(const Endpoint& next);

using AddressProvider = std::function<int(std::vector<std::string>&)>;

// The local addresses a phone may reach (libevent::getLocalIP unless a
// provider is installed): 0 on success, the list possibly empty.
int localAddresses(std::vector<std::string>& list);
// Installs a provider (an empty one restores libevent::getLocalIP); returns
// the old one.
AddressProvider setAddressProvider(AddressProvider provider);

}  // namespace transfer
