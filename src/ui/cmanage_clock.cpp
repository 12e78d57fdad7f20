// Page 1: set the printer's clock to the workstation's local time.
#include "core/job.h"
#include "core/operations.h"
#include "ui/boxes.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"

#include <QDateTime>
#include <QtDebug>

namespace {
const char *const Title = "时间同步";
}

void cManage::onSyncTimeClicked()
{
    const QString printer = ui->lineEdit_6->text();
    // Read last, so the value sent is the time of the click.
    Prepared clock = Ops::clock(printer, QDateTime::currentDateTime());
    if (!clock.ready()) {
        Boxes::warning(this, Title, "请输入正确打印机IP地址");
        return;
    }
    ui->pushButton_syncTime->setEnabled(false);
    auto *job = new RequestJob(printer, std::move(clock), Ops::judgeClock);
    job->setAuditOperation(QStringLiteral("clock"));
    startJob(job, SLOT(onSyncTimeCallback(int, int, QString, QString)));
}

void cManage::onSyncTimeCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (jobResult(status_code, strReply).ok())
        Boxes::information(this, Title, "操作成功");
    else
        Boxes::critical(this, Title, "操作失败");
    ui->pushButton_syncTime->setEnabled(true);
}
