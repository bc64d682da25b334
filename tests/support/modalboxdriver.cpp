#include "modalboxdriver.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QTest>

namespace
{
const char HandledProperty[] = "modalBoxDriverHandled";

SeenBox describe(QWidget* modal)
{
    SeenBox seen;
    seen.title = modal->windowTitle();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
        seen.text = box->text();
        seen.textFormat = box->textFormat();
        seen.icon = box->icon();
        seen.iconPixmapSize = box->iconPixmap().size();
        seen.buttons = box->standardButtons();
        if (QPushButton* def = box->defaultButton())
            seen.defaultButtonText = def->text();
    }
    return seen;
}
} // namespace

ModalBoxDriver::ModalBoxDriver(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(20);
    connect(&m_timer, &QTimer::timeout, this, &ModalBoxDriver::poll);
    m_timer.start();
}

void ModalBoxDriver::answer(QMessageBox::StandardButton button)
{
    m_answers.append([button](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QAbstractButton* target = box ? box->button(button) : nullptr;
        if (target)
            target->click();
        else
            QTest::keyClick(modal, Qt::Key_Escape);
    });
}

void ModalBoxDriver::answerWithKey(Qt::Key key)
{
    m_answers.append([key](QWidget* modal) {
        QWidget* receiver = modal->focusWidget() ? modal->focusWidget() : modal;
        QTest::keyClick(receiver, key);
    });
}

void ModalBoxDriver::answerWith(Action action)
{
    m_answers.append(std::move(action));
}

QList<SeenBox> ModalBoxDriver::unexpectedBoxes() const
{
    QList<SeenBox> result;
    for (const SeenBox& box : m_seen)
        if (!box.answered)
            result.append(box);
    return result;
}

void ModalBoxDriver::reset()
{
    m_answers.clear();
    m_seen.clear();
}

void ModalBoxDriver::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->property(HandledProperty).toBool())
        return;
    modal->setProperty(HandledProperty, true);

    SeenBox seen = describe(modal);
    if (m_answers.isEmpty()) {
        m_seen.append(seen);
        QTest::keyClick(modal, Qt::Key_Escape);
        if (modal->isVisible())
            modal->close();
        return;
    }
    seen.answered = true;
    m_seen.append(seen);
    m_answers.takeFirst()(modal);
}
