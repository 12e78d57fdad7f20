// Changes and reads a whitelist store from the command line, so that a
// test can do it as another user: store_tool insert|select PATH [ADDRESS].
#include "core/whitelistdatabase.h"

#include <QCoreApplication>
#include <QtDebug>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    const QStringList args = app.arguments();
    WhiteListDatabase store;
    if (args.size() == 4 && args.at(1) == "insert")
        return store.insertIP(args.at(2), args.at(3)) ? 0 : 1;
    if (args.size() == 3 && args.at(1) == "select") {
        const QStringList all = store.selectIPs(args.at(2));
        std::printf("%s\n", qPrintable(all.join(',')));
        return all.contains("error") ? 1 : 0;
    }
    return 2;
}
