#include "StoreLocation.h"

#include "base/Settings.h"

namespace quirels::store {

Result<OpenOptions> storeOptions(const IniFile &settings, const std::optional<ServerUrl> &server)
{
    OpenOptions o;
    o.sharedFolder = settings.boolValue(settings::kSection, settings::kLocalShare, false);
    if (server) {
        o.server = server;
        return o;
    }
    const QString address = settings.value(settings::kSection, settings::kServidor).trimmed();
    if (!address.isEmpty()) {
        Result<ServerUrl> url = ServerUrl::parse(address);
        if (!url)
            return url.error();
        o.server = *url;
    }
    return o;
}

} // namespace quirels::store
