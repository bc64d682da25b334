#include "mylabelicon.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QSpacerItem>

MyLabelIcon::MyLabelIcon(QWidget* parent) : QWidget(parent)
{
    iconLabel = new QLabel(this);
    iconLabel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    textLabel = new QLabel(this);
    textLabel->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(iconLabel);
    row->addSpacerItem(new QSpacerItem(4, 0, QSizePolicy::Fixed, QSizePolicy::Preferred));
    row->addWidget(textLabel);
    setLayout(row);
}

MyLabelIcon::~MyLabelIcon() = default;

void MyLabelIcon::setIcon(const QIcon* icon)
{
    if (!icon)
        return;
    const int side = QFontMetrics(textLabel->font()).height();
    iconLabel->setPixmap(icon->pixmap(side, side, QIcon::Normal, QIcon::Off));
}
