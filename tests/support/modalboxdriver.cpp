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
    m_answered.clear();
    m_seen.clear();
}

void ModalBoxDriver::poll()
{
    closeStuckBoxes();
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() || modal->property(HandledProperty).toBool())
        return;
    modal->setProperty(HandledProperty, true);

    SeenBox seen = describe(modal);
    if (m_answers.isEmpty()) {
        closeUnexpected(modal, seen);
        return;
    }
    seen.answered = true;
    m_seen.append(seen);
    m_answered.append({modal, QDeadlineTimer(15000)});
    m_answers.takeFirst()(modal);
}

void ModalBoxDriver::closeStuckBoxes()
{
    for (int i = m_answered.size() - 1; i >= 0; --i) {
        QWidget* box = m_answered[i].first;
        if (box && box->isVisible() && !m_answered[i].second.hasExpired())
            continue;
        m_answered.removeAt(i);
        if (box && box->isVisible()) {
            qWarning("The box \"%s\" stayed open 15 s after its answer",
                     qPrintable(box->windowTitle()));
            closeUnexpected(box, describe(box));
        }
    }
}

void ModalBoxDriver::closeUnexpected(QWidget* modal, SeenBox seen)
{
    m_seen.append(seen);
    QTest::keyClick(modal, Qt::Key_Escape);
    // A message box without an escape button ignores both Escape and close().
    if (auto* dialog = qobject_cast<QDialog*>(modal); dialog && dialog->isVisible())
        dialog->done(QDialog::Rejected);
    else if (modal->isVisible())
        modal->close();
}
