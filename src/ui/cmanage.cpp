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
    // Whatever was loaded is gone: an answer still on its way no longer
    // belongs to what the page shows.
    ++m_load;
    m_loadedPrinter.clear();
    ui->whiteListAddButton->setEnabled(false);
    ui->whiteListRemoveButton->setEnabled(false);
    ui->loadip->setEnabled(true);
    ui->lineEdit_11->setText(QString());
    ui->lineEdit_10->setText(QString());
    ui->whiteListWidget->clear();
}
