#pragma once

#include <QString>
#include <QUrl>

// The file URL of the manual shipped with the application, in the bundle's Contents/Resources
// folder beside Contents/MacOS, which holds the executable. `fragment` names a section.
QUrl manualPageUrl(const QString& fragment = QString());

// The manual's question-and-answer section on editors installed by Unity Hub.
inline const char ManualUnityHubSection[] = "unity-hub";
