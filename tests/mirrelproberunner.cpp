#include "mirrelproberunner.h"

#include "fakeunitybundle.h"

#include <QFile>
#include <QProcess>

namespace
{
// The build tree may lie where nobody can't reach (under /root), so the unprivileged run takes a
// copy beside the bundle.
QString probeFor(const FakeUnityBundle& bundle, ProbeUser user)
{
    const QString built = QStringLiteral(MIRRELPROBE);
    if (user == ProbeUser::Root)
        return built;
    const QString copy = bundle.root() + QStringLiteral("/mirrelprobe");
    if (!QFile::exists(copy))
        QFile::copy(built, copy);
    return copy;
}
} // namespace

QString runMirrelProbe(const FakeUnityBundle& bundle, QStringList arguments, ProbeUser user)
{
    arguments.insert(1, bundle.unityPath());
    QString program = probeFor(bundle, user);
    if (user == ProbeUser::Unprivileged) {
        arguments = QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"),
                                QStringLiteral("--clear-groups"), program} +
                    arguments;
        program = QStringLiteral("setpriv");
    }
    QProcess probe;
    probe.start(program, arguments);
    if (!probe.waitForFinished(30000) || probe.exitStatus() != QProcess::NormalExit ||
        probe.exitCode() != 0)
        return QStringLiteral("probe failed (%1): %2")
            .arg(probe.exitCode())
            .arg(QString::fromLocal8Bit(probe.readAllStandardError()));
    return QString::fromUtf8(probe.readAllStandardOutput()).trimmed();
}
