#ifndef REQUEST_H
#define REQUEST_H

#include "core/result.h"
#include "net/timeouts.h"

#include <QFile>
#include <QMap>
#include <QString>
#include <QStringList>
#include <memory>

class HttpServices;

// One request to a printer, fully built: what goes on the wire and how long
// to wait. Sending it is the one way every caller talks to a printer.
struct Request
{
    enum class Method { Get, Post, Multipart };

    Method method = Method::Get;
    QString url;
    QStringList params; // form fields of a POST
    int timeoutMs = 0; // a POST's wait; a GET and an upload have their own
    int connectTimeoutMs = 0; // a POST not gone out by then is given up
    QString fileField; // multipart: the file part
    QString fileName;
    QMap<QString, QString> fields;
    std::unique_ptr<QFile> file;

    // Hands the request (and its file) to `service`, which reports its end.
    void sendWith(HttpServices *service);
};

// A request ready to go, or why it may not be sent.
struct Prepared
{
    Result refusal = Result::success();
    Request request;

    bool ready() const { return refusal.ok(); }
    static Prepared refused(const Result &why);
};

#endif // REQUEST_H
