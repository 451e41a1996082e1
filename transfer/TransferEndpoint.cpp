#include "transfer/TransferEndpoint.h"

#include <utility>

#include "transfer/libevent.h"

namespace transfer {
namespace {

Endpoint& current()
{
    static Endpoint value;
    return value;
}

AddressProvider& provider()
{
    static AddressProvider value;
    return value;
}

}  // namespace

Endpoint endpoint()
{
    return current();
}

Endpoint setEndpoint(const Endpoint& next)
{
    return std::exchange(current(), next);
}

int localAddresses(std::vector<std::string>& list)
{
    if (provider())
        return provider()(list);
    return libevent::getLocalIP(list);
}

AddressProvider setAddressProvider(AddressProvider next)
{
    return std::exchange(provider(), std::move(next));
}

}  // namespace transfer
