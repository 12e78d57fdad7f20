// Renders each page of the main window to PNG, with the catalogue and the
// font the tool itself loads, for the README.
#include "app/startup.h"
#include "ui/cmanage.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QTabWidget>
#include <QTranslator>

#include <cstdio>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/pages");
    QDir().mkpath(out);
    QTranslator translator;
    Startup::installCatalogue(translator, QCoreApplication::applicationDirPath());
    if (Startup::applyApplicationFont(QCoreApplication::applicationDirPath()).isEmpty()) {
        std::fprintf(stderr, "wqy-zenhei.ttf not found beside the executable\n");
        return 1;
    }

    cManage window;
    auto set = [&](const char *name, const char *text) {
        if (auto *e = window.findChild<QLineEdit *>(QString::fromLatin1(name)))
            e->setText(QString::fromUtf8(text));
    };
    // Example values an operator would type, so the pictures show a page in use.
    set("lineEdit", "192.168.1.50");
    set("lineEdit_2", "192.168.1.60");
    set("lineEdit_3", "255.255.255.0");
    set("lineEdit_4", "192.168.1.1");
    set("lineEdit_6", "192.168.1.50");
    set("lineEdit_7", "192.168.1.50");
    set("lineEdit_8", "1.0.0");
    set("lineEdit_9", "/home/operator/firmware/board-1.1.0.tar.gz");
    set("lineEdit_5", "192.168.1.50");
    set("lineEdit_13", "1024");
    set("lineEdit_12", "192.168.1.50");

    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    const char *names[] = {"0-network", "1-clock", "2-firmware", "3-counter", "4-whitelist", "5-queue"};
    window.show();
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        if (i == 4) {
            set("lineEdit_11", "192.168.1.50");
            set("lineEdit_10", "192.168.1.23");
            auto *list = window.findChild<QListWidget *>(QStringLiteral("whiteListWidget"));
            list->clear();
            list->addItems({"192.168.1.20", "192.168.1.21", "192.168.1.22"});
            // As after "加载策略": the list is loaded and can be changed.
            for (const char *b : {"whiteListAddButton", "whiteListRemoveButton"})
                window.findChild<QWidget *>(QString::fromLatin1(b))->setEnabled(true);
        }
        app.processEvents();
        const QString file = out + QStringLiteral("/%1.png").arg(QString::fromLatin1(names[i]));
        if (!window.grab().save(file)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
            return 1;
        }
        std::printf("%s\n", qPrintable(file));
    }
    return 0;
}
