#include "ui/cmanage.h"

#include "core/auditlog.h"
#include "net/httpservices.h"
#include "ops/endpoints.h"
#include "ui_cmanage.h"

#include <QCloseEvent>
#include <QProgressBar>

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

    // Below the upload button, where the page has room; shown only while a
    // firmware upload is under way.
    m_uploadProgress = new QProgressBar(ui->tab_4);
    m_uploadProgress->setObjectName(QStringLiteral("firmwareProgress"));
    m_uploadProgress->setGeometry(110, 255, 311, 20);
    m_uploadProgress->hide();
}

cManage::~cManage()
{
    delete ui;
}

HttpServices *cManage::newRequest(const char *callback, const char *operation, const QString &printer)
{
    auto *service = new HttpServices;
    if (operation)
        m_audits.insert(service, {QString::fromLatin1(operation), AddressPatterns::plain(printer)});
    // Connected first, so the cursor is back before the answer's box opens.
    connect(service, &HttpServices::http_finished, this, &cManage::endWait);
    connect(service, SIGNAL(http_finished(int, int, QString, QString)), this, callback);
    if (m_waiting++ == 0)
        setCursor(Qt::BusyCursor);
    return service;
}

void cManage::endWait()
{
    if (m_waiting > 0 && --m_waiting == 0)
        unsetCursor();
}

cManage::AuditEntry cManage::takeAudit()
{
    return m_audits.take(sender());
}

void cManage::audit(const Result &result)
{
    writeAudit(takeAudit(), result);
}

// The change has happened whatever the log says; a log that cannot be
// written is reported on stderr, never in the operator's way.
void cManage::writeAudit(const AuditEntry &entry, const Result &result, const QString &detail)
{
    if (entry.operation.isEmpty())
        return;
    const QString why = AuditLog::append(entry.printer, entry.operation, result, detail);
    if (!why.isEmpty())
        qWarning("audit log: %s", qPrintable(why));
}

void cManage::closeEvent(QCloseEvent *event)
{
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
