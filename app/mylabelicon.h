#pragma once

#include <QWidget>

class QIcon;
class QLabel;

// The main window's state line: an icon, a fixed 4-pixel gap, then a line of text that takes
// the remaining width. The owner sets the text and its style sheet on textLabel directly.
class MyLabelIcon : public QWidget
{
    Q_OBJECT

public:
    // Builds both labels, empty, in their row.
    explicit MyLabelIcon(QWidget* parent = nullptr);
    ~MyLabelIcon() override;

    // Shows `icon` as a square pixmap one line of textLabel's current font high.
    // A null pointer changes nothing.
    void setIcon(const QIcon* icon);

    QLabel* textLabel = nullptr;
    QLabel* iconLabel = nullptr;
};
