#include "ui/cmanage.h"

#include <QBoxLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    template<typename T> T *child(cManage &w, const char *name)
    {
        T *found = w.findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("missing widget %s", name);
        return found;
    }

private slots:
    void windowFrame();
    void tabsInOrder();
    void fixedPages_data();
    void fixedPages();
    void initialStates();
    void networkPageLayouts();
    void slotsInDeclaredOrder();
    void pageChangeResetsWhitelistPage();
    void pageFourChangesNothing();
};

void TestMainWindow::windowFrame()
{
    cManage w;
    QCOMPARE(w.objectName(), QStringLiteral("cManage"));
    QCOMPARE(w.size(), QSize(539, 407));
    QCOMPARE(w.minimumSize(), QSize(539, 407));
    QCOMPARE(w.maximumSize(), QSize(539, 407));
    QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
    QCOMPARE(w.windowTitle(), QStringLiteral("VR3300-1-配置管理工具V1.0.0"));
    auto *outer = qobject_cast<QGridLayout *>(w.layout());
    QVERIFY(outer);
    QCOMPARE(outer->objectName(), QStringLiteral("gridLayout_2"));
    QCOMPARE(outer->spacing(), 6);
    QCOMPARE(outer->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(outer->itemAtPosition(0, 0)->widget(), child<QTabWidget>(w, "tabWidget"));
}

void TestMainWindow::tabsInOrder()
{
    cManage w;
    auto *tabs = child<QTabWidget>(w, "tabWidget");
    const QStringList objects {"tab", "tab_3", "tab_4", "tab_2", "tab_6", "tab_5"};
    const QStringList titles {"网络配置", "时间同步", "固件更新", "打印计数", "安全认证", "作业清空"};
    QCOMPARE(tabs->count(), 6);
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(tabs->widget(i)->objectName(), objects.at(i));
        QCOMPARE(tabs->tabText(i), titles.at(i));
    }
    QCOMPARE(tabs->currentIndex(), 0);
}

void TestMainWindow::fixedPages_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QStringList>("classes");
    QTest::addColumn<QList<QRect>>("geometries");
    QTest::addColumn<QStringList>("texts");

    QTest::newRow("clock") << "tab_3" << QStringList {"pushButton_syncTime", "label_8", "lineEdit_6"}
                           << QStringList {"QPushButton", "QLabel", "QLineEdit"}
                           << QList<QRect> {{310, 150, 89, 25}, {80, 110, 71, 21}, {150, 110, 251, 25}}
                           << QStringList {"同步", "打印机IP:", ""};
    QTest::newRow("firmware")
        << "tab_4"
        << QStringList {"label_9",    "lineEdit_7",        "label_10",         "lineEdit_8",     "label_11",
                        "lineEdit_9", "pushButton_update", "pushButton_flush", "pushButton_sel", "firmwareProgress"}
        << QStringList {"QLabel",    "QLineEdit",   "QLabel",      "QLineEdit",   "QLabel",
                        "QLineEdit", "QPushButton", "QPushButton", "QPushButton", "QProgressBar"}
        << QList<QRect> {{40, 30, 67, 21},   {110, 30, 311, 25},  {20, 90, 91, 21},   {110, 90, 311, 25},
                         {40, 150, 71, 21},  {110, 150, 311, 25}, {300, 210, 89, 25}, {430, 90, 41, 25},
                         {430, 150, 41, 25}, {110, 255, 311, 20}}
        << QStringList {"打印机IP:", "", "当前版本号:", "", "上传文件:", "", "上传更新", " 刷新", "选择", ""};
    QTest::newRow("counter") << "tab_2"
                             << QStringList {"label_5", "lineEdit_5", "label_6", "getTotalCountsButton", "lineEdit_13"}
                             << QStringList {"QLabel", "QLineEdit", "QLabel", "QPushButton", "QLineEdit"}
                             << QList<QRect> {{80, 80, 71, 25},
                                              {170, 80, 251, 25},
                                              {60, 150, 101, 31},
                                              {340, 150, 80, 25},
                                              {170, 150, 113, 25}}
                             << QStringList {"打印机IP:", "", "当前计数统计：", "获取", ""};
    QTest::newRow("whitelist") << "tab_6"
                               << QStringList {"whiteListAddButton",
                                               "lineEdit_10",
                                               "whiteListAddlabel",
                                               "whiteListRemoveLabel",
                                               "whiteListRemoveButton",
                                               "whiteListWidget",
                                               "label_12",
                                               "lineEdit_11",
                                               "loadip"}
                               << QStringList {"QPushButton", "QLineEdit", "QLabel",    "QLabel",     "QPushButton",
                                               "QListWidget", "QLabel",    "QLineEdit", "QPushButton"}
                               << QList<QRect> {{420, 100, 91, 25}, {10, 100, 401, 25}, {10, 70, 361, 17},
                                                {10, 130, 361, 31}, {420, 320, 89, 25}, {10, 161, 401, 191},
                                                {13, 20, 71, 31},   {80, 20, 331, 25},  {420, 20, 91, 25}}
                               << QStringList {" 添加",
                                               "",
                                               "添加操作：在下方输入框输入IP地址，并点击添加按钮",
                                               "删除操作：在下方列表中选中IP地址，并点击删除按钮",
                                               "删除",
                                               "",
                                               "打印机IP:",
                                               "",
                                               "加载策略"};
    QTest::newRow("queue") << "tab_5" << QStringList {"lineEdit_12", "label_13", "clearButton"}
                           << QStringList {"QLineEdit", "QLabel", "QPushButton"}
                           << QList<QRect> {{100, 90, 331, 25}, {33, 90, 71, 31}, {340, 160, 91, 25}}
                           << QStringList {"", "打印机IP:", "清空"};
}

// Widget by widget, in creation order (the page's children list keeps it).
void TestMainWindow::fixedPages()
{
    QFETCH(QString, page);
    QFETCH(QStringList, names);
    QFETCH(QStringList, classes);
    QFETCH(QList<QRect>, geometries);
    QFETCH(QStringList, texts);

    cManage w;
    QWidget *p = w.findChild<QWidget *>(page);
    QVERIFY(p);
    QStringList created;
    for (QObject *o : p->children())
        if (o->isWidgetType())
            created << o->objectName();
    QCOMPARE(created, names);
    QVERIFY(!p->layout());
    for (int i = 0; i < names.size(); ++i) {
        QWidget *widget = p->findChild<QWidget *>(names.at(i), Qt::FindDirectChildrenOnly);
        QVERIFY2(widget, qPrintable(names.at(i)));
        QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), classes.at(i));
        QCOMPARE(widget->geometry(), geometries.at(i));
        QString text;
        if (auto *l = qobject_cast<QLabel *>(widget))
            text = l->text();
        else if (auto *b = qobject_cast<QPushButton *>(widget))
            text = b->text();
        else if (auto *e = qobject_cast<QLineEdit *>(widget))
            text = e->text();
        QCOMPARE(text, texts.at(i));
    }
    // The upload's progress bar overlaps nothing on its page.
    const int progressAt = names.indexOf("firmwareProgress");
    for (int j = 0; progressAt >= 0 && j < names.size(); ++j)
        QVERIFY2(j == progressAt || !geometries.at(progressAt).intersects(geometries.at(j)), qPrintable(names.at(j)));
    if (auto *progress = p->findChild<QWidget *>("firmwareProgress"))
        QVERIFY(progress->isHidden()); // only while an upload is under way
}

void TestMainWindow::initialStates()
{
    cManage w;
    const QStringList readOnly {"lineEdit_8", "lineEdit_13"};
    for (QLineEdit *e : w.findChildren<QLineEdit *>()) {
        if (e->objectName().startsWith("qt_"))
            continue;
        QVERIFY(e->text().isEmpty());
        QVERIFY(e->isEnabled());
        QCOMPARE(e->isReadOnly(), readOnly.contains(e->objectName()));
        QCOMPARE(e->maxLength(), 32767);
        QVERIFY(e->inputMask().isEmpty());
        QVERIFY(!e->validator());
        QVERIFY(e->placeholderText().isEmpty());
    }
    for (QPushButton *b : w.findChildren<QPushButton *>()) {
        const bool off = b->objectName() == "whiteListAddButton" || b->objectName() == "whiteListRemoveButton";
        QVERIFY2(b->isEnabled() != off, qPrintable(b->objectName()));
    }
    auto *list = child<QListWidget>(w, "whiteListWidget");
    QCOMPARE(list->selectionMode(), QAbstractItemView::ExtendedSelection);
    QCOMPARE(list->count(), 0);
}

void TestMainWindow::networkPageLayouts()
{
    cManage w;
    QWidget *page = child<QWidget>(w, "tab");
    auto *vertical = qobject_cast<QVBoxLayout *>(page->layout());
    QVERIFY(vertical);
    QCOMPARE(vertical->objectName(), QStringLiteral("verticalLayout"));
    QCOMPARE(vertical->spacing(), 6);
    QCOMPARE(vertical->contentsMargins(), QMargins(11, 11, 11, 11));
    QCOMPARE(vertical->count(), 3);

    auto *top = qobject_cast<QHBoxLayout *>(vertical->itemAt(0)->layout());
    QVERIFY(top);
    QCOMPARE(top->objectName(), QStringLiteral("horizontalLayout"));
    QCOMPARE(top->spacing(), 6);
    QCOMPARE(top->itemAt(0)->widget(), child<QLabel>(w, "label"));
    QCOMPARE(top->itemAt(1)->widget(), child<QLineEdit>(w, "lineEdit"));
    QCOMPARE(child<QLabel>(w, "label")->text(), QStringLiteral("打印机IP:"));

    auto *group = child<QGroupBox>(w, "groupBox");
    QCOMPARE(vertical->itemAt(1)->widget(), group);
    QCOMPARE(group->title(), QStringLiteral("使用下面的IP地址"));
    auto *grid = qobject_cast<QGridLayout *>(group->layout());
    QVERIFY(grid);
    QCOMPARE(grid->objectName(), QStringLiteral("gridLayout"));
    QCOMPARE(grid->spacing(), 6);
    QCOMPARE(grid->contentsMargins(), QMargins(11, 11, 11, 11));
    const char *labels[] = {"label_2", "label_3", "label_4"};
    const char *edits[] = {"lineEdit_2", "lineEdit_3", "lineEdit_4"};
    const QStringList labelTexts {"IP地址：", "子网掩码", "默认网关"};
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(grid->itemAtPosition(row, 0)->widget(), child<QLabel>(w, labels[row]));
        QCOMPARE(grid->itemAtPosition(row, 1)->widget(), child<QLineEdit>(w, edits[row]));
        QCOMPARE(child<QLabel>(w, labels[row])->text(), labelTexts.at(row));
    }

    auto *bottom = qobject_cast<QHBoxLayout *>(vertical->itemAt(2)->layout());
    QVERIFY(bottom);
    QCOMPARE(bottom->objectName(), QStringLiteral("horizontalLayout_2"));
    QSpacerItem *spacer = bottom->itemAt(0)->spacerItem();
    QVERIFY(spacer);
    QCOMPARE(spacer->sizeHint(), QSize(28, 20));
    QCOMPARE(spacer->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
    QCOMPARE(spacer->sizePolicy().verticalPolicy(), QSizePolicy::Minimum);
    QCOMPARE(bottom->itemAt(1)->widget(), child<QPushButton>(w, "pushButton"));
    QCOMPARE(child<QPushButton>(w, "pushButton")->text(), QStringLiteral("确定"));

    QStringList created;
    for (QWidget *c : page->findChildren<QWidget *>())
        created << c->objectName();
    QCOMPARE(created,
             (QStringList {"label", "lineEdit", "groupBox", "lineEdit_2", "lineEdit_3", "lineEdit_4", "label_2",
                           "label_3", "label_4", "pushButton"}));
}

void TestMainWindow::slotsInDeclaredOrder()
{
    const QStringList expected {"onOkClicked()",
                                "onSearchClicked()",
                                "onSyncTimeClicked()",
                                "onFirmwareFlushClicked()",
                                "onSelectFirmwareClicked()",
                                "onFirmwareUpdateClicked()",
                                "onAddWhiteListCLicked()",
                                "onUpdateCallback(int,int,QString,QString)",
                                "onSetIPcallback(int,int,QString,QString)",
                                "onGetCountCallback(int,int,QString,QString)",
                                "onSyncTimeCallback(int,int,QString,QString)",
                                "onFirmwareFlushCallback(int,int,QString,QString)",
                                "onFirmwareUpdateCallback(int,int,QString,QString)",
                                "onUpdateWhiteListCallback(int,int,QString,QString)",
                                "onClearCallback(int,int,QString,QString)",
                                "on_loadip_clicked()",
                                "on_whiteListRemoveButton_clicked()",
                                "on_clearButton_clicked()",
                                "on_tabWidget_currentChanged(int)"};
    const QMetaObject &mo = cManage::staticMetaObject;
    QStringList seen;
    for (int i = mo.methodOffset(); i < mo.methodCount(); ++i)
        if (mo.method(i).methodType() == QMetaMethod::Slot)
            seen << QString::fromLatin1(mo.method(i).methodSignature());
    QCOMPARE(seen, expected);
    QCOMPARE(mo.method(mo.indexOfMethod("on_loadip_clicked()")).access(), QMetaMethod::Private);
    QCOMPARE(mo.method(mo.indexOfMethod("onOkClicked()")).access(), QMetaMethod::Public);
}

void TestMainWindow::pageChangeResetsWhitelistPage()
{
    cManage w;
    auto *tabs = child<QTabWidget>(w, "tabWidget");
    auto *add = child<QPushButton>(w, "whiteListAddButton");
    auto *remove = child<QPushButton>(w, "whiteListRemoveButton");
    auto *load = child<QPushButton>(w, "loadip");
    auto *printer = child<QLineEdit>(w, "lineEdit_11");
    auto *address = child<QLineEdit>(w, "lineEdit_10");
    auto *list = child<QListWidget>(w, "whiteListWidget");

    auto dirty = [&] {
        add->setEnabled(true);
        remove->setEnabled(true);
        load->setEnabled(false);
        printer->setText("10.0.0.1");
        address->setText("10.0.0.2");
        list->addItems({"10.0.0.3", "10.0.0.4"});
    };
    auto isReset = [&] {
        return !add->isEnabled() && !remove->isEnabled() && load->isEnabled() && printer->text().isEmpty()
            && address->text().isEmpty() && list->count() == 0;
    };

    tabs->setCurrentIndex(4);
    dirty();
    tabs->setCurrentIndex(2); // leaving the whitelist page
    QVERIFY(isReset());

    dirty();
    tabs->setCurrentIndex(1); // between two other pages
    QVERIFY(isReset());
}

void TestMainWindow::pageFourChangesNothing()
{
    cManage w;
    auto *tabs = child<QTabWidget>(w, "tabWidget");
    auto *add = child<QPushButton>(w, "whiteListAddButton");
    auto *list = child<QListWidget>(w, "whiteListWidget");
    auto *printer = child<QLineEdit>(w, "lineEdit_11");
    printer->setText("10.0.0.1");
    list->addItem("10.0.0.3");
    add->setEnabled(true);
    tabs->setCurrentIndex(4);
    QCOMPARE(printer->text(), QStringLiteral("10.0.0.1"));
    QCOMPARE(list->count(), 1);
    QVERIFY(add->isEnabled());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
