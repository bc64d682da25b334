#pragma once

#include <QString>
#include <QStringList>

class FakeUnityBundle;

enum class ProbeUser { Root, Unprivileged };

// Runs the mirrelprobe helper on `bundle` with `arguments` (the operation first; the bundle's
// Unity path is put second) and returns what it printed, trimmed, or a description of how it
// failed. Unprivileged runs a copy of the probe, put in the bundle's root, as nobody (uid and gid
// 65534); the caller opens the bundle to others first (FakeUnityBundle::openToOthers).
QString runMirrelProbe(const FakeUnityBundle& bundle, QStringList arguments,
                       ProbeUser user = ProbeUser::Root);
