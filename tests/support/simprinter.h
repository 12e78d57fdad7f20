#ifndef SIMPRINTER_H
#define SIMPRINTER_H

#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

// The simulated printer (printer-sim/start.sh) on one address, with its
// state in a directory of its own, for end-to-end tests.
class SimPrinter
{
public:
    explicit SimPrinter(const QString &address, const QStringList &extraArgs = {});
    ~SimPrinter();

    bool isRunning() const { return m_ready; }
    QString address() const { return m_address; }
    QString stateDir() const { return m_state.path(); }

    QJsonObject state() const;
    bool control(const QJsonObject &command) const;

    struct Answer
    {
        int status = 0;
        QByteArray body;
    };
    // A plain request from the test itself (not through the tool).
    Answer request(const QByteArray &method, const QString &path, const QByteArray &body = QByteArray(),
                   const QByteArray &contentType = "application/x-www-form-urlencoded", int timeoutMs = 10000) const;

private:
    QString m_address;
    QTemporaryDir m_state;
    QProcess m_process;
    bool m_ready = false;
};

#endif // SIMPRINTER_H
