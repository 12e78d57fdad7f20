#include "ui/boxes.h"

#include <QApplication>
#include <QMessageBox>

namespace Boxes {
namespace {
bool g_closed = false;

QString tr(const char *text)
{
    return QCoreApplication::translate("cManage", text);
}
} // namespace

void warning(QWidget *parent, const char *title, const char *text)
{
    if (!g_closed)
        QMessageBox::warning(parent, tr(title), tr(text));
}

void warning(QWidget *parent, const char *title, const char *text, const QString &detail)
{
    if (!g_closed)
        QMessageBox::warning(parent, tr(title), tr(text) + detail);
}

void information(QWidget *parent, const char *title, const char *text)
{
    if (!g_closed)
        QMessageBox::information(parent, tr(title), tr(text));
}

void critical(QWidget *parent, const char *title, const char *text)
{
    if (!g_closed)
        QMessageBox::critical(parent, tr(title), tr(text));
}

void closeAll()
{
    g_closed = true;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *box = qobject_cast<QMessageBox *>(w))
            if (box->isVisible())
                box->done(QMessageBox::Ok);
}

void reopen()
{
    g_closed = false;
}
} // namespace Boxes
