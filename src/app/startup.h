#ifndef STARTUP_H
#define STARTUP_H

#include <QPoint>
#include <QSize>
#include <QString>

class QLockFile;
class QTranslator;

namespace Startup {

// The one place the single-instance lock lives.
QString lockFilePath();

enum class LockOutcome {
    Taken,
    HeldElsewhere, // another instance runs: a normal refusal
    Unavailable, // the lock cannot be created at all: an installation fault
};

// A single attempt that does not wait.
LockOutcome takeLock(QLockFile &lock);

// Loads dir + "/qt_zh_CN.qm" and installs the translator whatever the load
// gave; returns whether the load succeeded.
bool installCatalogue(QTranslator &translator, const QString &dir);

// Registers dir + "/wqy-zenhei.ttf" and makes its first family the
// application font at 10 pt, normal weight. Returns the family, or an empty
// text when the platform default stays.
QString applyApplicationFont(const QString &dir);

// Top-left corner that centres a window on the desktop; truncating division,
// so a desktop smaller than the window gives negative coordinates.
QPoint centredPosition(const QSize &desktop, const QSize &window);

} // namespace Startup

#endif // STARTUP_H
