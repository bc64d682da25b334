#include "manualpage.h"

#include <QCoreApplication>
#include <QDir>

QUrl manualPageUrl(const QString& fragment)
{
    const QDir macOS(QCoreApplication::applicationDirPath());
    QUrl url = QUrl::fromLocalFile(
        QDir::cleanPath(macOS.absoluteFilePath(QStringLiteral("../Resources/manual/index.html"))));
    if (!fragment.isEmpty())
        url.setFragment(fragment);
    return url;
}
