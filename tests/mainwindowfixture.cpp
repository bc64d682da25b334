#include "mainwindowfixture.h"

#include "apputil.h"
#include "settingfields.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace
{

// sysfs reports a size of one page for this file but gives only a few bytes.
const char ShortReadFile[] = "/sys/devices/system/cpu/online";

} // namespace

bool setBundleState(const FakeUnityBundle& bundle, BundleState state)
{
    if (!QDir(bundle.toolsFolder()).removeRecursively() || !QDir().mkpath(bundle.toolsFolder()))
        return false;
    switch (state) {
    case BundleState::ToolMissing:
        return true;
    case BundleState::Installed:
        return bundle.makeInstalled(true);
    case BundleState::NotInstalled:
        return bundle.makeUnityTool();
    case BundleState::OriginalMissing:
        return bundle.makeInstalled(false);
    case BundleState::OtherTool:
        return bundle.writeTool("#!/bin/sh\n# a texture tool of somebody else\nexit 0\n");
    case BundleState::ReadError:
        return QFile::link(QString::fromLatin1(ShortReadFile), bundle.toolPath());
    case BundleState::OriginalLoop:
        return bundle.makeUnityTool() && QFile::link(bundle.originalPath(), bundle.originalPath());
    }
    return false;
}

bool MainWindowFixture::storeSettings(Setting setting) const
{
    setting.UnityPath = bundle.unityPath();
    return AppUtil::saveSetting(setting);
}

QByteArray toolsSnapshot(const FakeUnityBundle& bundle)
{
    QByteArray snapshot;
    const QFileInfoList entries =
        QDir(bundle.toolsFolder())
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        snapshot += entry.fileName().toUtf8() + ':';
        if (entry.isSymLink()) {
            snapshot += "link to " + QFile::encodeName(entry.symLinkTarget())
                                         .replace(QFile::encodeName(bundle.root()), "<root>");
        } else if (entry.isDir()) {
            snapshot += "folder";
        } else {
            QFile file(entry.filePath());
            snapshot += file.open(QIODevice::ReadOnly) ? file.readAll() : "unreadable";
        }
        snapshot += '\n';
    }
    return snapshot;
}

QByteArray snapshotOf(BundleState state)
{
    const FakeUnityBundle other;
    return setBundleState(other, state) ? toolsSnapshot(other) : QByteArray("cannot be made");
}

QStringList describe(const Setting& setting)
{
    Setting copy = setting;
    QString unusedScrambled;
    QStringList fields;
    for (const SettingField& field : settingFields(copy, unusedScrambled))
        fields << QString::fromLatin1(field.name) + QLatin1Char('=') + fieldText(field);
    fields.last() = QStringLiteral("ErrorMailAuthPass=") + setting.ErrorMail.ErrorMailAuthPass;
    return fields;
}

QString bundleOfApplication()
{
    const QString macOS = QCoreApplication::applicationDirPath();
    return QFileInfo(QFileInfo(macOS).absolutePath()).absolutePath();
}
