// Page 0: a new static address, mask and gateway for the printer.
#include "net/httpservices.h"
#include "ops/boxes.h"
#include "ops/endpoints.h"
#include "ops/networkrules.h"
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
    const int step = NetworkRules::firstFailingStep(current, ip, mask, gateway);
    if (step != 0) {
        Boxes::warning(this, NetworkRules::title(step), NetworkRules::text(step));
        return;
    }

    ui->pushButton->setEnabled(false);
    auto *service = newRequest(SLOT(onUpdateCallback(int, int, QString, QString)));
    const QString url = Endpoints::url(Endpoints::SetIP, current);
    const QStringList params {QStringLiteral("ip=%1").arg(ip), QStringLiteral("mask=%1").arg(mask),
                              QStringLiteral("gateway=%1").arg(gateway)};
    qDebug() << "URL:" << url << "Pam:" << params;
    service->postRequest(url, params, 1, 30000);
}

void cManage::onUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (Outcome::isSuccess(status_code)) {
        ui->pushButton->setEnabled(true);
        Boxes::information(this, Title, "操作成功");
        return;
    }
    if (Outcome::isTimeout(status_code, strReply)) {
        // The printer may have moved before it could answer: ask the new
        // address whether it is there.
        auto *probe = newRequest(SLOT(onSetIPcallback(int, int, QString, QString)));
        probe->postRequest(Endpoints::url(Endpoints::GetVersion, ui->lineEdit_2->text()),
                           {QStringLiteral("type=board")}, 1, 10000);
        return;
    }
    ui->pushButton->setEnabled(true);
    Boxes::critical(this, Title, "操作失败");
}

void cManage::onSetIPcallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(strReply)
    Q_UNUSED(sjobId)
    if (Outcome::isSuccess(status_code))
        Boxes::information(this, Title, "操作成功");
    else
        Boxes::information(this, Title, "操作完成:网络配置已下发");
    ui->pushButton->setEnabled(true);
}
