#ifndef CMANAGE_H
#define CMANAGE_H

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace Ui {
class cManage;
}

#include "core/result.h"
#include "core/whitelist.h"

#include <memory>

class HttpServices;
class QCloseEvent;
class QProgressBar;

// The main window: six pages, one per group of printer operations. Slot
// bodies of the operations live beside their rules in ops/ and whitelist/.
class cManage : public QWidget
{
    Q_OBJECT

public:
    explicit cManage(QWidget *parent = nullptr);
    ~cManage() override;

signals:
    // The window closed late, once the changes still on their way were
    // answered.
    void closedAfterWaiting();

public slots:
    void onOkClicked();
    void onSearchClicked();
    void onSyncTimeClicked();
    void onFirmwareFlushClicked();
    void onSelectFirmwareClicked();
    void onFirmwareUpdateClicked();
    void onAddWhiteListCLicked();
    void onUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onSetIPcallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onGetCountCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onSyncTimeCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onFirmwareFlushCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onFirmwareUpdateCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onUpdateWhiteListCallback(int status_code, int user_type, QString strReply, QString sjobId);
    void onClearCallback(int status_code, int user_type, QString strReply, QString sjobId);

private slots:
    void on_loadip_clicked();
    void on_whiteListRemoveButton_clicked();
    void on_clearButton_clicked();
    void on_tabWidget_currentChanged(int index);

public:
    // Upload the list as it now stands; the printer address is the one the
    // list was loaded for.
    void updateWhiteList(QString printerIp);
    void sendStrategies(QString xml, QString printerIp);

protected:
    // With a whitelist change on its way the window hides and the tool
    // waits for the printer's answer (at most the upload's time-out), so
    // that a change the printer takes is recorded before the tool exits.
    void closeEvent(QCloseEvent *event) override;

private:
    // What one whitelist upload changes, fixed when it is sent: the answer
    // is applied to this printer's store whatever the page shows by then.
    struct WhitelistChange
    {
        QString printer;
        QStringList before; // the stored list the change started from
        QStringList after; // the list sent
        QString addedIP;
        QString removedIPs;
        quint64 load = 0; // the page load the upload started from
        std::shared_ptr<Whitelist::PrinterLock> lock; // held until the answer is recorded
    };
    // A change to audit, remembered from sending to judging.
    struct AuditEntry
    {
        QString operation;
        QString printer;
    };

    // A request object for one page: its answer goes to `callback` (a
    // SLOT() text), and the window shows a busy cursor until it comes. A
    // change names its operation and printer for the audit log.
    HttpServices *newRequest(const char *callback, const char *operation = nullptr,
                             const QString &printer = QString());
    void endWait();
    void finishClosing();
    AuditEntry takeAudit();
    void audit(const Result &result);
    void writeAudit(const AuditEntry &entry, const Result &result, const QString &detail = QString());
    bool uploadInFlightTo(const QString &printer) const;
    void setFirmwareButtonsEnabled(bool enabled);
    void setWhitelistButtonsEnabled(bool enabled);
    bool printerStillLoaded();
    bool beginChange();
    QStringList shownWhitelist() const;

    Ui::cManage *ui;
    QString strAddIP;
    QString strRemoveIPs;
    QString m_loadedPrinter;
    QStringList m_startingList;
    quint64 m_load = 0;
    QHash<QObject *, WhitelistChange> m_whitelistUploads;
    std::shared_ptr<Whitelist::PrinterLock> m_changeLock;
    QHash<QObject *, AuditEntry> m_audits;
    AuditEntry m_probing;
    QProgressBar *m_uploadProgress = nullptr;
    int m_waiting = 0;
    bool m_closing = false;
};

#endif // CMANAGE_H
