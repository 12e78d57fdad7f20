#ifndef CMANAGE_H
#define CMANAGE_H

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace Ui {
class cManage;
}

class HttpServices;

// The main window: six pages, one per group of printer operations. Slot
// bodies of the operations live beside their rules in ops/ and whitelist/.
class cManage : public QWidget
{
    Q_OBJECT

public:
    explicit cManage(QWidget *parent = nullptr);
    ~cManage() override;

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

private:
    // What one whitelist upload changes, fixed when it is sent: the answer
    // is applied to this printer's store whatever the page shows by then.
    struct WhitelistChange
    {
        QString printer;
        QString storePath;
        QString addedIP;
        QString removedIPs;
        quint64 load = 0; // the page load the upload started from
    };

    void setFirmwareButtonsEnabled(bool enabled);
    void setWhitelistButtonsEnabled(bool enabled);
    bool printerStillLoaded();

    Ui::cManage *ui;
    QString strAddIP;
    QString strRemoveIPs;
    QString m_loadedPrinter;
    quint64 m_load = 0;
    QHash<QObject *, WhitelistChange> m_whitelistUploads;
};

#endif // CMANAGE_H
