// Page 2: firmware version, choosing a firmware file and uploading it.
#include "core/firmware.h"
#include "core/job.h"
#include "core/operations.h"
#include "ui/boxes.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"

#include <QFileDialog>
#include <QProgressBar>
#include <QtDebug>

namespace {
const char *const Title = "固件更新";
}

void cManage::setFirmwareButtonsEnabled(bool enabled)
{
    ui->pushButton_flush->setEnabled(enabled);
    ui->pushButton_sel->setEnabled(enabled);
    ui->pushButton_update->setEnabled(enabled);
}

void cManage::onFirmwareFlushClicked()
{
    const QString printer = ui->lineEdit_7->text();
    Prepared version = Ops::version(printer);
    if (!version.ready()) {
        Boxes::warning(this, Title, "请输入正确打印机IP地址");
        return;
    }
    setFirmwareButtonsEnabled(false);
    startJob(new RequestJob(printer, std::move(version), Ops::judgeVersion),
             SLOT(onFirmwareFlushCallback(int, int, QString, QString)));
}

void cManage::onFirmwareFlushCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    const Result result = jobResult(status_code, strReply);
    if (result.ok())
        ui->lineEdit_8->setText(result.value);
    else
        Boxes::critical(this, "固件版本", "操作失败");
    setFirmwareButtonsEnabled(true);
}

void cManage::onSelectFirmwareClicked()
{
    const QString path
        = QFileDialog::getOpenFileName(this, tr("请选择固件文件"), QStringLiteral("."), tr("tar.gz(*.gz);;all(*.*)"));
    ui->lineEdit_9->setText(path);
}

void cManage::onFirmwareUpdateClicked()
{
    const QString printer = ui->lineEdit_7->text();
    if (!Ops::checkPrinter(printer, Ops::AddressCheck::A).ok()) {
        Boxes::warning(this, Title, "请输入正确打印机IP地址");
        return;
    }
    const QString path = ui->lineEdit_9->text();
    if (path.isEmpty()) {
        Boxes::warning(this, Title, "请选择文件后上传");
        return;
    }
    if (!Ops::upgrade(printer, path).ready()) {
        qDebug() << "file is Empty";
        Boxes::critical(this, Title, "读取文件失败");
        return;
    }
    setFirmwareButtonsEnabled(false);
    auto *job = new FirmwareJob(printer, path, false);
    // Busy until the first bytes go out (the file is first read through
    // once for a boundary it does not contain), then the share sent.
    m_uploadProgress->setRange(0, 0);
    m_uploadProgress->show();
    connect(job, &Job::uploadProgress, m_uploadProgress, [this](qint64 sent, qint64 total) {
        if (total > 0) {
            m_uploadProgress->setRange(0, 1000);
            m_uploadProgress->setValue(int(sent * 1000 / total));
        }
    });
    startJob(job, SLOT(onFirmwareUpdateCallback(int, int, QString, QString)));
}

void cManage::onFirmwareUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    m_uploadProgress->hide();
    const Result result = jobResult(status_code, strReply);
    switch (Firmware::judgeUpload(status_code, strReply)) {
    case Firmware::UploadOutcome::Accepted:
        Boxes::information(this, Title, "操作成功");
        break;
    case Firmware::UploadOutcome::BackToDefaultAddress:
        Boxes::information(this, Title, "固件更新已将打印机恢复为默认ip地址，请重新配置网络");
        break;
    case Firmware::UploadOutcome::Failed:
        ui->lineEdit_8->setText(result.value);
        Boxes::critical(this, Title, "操作失败");
        break;
    }
    setFirmwareButtonsEnabled(true);
}
