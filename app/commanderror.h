#pragma once

#include <QString>
#include <functional>

class QWidget;

// Runs one user command of a window. An exception that leaves `command` stops only that
// command: it is shown in a warning box parented to `parent` and titled with the product
// title, and the window stays usable, so no exception ever reaches the Qt event loop.
// Returns true when the command ran to its end.
bool runCommand(QWidget* parent, const std::function<void()>& command);

// For an error box, called inside a catch handler: `sentence`, and after a blank line the
// caught exception's own text when it is a std::exception that has one.
QString caughtErrorText(const QString& sentence);
