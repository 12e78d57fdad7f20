#ifndef DEBUGCAPTURE_H
#define DEBUGCAPTURE_H

#include <QStringList>

// Collects the messages written to Qt's debug output while it lives (and
// still forwards them to the previous handler, so test logs keep them).
class DebugCapture
{
public:
    DebugCapture();
    ~DebugCapture();

    QStringList lines() const;
    bool contains(const QString &fragment) const;
    void clear();

private:
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;
};

#endif // DEBUGCAPTURE_H
