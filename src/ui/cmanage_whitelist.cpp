// Page 4: the printer's IP whitelist. Every change is shown at once, sent
// to the printer as a whole encrypted document, and written to the local
// store only once the printer has taken it.
#include "core/auditlog.h"
#include "core/operations.h"
#include "core/whitelist.h"
#include "net/httpservices.h"
#include "ops/endpoints.h"
#include "ui/boxes.h"
#include "ui/cmanage.h"
#include "ui_cmanage.h"
#include "whitelist/strategydomain.h"
#include "whitelist/upload.h"

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
    for (const WhitelistChange &change : m_whitelistUploads)
        if (change.printer == printer)
            return true;
    return false;
}

// Another window or the command line may have changed this printer's list
// since it was loaded here; a change made from the old list would undo
// theirs at the printer. Holds the printer's lock from here to the answer.
bool cManage::beginChange()
{
    auto lock = std::make_shared<Whitelist::PrinterLock>(m_loadedPrinter);
    QString why;
    if (!lock->acquire(&why)) {
        qWarning("%s", qPrintable(why));
        Boxes::warning(this, Title, "该打印机的白名单正由他人修改，请稍后再试");
        return false;
    }
    QStringList stored;
    if (!Whitelist::load(m_loadedPrinter, &stored).ok()) {
        Boxes::critical(this, Title, "加载白名单失败");
        return false;
    }
    if (!Whitelist::sameList(stored, m_startingList)) {
        Boxes::warning(this, Title, "该打印机的白名单已被他人修改，请重新加载");
        return false;
    }
    m_changeLock = lock;
    return true;
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
    QStringList addresses;
    if (!Whitelist::load(printer, &addresses).ok()) {
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
    m_startingList = addresses;
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
    if (!printerStillLoaded() || !beginChange())
        return;
    setWhitelistButtonsEnabled(false);
    ui->whiteListWidget->addItem(address);
    strAddIP = address;
    updateWhiteList(m_loadedPrinter);
}

void cManage::on_whiteListRemoveButton_clicked()
{
    if (!printerStillLoaded() || !beginChange())
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
    sendStrategies(StrategyDomain::createStrategyXml(shownWhitelist()), printerIp);
}

void cManage::sendStrategies(QString xml, QString printerIp)
{
    auto *service = newRequest(SLOT(onUpdateWhiteListCallback(int, int, QString, QString)));
    WhitelistChange change;
    change.printer = AddressPatterns::plain(printerIp);
    change.before = m_startingList;
    change.after = shownWhitelist();
    change.addedIP = strAddIP;
    change.removedIPs = strAddIP.isEmpty() ? strRemoveIPs : QString();
    change.load = m_load;
    change.lock = std::move(m_changeLock);
    m_whitelistUploads.insert(service, change);
    Whitelist::uploadDocument(printerIp, xml).sendWith(service);
}

void cManage::onUpdateWhiteListCallback(int status_code, int user_type, QString strReply, QString sjobId)
{
    Q_UNUSED(user_type)
    Q_UNUSED(sjobId)
    qDebug() << "status_code:" << status_code << strReply;
    if (!m_whitelistUploads.contains(sender()))
        return;
    const WhitelistChange change = m_whitelistUploads.take(sender());
    const Result result = Result::fromRecord(status_code, strReply);
    const QString detail = QStringLiteral("added: %1; removed: %2")
                               .arg(Whitelist::added(change.before, change.after).join(','),
                                    Whitelist::removed(change.before, change.after).join(','));
    writeAudit({QStringLiteral("whitelist"), change.printer}, result, detail);

    bool recorded = false;
    if (result.ok()) {
        if (!m_closing)
            Boxes::information(nullptr, Title, "操作成功");
        recorded = Whitelist::record(change.printer, change.before, change.after);
        // Said aloud: otherwise the next change, made from the old copy,
        // would silently undo this one at the printer.
        if (!recorded) {
            qWarning("the printer %s took a whitelist change that could not be stored", qPrintable(change.printer));
            if (!m_closing)
                Boxes::warning(nullptr, Title, "打印机已接受修改，但本地白名单保存失败");
        }
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
    if (recorded)
        m_startingList = change.after;
    if (!result.ok()) {
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
