// Page 4: the printer's IP whitelist. Every change is shown at once, sent
// to the printer as a whole encrypted document by the core's whitelist job,
// and written to the local store only once the printer has taken it.
#include "core/endpoints.h"
#include "core/whitelist.h"
#include "core/whitelistjob.h"
#include "core/whitelistupload.h"
#include "ui/boxes.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"

#include <QtDebug>

namespace {
const char *const Title = "安全认证";
}

void cManage::setWhitelistButtonsEnabled(bool enabled)
{
    ui->whiteListAddButton->setEnabled(enabled);
    ui->whiteListRemoveButton->setEnabled(enabled);
    ui->loadip->setEnabled(enabled);
}

QStringList cManage::shownWhitelist() const
{
    QStringList addresses;
    for (int row = 0; row < ui->whiteListWidget->count(); ++row)
        addresses << ui->whiteListWidget->item(row)->text();
    return addresses;
}

// A change goes to the printer the list was loaded for, and only while the
// field still names it: otherwise this printer's list would be sent to, and
// stored as, another one.
bool cManage::printerStillLoaded()
{
    if (!m_loadedPrinter.isEmpty() && AddressPatterns::plain(ui->lineEdit_11->text()) == m_loadedPrinter)
        return true;
    Boxes::warning(this, Title, "打印机已更改，请重新加载该打印机的白名单");
    return false;
}

bool cManage::uploadInFlightTo(const QString &printer) const
{
    for (const WhitelistChange &change : qAsConst(m_whitelistUploads))
        if (change.printer == printer)
            return true;
    return false;
}

void cManage::on_loadip_clicked()
{
    const QString printer = ui->lineEdit_11->text();
    if (!AddressPatterns::matchesB(printer)) {
        Boxes::warning(this, Title, "请输入正确打印机IP地址");
        return;
    }
    // A list loaded now would miss the change still on its way, and a
    // second change made from it would undo the first at the printer.
    if (uploadInFlightTo(AddressPatterns::plain(printer))) {
        Boxes::warning(this, Title, "该打印机的白名单修改尚未完成，请稍后再加载");
        return;
    }
    WhitelistJob show(printer, WhitelistJob::Mode::Show, QStringList(), false);
    if (!show.prepare().ok()) {
        Boxes::critical(this, Title, "加载白名单失败");
        return;
    }
    ui->whiteListWidget->clear();
    for (const QString &address : show.stored())
        ui->whiteListWidget->addItem(address);
    ui->whiteListAddButton->setEnabled(true);
    ui->whiteListRemoveButton->setEnabled(true);
    strAddIP.clear();
    strRemoveIPs.clear();
    m_loadedPrinter = AddressPatterns::plain(printer);
    m_startingList = show.stored();
    ++m_load;
    // An earlier change went out and was never accounted for: the printer
    // may hold another list than this one until the list is sent again.
    if (show.uncertain())
        Boxes::warning(this, Title, "上次白名单修改被中断，打印机上的白名单可能与此不同，请重新下发");
}

void cManage::onAddWhiteListCLicked()
{
    const QString typed = ui->lineEdit_10->text();
    if (!AddressPatterns::matchesB(typed)) {
        Boxes::warning(this, Title, "请输入正确打印机IP地址");
        return;
    }
    // One address, one entry, however it was typed.
    const QString address = AddressPatterns::plain(typed);
    if (shownWhitelist().contains(address)) {
        Boxes::warning(this, Title, "白名单中已存在该IP");
        return;
    }
    if (!printerStillLoaded())
        return;
    ui->whiteListWidget->addItem(address);
    strAddIP = address;
    if (!updateWhiteList(m_loadedPrinter)) {
        delete ui->whiteListWidget->takeItem(ui->whiteListWidget->count() - 1);
        strAddIP.clear();
    }
}

void cManage::on_whiteListRemoveButton_clicked()
{
    if (!printerStillLoaded())
        return;
    const QStringList rows = shownWhitelist();
    QStringList removed;
    for (QListWidgetItem *item : ui->whiteListWidget->selectedItems()) {
        removed << item->text();
        delete ui->whiteListWidget->takeItem(ui->whiteListWidget->row(item));
    }
    strRemoveIPs = WhitelistUpload::quotedList(removed);
    if (!updateWhiteList(m_loadedPrinter)) {
        // Refused before sending: the rows come back as they were.
        ui->whiteListWidget->clear();
        ui->whiteListWidget->addItems(rows);
        strRemoveIPs.clear();
    }
}

bool cManage::updateWhiteList(QString printerIp)
{
    auto *job = new WhitelistJob(printerIp, WhitelistJob::Mode::Set, shownWhitelist(), false);
    // The page sends the list as it stands even when nothing was selected.
    job->setForce(true);
    // Another window or the command line may have changed this printer's
    // list since it was loaded here; a change made from the old list would
    // undo theirs at the printer.
    job->expectStored(m_startingList);
    const Result ready = job->prepare();
    if (!ready.ok()) {
        switch (job->refusal()) {
        case WhitelistJob::Refusal::Busy:
            Boxes::warning(this, Title, "该打印机的白名单正由他人修改，请稍后再试");
            break;
        case WhitelistJob::Refusal::ChangedElsewhere:
            Boxes::warning(this, Title, "该打印机的白名单已被他人修改，请重新加载");
            break;
        case WhitelistJob::Refusal::LocalFault:
            // This machine's fault, not a colleague's: say where.
            qWarning("%s", qPrintable(ready.reason));
            Boxes::warning(this, Title, "无法写入本地白名单目录：", Whitelist::folderOf(printerIp));
            break;
        default:
            Boxes::critical(this, Title, "加载白名单失败");
            break;
        }
        delete job;
        return false;
    }
    setWhitelistButtonsEnabled(false);
    WhitelistChange change;
    change.printer = AddressPatterns::plain(printerIp);
    change.addedIP = strAddIP;
    change.removedIPs = strAddIP.isEmpty() ? strRemoveIPs : QString();
    change.load = m_load;
    m_whitelistUploads.insert(job, change);
    startJob(job, SLOT(onUpdateWhiteListCallback(int, int, QString, QString)));
    return true;
}

void cManage::onUpdateWhiteListCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (!m_whitelistUploads.contains(sender()))
        return;
    const WhitelistChange change = m_whitelistUploads.take(sender());
    // The store, the audit line and the intent are done and the printer's
    // lock is free: the boxes only tell.
    const auto *job = qobject_cast<const WhitelistJob *>(sender());
    const Result result = job->result();
    const bool accepted = result.ok() || result.kind == Result::Kind::Unrecorded;
    if (m_closing) {
        if (m_whitelistUploads.isEmpty())
            finishClosing();
        return;
    }
    // After a page change or another load the list on screen is no longer
    // the one this change started from: leave it alone.
    const bool current = change.load == m_load;
    if (current && result.ok())
        m_startingList = job->list();
    if (accepted) {
        Boxes::information(nullptr, Title, "操作成功");
        // Said aloud: the printer and this machine now differ until the list
        // is sent again.
        if (!result.ok())
            Boxes::warning(nullptr, Title, "打印机已接受修改，但本地白名单保存失败");
    } else {
        Boxes::critical(nullptr, Title, "操作失败");
    }
    if (!current || change.load != m_load)
        return;
    if (!accepted) {
        if (!change.addedIP.isEmpty()) {
            const int last = ui->whiteListWidget->count() - 1;
            if (last >= 0 && ui->whiteListWidget->item(last)->text() == change.addedIP)
                delete ui->whiteListWidget->takeItem(last);
        } else {
            for (const QString &address : WhitelistUpload::removedAddresses(change.removedIPs))
                ui->whiteListWidget->addItem(address);
        }
    }
    strAddIP.clear();
    strRemoveIPs.clear();
    setWhitelistButtonsEnabled(true);
}
