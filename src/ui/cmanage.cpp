#include "ui/cmanage.h"

#include "core/auditlog.h"
#include "core/job.h"
#include "ui/boxes.h"
#include "ui_cmanage.h"

#include <QCloseEvent>
#include <QProgressBar>

cManage::cManage(QWidget *parent)
    : QWidget(parent)
    , ui(new Ui::cManage)
{
    ui->setupUi(this);
    AuditLog::setSource(QStringLiteral("window"));
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

    // Below the upload button, where the page has room; shown only while a
    // firmware upload is under way.
    m_uploadProgress = new QProgressBar(ui->tab_4);
    m_uploadProgress->setObjectName(QStringLiteral("firmwareProgress"));
    m_uploadProgress->setGeometry(110, 255, 311, 20);
    m_uploadProgress->hide();
}

cManage::~cManage()
{
    Boxes::reopen();
    delete ui;
}

void cManage::startJob(Job *job, const char *callback)
{
    job->setParent(this);
    // Connected first, so the cursor is back before the answer's box opens.
    connect(job, &Job::answered, this, &cManage::endWait);
    connect(job, SIGNAL(answered(int, int, QString, QString)), this, callback);
    connect(job, &Job::finished, job, &QObject::deleteLater);
    if (m_waiting++ == 0)
        setCursor(Qt::BusyCursor);
    job->start();
}

Result cManage::jobResult(int status, const QString &body) const
{
    if (const auto *job = qobject_cast<const Job *>(sender()))
        return job->result();
    return Result::fromRecord(status, body);
}

void cManage::endWait()
{
    if (m_waiting > 0 && --m_waiting == 0)
        unsetCursor();
}

void cManage::closeEvent(QCloseEvent *event)
{
    // Nobody is left to read a box: an open one goes, and none opens.
    Boxes::closeAll();
    if (m_whitelistUploads.isEmpty()) {
        event->accept();
        return;
    }
    qWarning("waiting for the printer to answer a whitelist change before closing");
    m_closing = true;
    hide();
    event->ignore();
}

void cManage::finishClosing()
{
    m_closing = false;
    close();
    // A hidden window's close does not count as the last window closing:
    // whoever runs the window ends the application on this.
    emit closedAfterWaiting();
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
