// Page 1: set the printer's clock to the workstation's local time.
#include "net/httpservices.h"
#include "ops/boxes.h"
#include "ops/clock.h"
#include "ops/endpoints.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"

#include <QDateTime>
#include <QtDebug>

namespace {
const char *const Title = "时间同步";
}

QString Clock::stamp(const QDateTime &local)
{
    return local.toString(QStringLiteral("yyyyMMddhhmmss"));
}

void cManage::onSyncTimeClicked()
{
    if (!AddressPatterns::matchesA(ui->lineEdit_6->text())) {
        Boxes::warning(this, Title, "请输入正确打印机IP地址");
        return;
    }
    ui->pushButton_syncTime->setEnabled(false);
    auto *service = newRequest(SLOT(onSyncTimeCallback(int, int, QString, QString)));
    const QString url = Endpoints::url(Endpoints::SetTime, ui->lineEdit_6->text());
    // Read last, so the value sent is the time of the click.
    const QString time = Clock::stamp(QDateTime::currentDateTime());
    service->postRequest(url, {QStringLiteral("time=%1").arg(time)}, 1, 10000);
}

void cManage::onSyncTimeCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (Outcome::isSuccess(status_code))
        Boxes::information(this, Title, "操作成功");
    else
        Boxes::critical(this, Title, "操作失败");
    ui->pushButton_syncTime->setEnabled(true);
}
