#include "app/startup.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLockFile>
#include <QTranslator>

namespace Startup {

QString lockFilePath()
{
    return QStringLiteral("/var/varnok/INSTALL/nettoollockfile");
}

LockOutcome takeLock(QLockFile &lock)
{
    if (lock.tryLock(0))
        return LockOutcome::Taken;
    return lock.error() == QLockFile::LockFailedError ? LockOutcome::HeldElsewhere : LockOutcome::Unavailable;
}

bool installCatalogue(QTranslator &translator, const QString &dir)
{
    const bool loaded = translator.load(dir + QStringLiteral("/qt_zh_CN.qm"), QString(), QString(), QString());
    QCoreApplication::installTranslator(&translator);
    return loaded;
}

QString applyApplicationFont(const QString &dir)
{
    // Fill the font database first: a font added to an empty database is
    // parsed again when the database fills at the first text measured, and
    // this font is a 16 MiB collection.
    { QFontDatabase filled; }
    const int id = QFontDatabase::addApplicationFont(dir + QStringLiteral("/wqy-zenhei.ttf"));
    if (id == -1)
        return QString();
    const QStringList families = QFontDatabase::applicationFontFamilies(id);
    if (families.isEmpty())
        return QString();
    QFont font(families.first(), 10, -1, false);
    font.setWeight(50);
    QApplication::setFont(font);
    return families.first();
}

QPoint centredPosition(const QSize &desktop, const QSize &window)
{
    return QPoint((desktop.width() - window.width()) / 2, (desktop.height() - window.height()) / 2);
}

} // namespace Startup
