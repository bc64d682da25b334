#include "apputil.h"
#include "settingfields.h"
#include "utility.h"

#include <QDomDocument>
#include <QFile>
#include <QSaveFile>
#include <QTextStream>

namespace
{

const QString rootName = QStringLiteral("MirrelSetting");

enum class StoredFile { Missing, Unopenable, Foreign, Ours };

// What stands at `path`; for a file of ours, `doc` holds it parsed, for a foreign or malformed
// one `bytes` holds its content.
StoredFile readStoredFile(const QString& path, QByteArray& bytes, QDomDocument& doc)
{
    QFile file(path);
    if (!file.exists())
        return StoredFile::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return StoredFile::Unopenable;
    bytes = file.readAll();
    if (!doc.setContent(bytes, true) || doc.documentElement().tagName() != rootName)
        return StoredFile::Foreign;
    return StoredFile::Ours;
}

const SettingField* findField(const std::array<SettingField, 21>& fields, const QString& name)
{
    for (const SettingField& field : fields) {
        if (name == QLatin1String(field.name))
            return &field;
    }
    return nullptr;
}

// Fills `setting` from the file at `path` when it is ours; otherwise leaves it untouched.
void readSetting(const QString& path, Setting& setting)
{
    QByteArray bytes;
    QDomDocument doc;
    if (readStoredFile(path, bytes, doc) != StoredFile::Ours)
        return;

    QString scrambledPassword;
    const auto fields = settingFields(setting, scrambledPassword);
    for (QDomNode node = doc.documentElement().firstChild(); !node.isNull();
         node = node.nextSibling()) {
        const QDomElement element = node.toElement();
        if (const SettingField* field = findField(fields, element.tagName()))
            setFieldFromText(*field, element.text());
    }
    // Only now is the user name known, wherever it stood in the file.
    ErrorMailSetting& mail = setting.ErrorMail;
    AppUtil::DecodeAuthPassword(mail.ErrorMailAuthName, scrambledPassword, mail.ErrorMailAuthPass);
}

QDomDocument settingDocument(const Setting& setting, const QString& scrambledPassword)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(rootName);
    doc.appendChild(root);
    doc.insertBefore(
        doc.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\"")),
        doc.firstChild());

    Setting values = setting;
    QString password = scrambledPassword;
    for (const SettingField& field : settingFields(values, password))
        root.appendChild(
            AppUtil::createElem(doc, QString::fromLatin1(field.name), fieldText(field)));
    return doc;
}

bool writeDocument(const QDomDocument& doc, QSaveFile& file)
{
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QTextStream stream(&file);
    // The declaration names no encoding, so the stream is set to UTF-8.
    doc.save(stream, 4, QDomNode::EncodingFromDocument);
    stream.flush();
    return stream.status() == QTextStream::Ok;
}

bool writeBackup(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

// Keeps a copy of a settings file we cannot read (a hand edit gone wrong, say) as
// settings.xml.bak before it is replaced. False when the file cannot even be read: then it
// must not be replaced.
bool setAsideUnreadableFile(const QString& path)
{
    QByteArray bytes;
    QDomDocument doc;
    switch (readStoredFile(path, bytes, doc)) {
    case StoredFile::Missing:
    case StoredFile::Ours:
        return true;
    case StoredFile::Foreign:
        return writeBackup(path + QStringLiteral(".bak"), bytes);
    case StoredFile::Unopenable:
        break;
    }
    return false;
}

} // namespace

Setting AppUtil::loadSetting()
{
    Setting setting;
    const QString path = getSettingFile();
    if (Utility::createAppDirectory(path))
        readSetting(path, setting);
    if (setting.UnityPath.isEmpty())
        setting.UnityPath = Setting().UnityPath;
    return setting;
}

bool AppUtil::saveSetting(const Setting& setting)
{
    const ErrorMailSetting& mail = setting.ErrorMail;
    QString scrambledPassword;
    EncodeAuthPassword(mail.ErrorMailAuthName, mail.ErrorMailAuthPass, scrambledPassword);

    const QString path = getSettingFile();
    if (!Utility::createAppDirectory(path))
        return false;

    // The new content goes to a temporary file that is renamed into place only when complete,
    // so neither a failure part-way nor the converter reading meanwhile sees a partial file.
    QSaveFile file(path);
    if (!writeDocument(settingDocument(setting, scrambledPassword), file))
        return false;
    return setAsideUnreadableFile(path) && file.commit();
}

QDomElement AppUtil::createElem(QDomDocument& doc, const QString& tag, const QString& value)
{
    QDomElement element = doc.createElement(tag);
    element.appendChild(doc.createTextNode(value));
    return element;
}
