#include "support/debugcapture.h"

#include <QtGlobal>

namespace {
QStringList g_lines;
QtMessageHandler g_previous = nullptr;
int g_active = 0;

void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    g_lines << message;
    if (g_previous)
        g_previous(type, context, message);
}
} // namespace

DebugCapture::DebugCapture()
{
    if (g_active++ == 0) {
        g_lines.clear();
        g_previous = qInstallMessageHandler(handler);
    }
}

DebugCapture::~DebugCapture()
{
    if (--g_active == 0)
        qInstallMessageHandler(g_previous);
}

QStringList DebugCapture::lines() const
{
    return g_lines;
}

bool DebugCapture::contains(const QString &fragment) const
{
    for (const QString &line : g_lines)
        if (line.contains(fragment))
            return true;
    return false;
}

void DebugCapture::clear()
{
    g_lines.clear();
}
