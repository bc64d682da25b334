#pragma once

class QWidget;

// Shows the outcome of an install, `code` being one of Install's Result codes, in one modal box
// parented to `parent`; a failure's box names its reason. Returns once the user closed the box.
void showInstallResult(QWidget* parent, int code);
// The same for an uninstall; any failure but ResultRenameFailed reads as a failed removal.
void showUninstallResult(QWidget* parent, int code);
