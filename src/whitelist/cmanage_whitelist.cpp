// Page 4: the printer's IP whitelist. Every change is shown at once, sent
// to the printer as a whole encrypted document, and written to the local
// store only once the printer has taken it.
#include "net/httpservices.h"
#include "ops/boxes.h"
#include "ops/endpoints.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"
#include "whitelist/strategydomain.h"
#include "whitelist/upload.h"
#include "whitelist/whitelistdatabase.h"

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
    for (const WhitelistChange &change : m_whitelistUploads)
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
    WhiteListDatabase store;
    const QStringList addresses = store.selectIPs(WhiteListDatabase::databasePath(printer));
    if (addresses.contains(QStringLiteral("error"))) {
        Boxes::critical(this, Title, "加载白名单失败");
        return;
    }
    ui->whiteListWidget->clear();
    for (const QString &address : addresses)
        ui->whiteListWidget->addItem(address);
    ui->whiteListAddButton->setEnabled(true);
    ui->whiteListRemoveButton->setEnabled(true);
    strAddIP.clear();
    strRemoveIPs.clear();
    m_loadedPrinter = AddressPatterns::plain(printer);
    ++m_load;
}

void cManage::onAddWhiteListCLicked()
{
    const QString address = ui->lineEdit_10->text();
    if (!AddressPatterns::matchesB(address)) {
        Boxes::warning(this, Title, "请输入正确打印机IP地址");
        return;
    }
    for (int row = 0; row < ui->whiteListWidget->count(); ++row) {
        if (ui->whiteListWidget->item(row)->text() == address) {
            Boxes::warning(this, Title, "白名单中已存在该IP");
            return;
        }
    }
    if (!printerStillLoaded())
        return;
    setWhitelistButtonsEnabled(false);
    ui->whiteListWidget->addItem(address);
    strAddIP = address;
    updateWhiteList(m_loadedPrinter);
}

void cManage::on_whiteListRemoveButton_clicked()
{
    if (!printerStillLoaded())
        return;
    setWhitelistButtonsEnabled(false);
    QStringList removed;
    for (QListWidgetItem *item : ui->whiteListWidget->selectedItems()) {
        removed << item->text();
        delete ui->whiteListWidget->takeItem(ui->whiteListWidget->row(item));
    }
    strRemoveIPs = WhitelistUpload::quotedList(removed);
    updateWhiteList(m_loadedPrinter);
}

void cManage::updateWhiteList(QString printerIp)
{
    QStringList addresses;
    for (int row = 0; row < ui->whiteListWidget->count(); ++row)
        addresses << ui->whiteListWidget->item(row)->text();
    sendStrategies(StrategyDomain::createStrategyXml(addresses), printerIp);
}

void cManage::sendStrategies(QString xml, QString printerIp)
{
    auto *service = newRequest(SLOT(onUpdateWhiteListCallback(int, int, QString, QString)));
    const QString url = Endpoints::url(Endpoints::ConfigStrategies, printerIp);
    const QByteArray cipher = service->aesEncrypt(xml, WhitelistUpload::keyText());

    WhitelistChange change;
    change.printer = AddressPatterns::plain(printerIp);
    change.storePath = WhiteListDatabase::databasePath(printerIp);
    change.addedIP = strAddIP;
    change.removedIPs = strAddIP.isEmpty() ? strRemoveIPs : QString();
    change.load = m_load;
    m_whitelistUploads.insert(service, change);

    service->postRequest(url, {WhitelistUpload::parameter(cipher)}, QVariant(1), 30000);
}

bool cManage::recordAccepted(const WhitelistChange &change)
{
    WhiteListDatabase store;
    bool recorded;
    if (!change.addedIP.isEmpty())
        recorded = store.insertIP(change.storePath, change.addedIP);
    else
        recorded = !store.deleteIPs(change.storePath, change.removedIPs).contains(QStringLiteral("error"));
    if (!recorded)
        qWarning("the printer %s took a whitelist change that could not be stored in %s", qPrintable(change.printer),
                 qPrintable(change.storePath));
    return recorded;
}

void cManage::onUpdateWhiteListCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (!m_whitelistUploads.contains(sender()))
        return;
    const WhitelistChange change = m_whitelistUploads.take(sender());

    if (Outcome::isSuccess(status_code)) {
        if (!m_closing)
            Boxes::information(nullptr, Title, "操作成功");
        // Said aloud: otherwise the next change, made from the old copy,
        // would silently undo this one at the printer.
        if (!recordAccepted(change) && !m_closing)
            Boxes::warning(nullptr, Title, "打印机已接受修改，但本地白名单保存失败");
    } else if (!m_closing) {
        Boxes::critical(nullptr, Title, "操作失败");
    }
    if (m_closing) {
        if (m_whitelistUploads.isEmpty())
            finishClosing();
        return;
    }

    // After a page change or another load the list on screen is no longer
    // the one this upload changed: leave it alone.
    if (change.load != m_load)
        return;
    if (!Outcome::isSuccess(status_code)) {
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
