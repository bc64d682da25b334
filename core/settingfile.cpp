#include "apputil.h"
#include "settingfields.h"
#include "utility.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <cstdio>

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

bool isWriteOnlyFile(const QString& path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isWritable() && !info.isReadable();
}

// POSIX rename(): one step, and it replaces a settings.xml.bak left from before.
bool moveFile(const QString& from, const QString& to)
{
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

// Keeps a settings file we cannot read (a hand edit gone wrong, say) as settings.xml.bak
// before it is replaced: a copy, so it stays in place should the save fail, or, when it can be
// written but not read, the file itself, whose modes the new file must not take over. False
// when it can be neither: then it must not be replaced.
bool setAsideUnreadableFile(const QString& path)
{
    QByteArray bytes;
    QDomDocument doc;
    const QString backup = path + QStringLiteral(".bak");
    switch (readStoredFile(path, bytes, doc)) {
    case StoredFile::Missing:
    case StoredFile::Ours:
        return true;
    case StoredFile::Foreign:
        return writeBackup(backup, bytes);
    case StoredFile::Unopenable:
        return isWriteOnlyFile(path) && moveFile(path, backup);
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
    Setting stored = setting;
    dropNonXmlChars(stored);
    // Scrambled with the user name as it is written, which is the key it is read back with.
    const ErrorMailSetting& mail = stored.ErrorMail;
    QString scrambledPassword;
    EncodeAuthPassword(mail.ErrorMailAuthName, mail.ErrorMailAuthPass, scrambledPassword);

    const QString path = getSettingFile();
    if (!Utility::createAppDirectory(path) || !setAsideUnreadableFile(path))
        return false;

    // The new content goes to a temporary file that is renamed into place only when complete,
    // so neither a failure part-way nor the converter reading meanwhile sees a partial file.
    // Only a folder that takes no new file, beside a settings.xml that may be written, has the
    // file rewritten in place.
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    return writeDocument(settingDocument(stored, scrambledPassword), file) && file.commit();
}

QDomElement AppUtil::createElem(QDomDocument& doc, const QString& tag, const QString& value)
{
    QDomElement element = doc.createElement(tag);
    element.appendChild(doc.createTextNode(value));
    return element;
}
