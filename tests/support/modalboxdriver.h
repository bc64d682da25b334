#pragma once

#include <QDeadlineTimer>
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

// What a test saw of one modal box before it answered it.
struct SeenBox {
    QString title;
    QString text;
    Qt::TextFormat textFormat = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QSize iconPixmapSize;
    QMessageBox::StandardButtons buttons;
    QString defaultButtonText; // empty when the box has no default button
    bool answered = false;     // false: nobody expected this box and the driver closed it
};

// Answers modal widgets from a timer, as a user would: each box that becomes the active modal
// widget is recorded and answered with the next queued answer. A box that finds no answer in
// the queue is recorded as unexpected and closed with Escape, and so is one still open
// 15 s after its answer, with a warning that names it: either fails its test (see
// unexpectedBoxes()) instead of hanging the run.
class ModalBoxDriver : public QObject
{
    Q_OBJECT
public:
    using Action = std::function<void(QWidget*)>;

    explicit ModalBoxDriver(QObject* parent = nullptr);

    // Press a standard button of the next QMessageBox.
    void answer(QMessageBox::StandardButton button);
    // Send a key to the next modal widget (Qt::Key_Return, Qt::Key_Escape, ...).
    void answerWithKey(Qt::Key key);
    // Hand the next modal widget to `action`, which must close it (directly or later).
    void answerWith(Action action);

    const QList<SeenBox>& seen() const { return m_seen; }
    QList<SeenBox> unexpectedBoxes() const;
    int pendingAnswers() const { return m_answers.size(); }
    // Forgets what was seen and drops queued answers.
    void reset();

private:
    void poll();
    void closeStuckBoxes();
    void closeUnexpected(QWidget* modal, SeenBox seen);

    QTimer m_timer;
    QList<QPair<QPointer<QWidget>, QDeadlineTimer>> m_answered; // each to be closed by a deadline
    QList<Action> m_answers;
    QList<SeenBox> m_seen;
};
