#pragma once

// Runs the process once its QApplication exists and returns its exit code. With "/SendMail"
// and "/ErrorCode:<code>" on the command line: the notification, then 0, or 1 without a box
// when it failed. Otherwise the main window until the event loop ends, with the loop's result;
// an error that keeps the window from starting is shown in a critical box, then 1.
int runApplication();
