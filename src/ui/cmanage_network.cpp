// Page 0: a new static address, mask and gateway for the printer.
#include "core/operations.h"
#include "net/httpservices.h"
#include "ops/networkrules.h"
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
    Prepared setIP = Ops::setIP(current, ui->lineEdit_2->text(), ui->lineEdit_3->text(), ui->lineEdit_4->text());
    if (!setIP.ready()) {
        const int step = setIP.refusal.step;
        Boxes::warning(this, NetworkRules::title(step), NetworkRules::text(step));
        return;
    }
    ui->pushButton->setEnabled(false);
    qDebug() << "URL:" << setIP.request.url << "Pam:" << setIP.request.params;
    setIP.request.sendWith(newRequest(SLOT(onUpdateCallback(int, int, QString, QString)), "network", current));
}

void cManage::onUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (Ops::needsProbe(status_code, strReply)) {
        // The printer may have moved before it could answer: ask the new
        // address whether it is there.
        m_probing = takeAudit();
        Ops::probe(ui->lineEdit_2->text()).request.sendWith(
            newRequest(SLOT(onSetIPcallback(int, int, QString, QString))));
        return;
    }
    const Result result = Ops::judgeSetIP(status_code, strReply);
    audit(result);
    ui->pushButton->setEnabled(true);
    if (result.ok())
        Boxes::information(this, Title, "操作成功");
    else
        Boxes::critical(this, Title, "操作失败");
}

void cManage::onSetIPcallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    const Result result = Ops::judgeProbe(status_code, strReply);
    writeAudit(m_probing, result);
    if (result.ok())
        Boxes::information(this, Title, "操作成功");
    else
        Boxes::information(this, Title, "操作完成:网络配置已下发");
    ui->pushButton->setEnabled(true);
}
