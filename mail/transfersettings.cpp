#include "transfersettings.h"

namespace mailer
{

// The library the application ships has no way to change them.
TransferSettings currentTransferSettings()
{
    return {};
}

} // namespace mailer
