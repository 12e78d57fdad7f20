#include "support/simprinter.h"

#include <QEventLoop>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

#include <QFile>

#include <csignal>
#include <sys/file.h>

SimPrinter::SimPrinter(const QString &address, const QStringList &extraArgs)
    : m_address(address)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SIM_STATE_DIR", m_state.path());
    env.insert("PHP_CLI_SERVER_WORKERS", "4");
    m_process.setProcessEnvironment(env);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Its own process group, so that the server and its workers end together.
    m_process.start("setsid",
                    QStringList {qEnvironmentVariable("NETTOOL_SOURCE_DIR") + "/printer-sim/start.sh", address}
                        + extraArgs);
    if (!m_process.waitForStarted(5000))
        return;
    m_ready = QTest::qWaitFor(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(address, 9100);
            return probe.waitForConnected(200);
        },
        10000);
}

SimPrinter::~SimPrinter()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(-pid_t(m_process.processId()), SIGTERM);
    if (!m_process.waitForFinished(5000)) {
        ::kill(-pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(5000);
    }
}

SimPrinter::Answer SimPrinter::request(const QByteArray &method, const QString &path, const QByteArray &body,
                                       const QByteArray &contentType, int timeoutMs) const
{
    QNetworkAccessManager manager;
    QNetworkRequest request(QUrl("http://" + m_address + ":9100" + path));
    request.setHeader(QNetworkRequest::ContentTypeHeader, contentType);
    QNetworkReply *reply = manager.sendCustomRequest(request, method, body);
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    Answer answer;
    if (reply->isFinished()) {
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
    } else {
        reply->abort();
    }
    delete reply;
    return answer;
}

// Read from the file, under the printer's own lock: it works whatever
// address the printer has moved to.
QJsonObject SimPrinter::state() const
{
    QFile file(m_state.filePath("state.json"));
    if (!file.open(QIODevice::ReadOnly))
        return QJsonObject();
    ::flock(file.handle(), LOCK_SH);
    const QByteArray raw = file.readAll();
    ::flock(file.handle(), LOCK_UN);
    return QJsonDocument::fromJson(raw).object();
}

bool SimPrinter::control(const QJsonObject &command) const
{
    return request("POST", "/sim/control", QJsonDocument(command).toJson(), "application/json").status == 200;
}
