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

class Job;
class QCloseEvent;
class QProgressBar;

// The main window: six pages, one per group of printer operations. Each
// page reads its fields, runs the core's job for its operation and shows
// the job's result in the page's box.
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
    // list was loaded for. False when the change was refused before sending
    // (the page's box said why).
    bool updateWhiteList(QString printerIp);

protected:
    // With a whitelist change on its way the window hides and the tool
    // waits for the printer's answer (at most the upload's time-out), so
    // that a change the printer takes is recorded before the tool exits.
    void closeEvent(QCloseEvent *event) override;

private:
    // What one whitelist change shows, fixed when it is sent: the page is
    // only put back when it still shows the list the change started from.
    struct WhitelistChange
    {
        QString printer;
        QString addedIP;
        QString removedIPs;
        quint64 load = 0; // the page load the change started from
    };

    // Runs one of the core's jobs for a page: its answer goes to `callback`
    // (a SLOT() text), and the window shows a busy cursor until it comes.
    void startJob(Job *job, const char *callback);
    // The typed result of the job whose answer a reply slot is taking.
    Result jobResult(int status, const QString &body) const;
    void endWait();
    void finishClosing();
    bool uploadInFlightTo(const QString &printer) const;
    void setFirmwareButtonsEnabled(bool enabled);
    void setWhitelistButtonsEnabled(bool enabled);
    bool printerStillLoaded();
    QStringList shownWhitelist() const;

    Ui::cManage *ui;
    QString strAddIP;
    QString strRemoveIPs;
    QString m_loadedPrinter;
    QStringList m_startingList;
    quint64 m_load = 0;
    QHash<QObject *, WhitelistChange> m_whitelistUploads;
    QProgressBar *m_uploadProgress = nullptr;
    int m_waiting = 0;
    bool m_closing = false;
};

#endif // CMANAGE_H
