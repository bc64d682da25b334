#include "apputil.h"
#include "utility.h"

#include <QDomDocument>
#include <QFile>
#include <QLocale>

QMap<QString, QString> AppUtil::stringTable;

std::string Utility::GetProcessLanguage()
{
    return QLocale::system().name().startsWith(QLatin1String("ja")) ? "ja" : "en";
}

QString AppUtil::IDS(const QString& key)
{
    if (stringTable.isEmpty())
        loadResouceString();
    const auto entry = stringTable.constFind(key);
    return entry == stringTable.constEnd() ? QStringLiteral("(nullptr)") : *entry;
}

namespace
{

// Stores every Item child of `table`; a repeated key takes the later text.
void storeItems(const QDomNode& table)
{
    for (QDomNode node = table.firstChild(); !node.isNull(); node = node.nextSibling()) {
        const QDomElement item = node.toElement();
        if (item.tagName() != QLatin1String("Item"))
            continue;
        const QString key = item.attribute(QStringLiteral("Key"));
        AppUtil::stringTable.insert(key, item.attribute(QStringLiteral("Value")));
    }
}

void loadTableFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QDomDocument doc;
    doc.setContent(&file, false); // a partial document is walked all the same
    // The declaration is the first top-level node; the root must follow it directly.
    const QDomNode root = doc.firstChild().nextSibling();
    if (!root.isElement() || root.nodeName() != QLatin1String("ApplicationGUI"))
        return;
    const QDomNode table = root.firstChild();
    if (!table.isElement() || table.nodeName() != QLatin1String("StringTable"))
        return;
    storeItems(table);
}

} // namespace

void AppUtil::loadResouceString()
{
    const QString path = QStringLiteral(":/string/res/gui.") +
                         QString::fromStdString(Utility::GetProcessLanguage()) +
                         QStringLiteral(".xml");
    // A lookup must never fail because of the table: whatever was stored before a failure stays.
    try {
        loadTableFile(path);
    } catch (...) {
    }
}
