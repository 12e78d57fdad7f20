// Page 0: a new static address, mask and gateway for the printer.
#include "core/job.h"
#include "core/networkrules.h"
#include "core/operations.h"
#include "ui/boxes.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"

#include <QtDebug>

namespace {
const char *const Title = "网络配置";
}

void cManage::onOkClicked()
{
    const QString current = ui->lineEdit->text();
    const QString ip = ui->lineEdit_2->text();
    const QString mask = ui->lineEdit_3->text();
    const QString gateway = ui->lineEdit_4->text();
    const Prepared setIP = Ops::setIP(current, ip, mask, gateway);
    if (!setIP.ready()) {
        const int step = setIP.refusal.step;
        Boxes::warning(this, NetworkRules::title(step), NetworkRules::text(step));
        return;
    }
    ui->pushButton->setEnabled(false);
    qDebug() << "URL:" << setIP.request.url << "Pam:" << setIP.request.params;
    auto *job = new NetworkJob(current, ip, mask, gateway);
    // The printer may have moved before it could answer: the probe asks the
    // new address as the field reads by then.
    job->setProbeAddress([this] { return ui->lineEdit_2->text(); });
    connect(job, &NetworkJob::probeAnswered, this, &cManage::endWait);
    connect(job, SIGNAL(probeAnswered(int, int, QString, QString)), this,
            SLOT(onSetIPcallback(int, int, QString, QString)));
    startJob(job, SLOT(onUpdateCallback(int, int, QString, QString)));
}

void cManage::onUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    ui->pushButton->setEnabled(true);
    if (jobResult(status_code, strReply).ok())
        Boxes::information(this, Title, "操作成功");
    else
        Boxes::critical(this, Title, "操作失败");
}

void cManage::onSetIPcallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    if (jobResult(status_code, strReply).ok())
        Boxes::information(this, Title, "操作成功");
    else
        Boxes::information(this, Title, "操作完成:网络配置已下发");
    ui->pushButton->setEnabled(true);
}
