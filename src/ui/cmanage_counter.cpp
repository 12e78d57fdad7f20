// Pages 3 and 5: the page counter and clearing the print queue.
#include "core/job.h"
#include "core/operations.h"
#include "ui/boxes.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"

#include <QtDebug>

namespace {
const char *const CounterTitle = "打印计数";
const char *const ClearTitle = "作业清空";
} // namespace

void cManage::onSearchClicked()
{
    const QString printer = ui->lineEdit_5->text();
    Prepared counter = Ops::counter(printer);
    if (!counter.ready()) {
        Boxes::warning(this, CounterTitle, "请输入正确打印机IP地址");
        return;
    }
    ui->getTotalCountsButton->setEnabled(false);
    ui->lineEdit_13->setText(QString());
    startJob(new RequestJob(printer, std::move(counter), Ops::judgeCounter),
             SLOT(onGetCountCallback(int, int, QString, QString)));
}

void cManage::onGetCountCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    const Result result = jobResult(status_code, strReply);
    if (result.ok()) {
        ui->lineEdit_13->setText(result.value);
        Boxes::information(this, CounterTitle, "操作成功");
    } else {
        Boxes::critical(this, CounterTitle, "操作失败");
    }
    ui->getTotalCountsButton->setEnabled(true);
}

void cManage::on_clearButton_clicked()
{
    const QString printer = ui->lineEdit_12->text();
    Prepared clear = Ops::clear(printer);
    if (!clear.ready()) {
        Boxes::warning(this, ClearTitle, "请输入正确打印机IP地址");
        return;
    }
    ui->clearButton->setEnabled(false);
    auto *job = new RequestJob(printer, std::move(clear), Ops::judgeClear);
    job->setAuditOperation(QStringLiteral("clear"));
    startJob(job, SLOT(onClearCallback(int, int, QString, QString)));
}

void cManage::onClearCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (jobResult(status_code, strReply).ok())
        Boxes::information(this, ClearTitle, "清空打印队列成功");
    else
        Boxes::critical(this, ClearTitle, "清空打印队列失败");
    ui->clearButton->setEnabled(true);
}
