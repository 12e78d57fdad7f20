#ifndef MESSAGEBOXCATCHER_H
#define MESSAGEBOXCATCHER_H

#include <QList>
#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <functional>

// Records every QMessageBox that opens while it lives and presses its Ok
// button. A test that wants to look around while a box is open (buttons of
// the window, a file on disk) sets whileOpen: it runs inside the box's own
// event loop, before Ok is pressed.
class MessageBoxCatcher : public QObject
{
    Q_OBJECT

public:
    struct Box
    {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString title;
        QString text;
        bool hasParent = false;
        QWidget *parent = nullptr;
        QStringList buttons;
    };

    explicit MessageBoxCatcher(QObject *parent = nullptr);
    ~MessageBoxCatcher() override;

    std::function<void(QMessageBox *)> whileOpen;

    const QList<Box> &boxes() const { return m_boxes; }
    int count() const { return m_boxes.size(); }
    const Box &last() const { return m_boxes.last(); }
    void clear() { m_boxes.clear(); }

    // Spins the event loop until `n` boxes have been seen or `ms` passed.
    bool waitForCount(int n, int ms = 5000);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void answer(QPointer<QMessageBox> box);
    QList<Box> m_boxes;
};

#endif // MESSAGEBOXCATCHER_H
