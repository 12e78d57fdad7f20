#include "ui/boxes.h"

#include <QCoreApplication>
#include <QMessageBox>

namespace Boxes {
namespace {
QString tr(const char *text)
{
    return QCoreApplication::translate("cManage", text);
}
} // namespace

void warning(QWidget *parent, const char *title, const char *text)
{
    QMessageBox::warning(parent, tr(title), tr(text));
}

void information(QWidget *parent, const char *title, const char *text)
{
    QMessageBox::information(parent, tr(title), tr(text));
}

void critical(QWidget *parent, const char *title, const char *text)
{
    QMessageBox::critical(parent, tr(title), tr(text));
}
} // namespace Boxes
