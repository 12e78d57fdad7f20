#include "ui/cmanage.h"

#include "ui_cmanage.h"

cManage::cManage(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::cManage)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setFixedSize(width(), height());

    connect(ui->pushButton, SIGNAL(clicked()), this, SLOT(onOkClicked()));
    connect(ui->getTotalCountsButton, SIGNAL(clicked()), this, SLOT(onSearchClicked()));
    connect(ui->pushButton_syncTime, SIGNAL(clicked()), this, SLOT(onSyncTimeClicked()));
    connect(ui->pushButton_flush, SIGNAL(clicked()), this, SLOT(onFirmwareFlushClicked()));
    connect(ui->pushButton_sel, SIGNAL(clicked()), this, SLOT(onSelectFirmwareClicked()));
    connect(ui->pushButton_update, SIGNAL(clicked()), this, SLOT(onFirmwareUpdateClicked()));
    connect(ui->whiteListAddButton, SIGNAL(clicked()), this, SLOT(onAddWhiteListCLicked()));

    ui->whiteListWidget->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ui->whiteListAddButton->setEnabled(false);
    ui->whiteListRemoveButton->setEnabled(false);
}

cManage::~cManage()
{
    delete ui;
}

// Leaving the whitelist page discards what was loaded there: the operator
// must load again before changing a list.
void cManage::on_tabWidget_currentChanged(int index)
{
    if (index == 4)
        return;
    ui->whiteListAddButton->setEnabled(false);
    ui->whiteListRemoveButton->setEnabled(false);
    ui->loadip->setEnabled(true);
    ui->lineEdit_11->setText(QString());
    ui->lineEdit_10->setText(QString());
    ui->whiteListWidget->clear();
}

// Operations of the pages arrive with their own sources; until then the
// buttons are wired but do nothing.
void cManage::onOkClicked()
{
}
void cManage::onSearchClicked()
{
}
void cManage::onSyncTimeClicked()
{
}
void cManage::onFirmwareFlushClicked()
{
}
void cManage::onSelectFirmwareClicked()
{
}
void cManage::onFirmwareUpdateClicked()
{
}
void cManage::onAddWhiteListCLicked()
{
}
void cManage::onUpdateCallback(int, int, QString, QString)
{
}
void cManage::onSetIPcallback(int, int, QString, QString)
{
}
void cManage::onGetCountCallback(int, int, QString, QString)
{
}
void cManage::onSyncTimeCallback(int, int, QString, QString)
{
}
void cManage::onFirmwareFlushCallback(int, int, QString, QString)
{
}
void cManage::onFirmwareUpdateCallback(int, int, QString, QString)
{
}
void cManage::onUpdateWhiteListCallback(int, int, QString, QString)
{
}
void cManage::onClearCallback(int, int, QString, QString)
{
}
void cManage::on_loadip_clicked()
{
}
void cManage::on_whiteListRemoveButton_clicked()
{
}
void cManage::on_clearButton_clicked()
{
}
