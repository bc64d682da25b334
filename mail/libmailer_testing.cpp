#include "libmailer_testing.h"

#include <mutex>

namespace mailer
{
namespace
{

std::mutex& settingsMutex()
{
    static std::mutex mutex;
    return mutex;
}

TransferSettings& settingsInForce()
{
    static TransferSettings settings;
    return settings;
}

} // namespace

TransferSettings currentTransferSettings()
{
    const std::lock_guard<std::mutex> lock(settingsMutex());
    return settingsInForce();
}

} // namespace mailer

void setMailerTestSettings(const mailer::TransferSettings& settings)
{
    const std::lock_guard<std::mutex> lock(mailer::settingsMutex());
    mailer::settingsInForce() = settings;
}

void resetMailerTestSettings()
{
    setMailerTestSettings(mailer::TransferSettings{});
}
