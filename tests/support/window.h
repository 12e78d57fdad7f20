#ifndef WINDOW_H
#define WINDOW_H

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QWidget>

// Reaching the window's widgets by their object names, as an operator's
// script would.
template<typename T> T *widget(QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QString::fromLatin1(name));
    if (!found)
        qFatal("no widget %s", name);
    return found;
}

inline QPushButton *button(QWidget &w, const char *name)
{
    return widget<QPushButton>(w, name);
}

inline QLineEdit *edit(QWidget &w, const char *name)
{
    return widget<QLineEdit>(w, name);
}

inline void type(QWidget &w, const char *name, const QString &text)
{
    edit(w, name)->setText(text);
}

inline void click(QWidget &w, const char *name)
{
    QTest::mouseClick(button(w, name), Qt::LeftButton);
}

#endif // WINDOW_H
