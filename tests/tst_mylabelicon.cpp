// The state line widget: its row and the size of its icon.

#include "mylabelicon.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QStyle>
#include <QTest>

class TestMyLabelIcon : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void rowIsIconGapText();
    void iconIsOneTextLineHigh();
    void nullIconChangesNothing();
};

void TestMyLabelIcon::rowIsIconGapText()
{
    MyLabelIcon line;
    line.setGeometry(20, 280, 301, 16);
    const QIcon icon = line.style()->standardIcon(QStyle::SP_MessageBoxWarning);
    line.setIcon(&icon);
    line.textLabel->setText(QStringLiteral("Quorvaneが組み込まれていません"));
    line.show();
    QVERIFY(QTest::qWaitForWindowExposed(&line));

    QCOMPARE(line.iconLabel->x(), 0);
    QCOMPARE(line.textLabel->x(), line.iconLabel->geometry().right() + 1 + 4);
    QCOMPARE(line.textLabel->geometry().right(), line.width() - 1);
}

void TestMyLabelIcon::iconIsOneTextLineHigh()
{
    MyLabelIcon line;
    QFont font = line.textLabel->font();
    font.setPixelSize(23);
    line.textLabel->setFont(font);
    const int side = QFontMetrics(font).height();
    QPixmap square(64, 64);
    square.fill(Qt::cyan);
    const QIcon icon(square);

    line.setIcon(&icon);

    QCOMPARE(line.iconLabel->pixmap(Qt::ReturnByValue).size(), QSize(side, side));
    // A later font change waits for the next setIcon.
    font.setPixelSize(40);
    line.textLabel->setFont(font);
    QCOMPARE(line.iconLabel->pixmap(Qt::ReturnByValue).size(), QSize(side, side));
}

void TestMyLabelIcon::nullIconChangesNothing()
{
    MyLabelIcon line;
    QVERIFY(line.iconLabel->pixmap(Qt::ReturnByValue).isNull());
    QVERIFY(line.textLabel->text().isEmpty());
    const QIcon icon = line.style()->standardIcon(QStyle::SP_MessageBoxWarning);
    line.setIcon(&icon);
    const QImage shown = line.iconLabel->pixmap(Qt::ReturnByValue).toImage();

    line.setIcon(nullptr);

    QCOMPARE(line.iconLabel->pixmap(Qt::ReturnByValue).toImage(), shown);
}

QTEST_MAIN(TestMyLabelIcon)
#include "tst_mylabelicon.moc"
