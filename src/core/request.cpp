#include "core/request.h"

#include "net/httpservices.h"

void Request::sendWith(HttpServices *service)
{
    switch (method) {
    case Method::Get:
        service->getRequest(url, 1);
        break;
    case Method::Post:
        if (connectTimeoutMs > 0)
            service->setConnectTimeout(connectTimeoutMs);
        service->postRequest(url, params, 1, timeoutMs);
        break;
    case Method::Multipart:
        service->postMultipart(url, fileField, fileName, file.release(), fields, 1);
        break;
    }
}

Prepared Prepared::refused(const Result &why)
{
    Prepared p;
    p.refusal = why;
    return p;
}
