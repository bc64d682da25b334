#pragma once

#include <QString>
#include <cstdint>

// Notification-mail settings; copied whole by the error notification handler.
struct ErrorMailSetting {
    bool ErrorMailUse = false;
    QString ErrorMailServer;
    std::int32_t ErrorMailPort = 25;
    QString ErrorMailFrom;
    QString ErrorMailTo;
    bool ErrorMailAuthUse = false;
    QString ErrorMailAuthName;
    QString ErrorMailAuthPass; // clear text in memory; scrambled in settings.xml
};

// Every setting of the system. The converter reads the same values from settings.xml.
struct Setting {
    bool Enabled = false;
    bool pvrtcfast = false;
    bool pvrtcnormal = false;
    bool pvrtcbest = true;
    std::int32_t LimitImageSize = 1024;
    bool Only32bit = true;
    bool UseDebugConvert = false;
    QString UnityPath = QStringLiteral("/Applications/Unity/Unity.app");
    QString ConfigPath;
    std::int32_t QuorvaneFilter = 3;
    std::int32_t QuorvaneEdge = 0;
    std::int32_t QuorvaneSel = 0;
    std::int32_t DebugConvertOnRedirect = 0;
    ErrorMailSetting ErrorMail;
};
