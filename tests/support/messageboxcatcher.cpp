#include "support/messageboxcatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QTest>
#include <QTimer>

MessageBoxCatcher::MessageBoxCatcher(QObject *parent)
    : QObject(parent)
{
    qApp->installEventFilter(this);
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    qApp->removeEventFilter(this);
}

bool MessageBoxCatcher::waitForCount(int n, int ms)
{
    // A plain event loop: QTest's waits sleep between turns, which would
    // throttle an upload the window is feeding meanwhile.
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (m_boxes.size() >= n)
            loop.quit();
    });
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    poll.start(5);
    if (m_boxes.size() < n)
        loop.exec();
    return m_boxes.size() >= n;
}

bool MessageBoxCatcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            Box seen;
            seen.icon = box->icon();
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.parent = box->parentWidget();
            seen.hasParent = seen.parent != nullptr;
            for (QAbstractButton *button : box->buttons())
                seen.buttons << button->text();
            m_boxes << seen;
            QPointer<QMessageBox> guarded(box);
            QTimer::singleShot(0, this, [this, guarded] { answer(guarded); });
        }
    }
    return QObject::eventFilter(watched, event);
}

void MessageBoxCatcher::answer(QPointer<QMessageBox> box)
{
    if (!box)
        return;
    if (whileOpen)
        whileOpen(box);
    if (!box)
        return;
    QAbstractButton *ok = box->button(QMessageBox::Ok);
    if (ok)
        ok->click();
    else
        box->reject();
}
