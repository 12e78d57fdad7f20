// Pages 3 and 5: the page counter and clearing the print queue.
#include "net/httpservices.h"
#include "ops/boxes.h"
#include "ops/endpoints.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"

#include <QtDebug>

namespace {
const char *const CounterTitle = "打印计数";
const char *const ClearTitle = "作业清空";
} // namespace

void cManage::onSearchClicked()
{
    if (!AddressPatterns::matchesA(ui->lineEdit_5->text())) {
        Boxes::warning(this, CounterTitle, "请输入正确打印机IP地址");
        return;
    }
    ui->getTotalCountsButton->setEnabled(false);
    ui->lineEdit_13->setText(QString());
    auto *service = newRequest(SLOT(onGetCountCallback(int, int, QString, QString)));
    service->getRequest(Endpoints::url(Endpoints::GetPages, ui->lineEdit_5->text()), 1);
}

void cManage::onGetCountCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (Outcome::isSuccess(status_code)) {
        ui->lineEdit_13->setText(strReply);
        Boxes::information(this, CounterTitle, "操作成功");
    } else {
        Boxes::critical(this, CounterTitle, "操作失败");
    }
    ui->getTotalCountsButton->setEnabled(true);
}

void cManage::on_clearButton_clicked()
{
    if (!AddressPatterns::matchesB(ui->lineEdit_12->text())) {
        Boxes::warning(this, ClearTitle, "请输入正确打印机IP地址");
        return;
    }
    ui->clearButton->setEnabled(false);
    auto *service = newRequest(SLOT(onClearCallback(int, int, QString, QString)));
    service->getRequest(Endpoints::url(Endpoints::Clear, ui->lineEdit_12->text()), 1);
}

void cManage::onClearCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (Outcome::isSuccess(status_code))
        Boxes::information(this, ClearTitle, "清空打印队列成功");
    else
        Boxes::critical(this, ClearTitle, "清空打印队列失败");
    ui->clearButton->setEnabled(true);
}
